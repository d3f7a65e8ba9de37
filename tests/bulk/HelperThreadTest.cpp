// The helper thread's job is done even when no thread can be started.

#include "bulk/HelperThread.h"

#include <gtest/gtest.h>

#include <thread>

#include "NoNewThreads.h"

namespace tsrn::bulk {
namespace {

using test::NoNewThreads;

TEST(HelperThreadTest, WithoutASecondThreadTheCallerDoesTheJob) {
    std::thread::id ranOn;
    int jobs = 0;
    {
        NoNewThreads noThreads;
        ASSERT_TRUE(noThreads.Ok());
        HelperThread helper;
        for (int i = 0; i < 2; ++i) {
            helper.Start([&] {
                ranOn = std::this_thread::get_id();
                ++jobs;
            });
            helper.Wait();
        }
    }
    EXPECT_EQ(jobs, 2);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace tsrn::bulk
