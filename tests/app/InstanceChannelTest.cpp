#include "app/gui/LocalInstanceChannel.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QProcess>
#include <QSignalSpy>
#include <fstream>
#include <memory>
#include <vector>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "platform/UniqueFd.h"

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

TEST_F(InstanceChannelTest, OfTwoClaimsOneWinsAndTheOtherAsksItToShow) {
    LocalInstanceChannel first;
    LocalInstanceChannel second;
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.Claim());  // holding it already
    QSignalSpy shows(&first, &LocalInstanceChannel::showRequested);
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(shows.wait(3000));
    struct stat info {};
    ASSERT_EQ(stat(LocalInstanceChannel::LockFileName().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(InstanceChannelTest, TheLockGoesWithTheCopyThatHeldIt) {
    {
        LocalInstanceChannel gone;
        ASSERT_TRUE(gone.Claim());
    }
    LocalInstanceChannel next;
    EXPECT_TRUE(next.Claim());
}

TEST_F(InstanceChannelTest, ALockFileOfAnotherUserHoldsNobodyOff) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the lock file to another user";
    const QByteArray path = LocalInstanceChannel::LockFileName().toLocal8Bit();
    const UniqueFd held(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    ASSERT_GE(held.Get(), 0);
    ASSERT_EQ(::fchown(held.Get(), 65534, 65534), 0);
    ASSERT_EQ(::flock(held.Get(), LOCK_EX | LOCK_NB), 0);
    LocalInstanceChannel channel;
    EXPECT_TRUE(channel.Claim());
}

// Real processes started together, released at the same moment: exactly one
// keeps running, every other one ends after asking it to show its window.
TEST_F(InstanceChannelTest, RacingStartsLeaveExactlyOneRunning) {
    constexpr int kRounds = 5;
    constexpr int kRacers = 3;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir_.Path().string()));
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<QProcess>> racers;
        for (int i = 0; i < kRacers; ++i) {
            auto racer = std::make_unique<QProcess>();
            racer->setProcessEnvironment(env);
            racer->start(QStringLiteral(TSRN_INSTANCE_RACER), {});
            ASSERT_TRUE(racer->waitForStarted(5000));
            racers.push_back(std::move(racer));
        }
        for (auto& racer : racers)
            racer->write("go\n");
        for (auto& racer : racers)
            ASSERT_TRUE(racer->waitForReadyRead(10000)) << "round " << round;

        QProcess* winner = nullptr;
        int refused = 0;
        for (auto& racer : racers) {
            const QByteArray first = racer->readLine().trimmed();
            if (first == "claimed") {
                EXPECT_EQ(winner, nullptr) << "two copies run, round " << round;
                winner = racer.get();
            } else {
                EXPECT_EQ(first, "refused") << "round " << round;
                EXPECT_TRUE(racer->waitForFinished(10000));
                EXPECT_EQ(racer->exitCode(), 0);
                ++refused;
            }
        }
        ASSERT_NE(winner, nullptr) << "no copy runs, round " << round;
        EXPECT_EQ(refused, kRacers - 1);
        EXPECT_EQ(winner->state(), QProcess::Running);
        // Every refused start asked the winner to show its window.
        int shows = 0;
        while (shows < refused && winner->waitForReadyRead(5000)) {
            while (winner->canReadLine())
                shows += winner->readLine().trimmed() == "show" ? 1 : 0;
        }
        EXPECT_EQ(shows, refused) << "round " << round;
        winner->closeWriteChannel();
        EXPECT_TRUE(winner->waitForFinished(10000));
    }
}

}  // namespace
}  // namespace tsrn::app
