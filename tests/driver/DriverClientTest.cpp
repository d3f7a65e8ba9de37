// The client against a stand-in driver process that speaks the protocol.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "driver/DriverClient.h"

namespace tsrn::driver {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class DriverClientTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("TSRN_FAKE_DRIVER_LOG", LogPath().c_str(), 1); }
    void TearDown() override {
        unsetenv("TSRN_FAKE_DRIVER_LOG");
        unsetenv("TSRN_FAKE_DRIVER_MODE");
    }

    static void Mode(const char* mode) { setenv("TSRN_FAKE_DRIVER_MODE", mode, 1); }
    std::string LogPath() const { return (dir_ / "driver.log").string(); }

    // The log lines that start with `prefix`, without the prefix.
    std::vector<std::string> LogLines(const std::string& prefix) const {
        std::ifstream in(LogPath());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(prefix, 0) == 0) {
                lines.push_back(line.substr(prefix.size()));
            }
        }
        return lines;
    }

    pid_t LoggedPid() const {
        const auto lines = LogLines("pid ");
        return lines.empty() ? 0 : static_cast<pid_t>(std::stol(lines[0]));
    }

    // Waits (bounded) until the driver has written its pid.
    pid_t AwaitLoggedPid() const {
        for (int i = 0; i < 400 && LoggedPid() == 0; ++i) {
            std::this_thread::sleep_for(5ms);
        }
        return LoggedPid();
    }

    static bool ProcessGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

    static DriverClientTimeouts Short() { return {300ms, 2000ms, 2000ms}; }

    test::TempDir dir_{"tsrn-driver"};
};

TEST_F(DriverClientTest, OpensSendsRequestsAndReadsTheAnswerWords) {
    Mode("serve");
    DriverClient client(TSRN_FAKE_DRIVER, Short());
    ASSERT_TRUE(client.Open());
    EXPECT_TRUE(client.IsOpen());

    // The stand-in answers the word at the call + 1.
    EXPECT_EQ(client.SetFolderShortPath("/Some Dir/x", 2, 0x81), 0x82);
    EXPECT_EQ(client.QueryOpenFiles(3), 4);
    EXPECT_TRUE(client.SetPassword(""));
    EXPECT_TRUE(client.InitializeDriver());
    EXPECT_FALSE(client.SetGlobalProtection(0xDEAD));  // a failed call...
    EXPECT_EQ(client.SetFolderState(1, 0x12), 0x13);   // ...leaves the channel usable
    client.Close();

    const std::vector<std::string> expected = {
        "7 2 129 129 [/Some Dir/x]", "2 3 0 3 none",   "14 0 0 0 []", "4 0 0 0 none",
        "12 57005 0 0 none",         "11 1 18 18 none"};
    EXPECT_EQ(LogLines("request "), expected);
}

TEST_F(DriverClientTest, TheDriverGetsOnlyItsControlChannel) {
    Mode("serve");
    // A descriptor this process leaves inheritable must not reach the driver.
    const int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 0);
    DriverClient client(TSRN_FAKE_DRIVER, Short());
    ASSERT_TRUE(client.Open());
    EXPECT_TRUE(client.SetPassword("pa ss"));
    client.Close();
    close(leaked);

    const auto argv = LogLines("argv ");
    ASSERT_EQ(argv.size(), 1u);
    ASSERT_EQ(argv[0].rfind("--control-fd=", 0), 0u);
    EXPECT_EQ(argv[0].find(' '), std::string::npos) << argv[0];
    const std::string fd = argv[0].substr(std::string("--control-fd=").size());
    const auto fds = LogLines("fds ");
    ASSERT_EQ(fds.size(), 1u);
    EXPECT_EQ(fds[0], "0 1 2 " + fd);
}

TEST_F(DriverClientTest, CloseLetsTheDriverExitAndReapsIt) {
    Mode("serve");
    DriverClient client(TSRN_FAKE_DRIVER, Short());
    ASSERT_TRUE(client.Open());
    const pid_t pid = client.DriverPid();
    ASSERT_GT(pid, 0);
    client.Close();
    EXPECT_FALSE(client.IsOpen());
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_EQ(client.SetFolderState(1, 1), -1);
    EXPECT_FALSE(client.Open()) << "there is no reopening";
}

TEST_F(DriverClientTest, ADriverThatDiesMidRunMakesEveryRequestFailFast) {
    Mode("die-after-2");
    DriverClient client(TSRN_FAKE_DRIVER, {300ms, 30s, 2000ms});
    ASSERT_TRUE(client.Open());
    EXPECT_EQ(client.SetFolderState(1, 0), 1);
    EXPECT_EQ(client.SetFolderState(2, 0), 1);
    const auto start = Clock::now();
    EXPECT_EQ(client.SetFolderState(3, 0), -1);
    EXPECT_EQ(client.QueryOpenFiles(1), -1);
    EXPECT_FALSE(client.SetPassword("pw"));
    EXPECT_FALSE(client.InitializeDriver());
    EXPECT_LT(Clock::now() - start, 10s) << "a dead driver must not be waited for";
    EXPECT_FALSE(client.IsOpen());
}

TEST_F(DriverClientTest, ADriverThatStopsAnsweringIsDropped) {
    Mode("hang");
    DriverClient client(TSRN_FAKE_DRIVER, {300ms, 300ms, 2000ms});
    ASSERT_TRUE(client.Open());
    EXPECT_EQ(client.SetFolderState(1, 1), -1);
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.QueryOpenFiles(1), -1);
}

TEST_F(DriverClientTest, OpenFailsWithoutAProperHelloAndLeavesNoProcess) {
    for (const char* mode : {"silent", "old-hello"}) {
        SCOPED_TRACE(mode);
        Mode(mode);
        std::remove(LogPath().c_str());
        DriverClient client(TSRN_FAKE_DRIVER, Short());
        const auto start = Clock::now();
        EXPECT_FALSE(client.Open());
        EXPECT_LT(Clock::now() - start, 10s);
        EXPECT_FALSE(client.IsOpen());
        EXPECT_EQ(client.DriverPid(), 0);
        const pid_t pid = AwaitLoggedPid();
        ASSERT_GT(pid, 0);
        EXPECT_TRUE(ProcessGone(pid));
    }
}

TEST_F(DriverClientTest, TheDriverProgramIsFoundInTheSystemFolder) {
    Mode("serve");
    const auto system = dir_ / "system";
    std::filesystem::create_directory(system);
    std::filesystem::create_symlink(TSRN_FAKE_DRIVER, system / "tsrnvx");
    setenv("TSRN_SYSTEM_DIR", system.c_str(), 1);
    DriverClient client;
    unsetenv("TSRN_SYSTEM_DIR");
    EXPECT_TRUE(client.Open());
    EXPECT_TRUE(client.InitializeDriver());
}

TEST_F(DriverClientTest, OpenFailsWhenTheProgramIsMissing) {
    DriverClient client(dir_ / "no-such-driver", Short());
    EXPECT_FALSE(client.Open());
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.SetPassword("pw"), false);
}

TEST_F(DriverClientTest, CloseEndsADriverThatWillNotExitWithinItsBound) {
    Mode("linger");
    DriverClient client(TSRN_FAKE_DRIVER, {300ms, 300ms, 200ms});
    ASSERT_TRUE(client.Open());
    const pid_t pid = client.DriverPid();
    const auto start = Clock::now();
    client.Close();
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_TRUE(ProcessGone(pid));
}

}  // namespace
}  // namespace tsrn::driver
