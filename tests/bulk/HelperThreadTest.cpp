// The helper thread's job is done even when no thread can be started.

#include "bulk/HelperThread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <thread>

namespace tsrn::bulk {
namespace {

TEST(HelperThreadTest, WithoutASecondThreadTheCallerDoesTheJob) {
    // A default stack no process can map makes every thread start fail.
    pthread_attr_t saved;
    pthread_attr_t huge;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    ASSERT_EQ(pthread_attr_init(&huge), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, std::size_t{1} << 46), 0);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    std::thread::id ranOn;
    int jobs = 0;
    {
        HelperThread helper;
        for (int i = 0; i < 2; ++i) {
            helper.Start([&] {
                ranOn = std::this_thread::get_id();
                ++jobs;
            });
            helper.Wait();
        }
    }
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);
    EXPECT_EQ(jobs, 2);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace tsrn::bulk
