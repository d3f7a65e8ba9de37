#include "app/gui/LocalInstanceChannel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <fstream>

#include "GuiTestSupport.h"
#include "TempDir.h"

namespace tsrn::app {
namespace {

class InstanceChannelTest : public ::testing::Test {
  protected:
    InstanceChannelTest() {
        test::EnsureApplication();
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old)
            saved_ = old;
        hadOld_ = old != nullptr;
        setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    }
    ~InstanceChannelTest() override {
        if (hadOld_) {
            setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    test::TempDir dir_;
    std::string saved_;
    bool hadOld_ = false;
};

TEST_F(InstanceChannelTest, SecondCopyAsksTheFirstToShowItself) {
    LocalInstanceChannel first;
    LocalInstanceChannel second;
    EXPECT_FALSE(second.SignalRunningInstance());
    ASSERT_TRUE(first.Listen());
    QSignalSpy shows(&first, &LocalInstanceChannel::showRequested);
    EXPECT_TRUE(second.SignalRunningInstance());
    EXPECT_TRUE(shows.wait(3000));
    EXPECT_EQ(LocalInstanceChannel::SocketName(), QString::fromStdString((dir_ / "tessaryn.sock")));
}

TEST_F(InstanceChannelTest, ASocketLeftByADeadCopyIsTakenOver) {
    std::ofstream(dir_ / "tessaryn.sock") << "";
    LocalInstanceChannel channel;
    EXPECT_TRUE(channel.Listen());
    LocalInstanceChannel second;
    EXPECT_TRUE(second.SignalRunningInstance());
}

}  // namespace
}  // namespace tsrn::app
