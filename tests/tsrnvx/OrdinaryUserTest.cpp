// The driver's mount tests again, run by an ordinary user who mounts through
// fusermount3 and may open /dev/fuse only through an ACL granted for the run.
// Afterwards nothing of the user may remain: no account, no group, no ACL
// entry, no mount.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>

#include "DeviceGrant.h"
#include "ThrowawayUser.h"
#include "VxSession.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;
using ::tsrn::test::ThrowawayUser;

constexpr const char* kDevice = "/dev/fuse";
constexpr std::chrono::seconds kSuiteLimit{540};

struct Suite {
    const char* name;
    const char* program;
};

const Suite kSuites[] = {
    {"mount", TSRNVX_MOUNT_TEST_PROGRAM},
    {"serve", TSRNCTL_SERVE_TEST_PROGRAM},
};

void PrintTo(const Suite& suite, std::ostream* out) {
    *out << suite.name;
}

std::string WhyNotHere() {
    if (::geteuid() != 0) {
        return "not root: no throwaway user can be made, the ordinary-user run is not tested";
    }
    if (::access(kDevice, F_OK) != 0) {
        return "no /dev/fuse: the ordinary-user run is not tested";
    }
    for (const char* tool : {"/usr/sbin/useradd", "/usr/bin/setfacl", "/usr/bin/fusermount3"}) {
        if (::access(tool, X_OK) != 0) {
            return std::string(tool) + " is missing: the ordinary-user run is not tested";
        }
    }
    return {};
}

// The environment the suite runs in: ours where it matters, the rest in the
// user's own home.
std::vector<std::string> SuiteEnvironment(const ThrowawayUser& user) {
    std::vector<std::string> env = {
        "HOME=" + user.Home().string(),
        "TMPDIR=" + user.Home().string(),
        "TSRN_STATE_DIR=" + (user.Home() / "state").string(),
        "USER=" + user.Name(),
        "LOGNAME=" + user.Name(),
        "QT_QPA_PLATFORM=offscreen",
        "LANG=C.UTF-8",
    };
    for (const char* name : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            env.push_back(std::string(name) + "=" + value);
        }
    }
    return env;
}

int PassedCount(const std::string& output) {
    std::smatch match;
    static const std::regex passed(R"(\[  PASSED  \] (\d+) test)");
    return std::regex_search(output, match, passed) ? std::stoi(match[1]) : 0;
}

class OrdinaryUserTest : public ::testing::TestWithParam<Suite> {};

TEST_P(OrdinaryUserTest, DriverTestsPassMountingThroughFusermount) {
    const std::string reason = WhyNotHere();
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
    std::string name;
    uid_t uid = 0;
    {
        ThrowawayUser user;
        ASSERT_TRUE(user.Valid()) << user.Error();
        name = user.Name();
        uid = user.Uid();
        fs::create_directories(user.Home() / "state");
        ::chown((user.Home() / "state").c_str(), user.Uid(), user.Gid());
        {
            ::tsrn::test::DeviceGrant grant(kDevice, user.Uid());
            ASSERT_TRUE(grant.Granted()) << "setfacl could not grant " << kDevice;
            ASSERT_EQ(user.Run({"/usr/bin/test", "-r", kDevice, "-a", "-w", kDevice}, {},
                               "/dev/null", std::chrono::seconds(10)),
                      0)
                << name << " cannot open " << kDevice << " despite the grant";
            const fs::path log = user.Home() / "suite.log";
            int status = user.Run({GetParam().program, "--gtest_color=no"}, SuiteEnvironment(user),
                                  log, kSuiteLimit);
            const std::string output = ReadText(log);
            EXPECT_EQ(status, 0) << "the suite as " << name << " said:\n" << output;
            EXPECT_GT(PassedCount(output), 0) << output;
            EXPECT_EQ(output.find("FUSE mounts cannot be tested"), std::string::npos)
                << "the grant did not reach the suite:\n"
                << output;
            static const std::regex skipLine(R"(\[  SKIPPED \] ([A-Za-z][^ ]*) \(\d+ ms\))");
            for (auto it = std::sregex_iterator(output.begin(), output.end(), skipLine);
                 it != std::sregex_iterator(); ++it) {
                std::cout << "as " << name << " the suite skipped " << (*it)[1] << "\n";
            }
        }
        EXPECT_FALSE(::tsrn::test::AclNamesUser(kDevice, uid)) << "the grant outlived its scope";
        EXPECT_TRUE(MountsBelow(user.Home()).empty()) << "a mount was left behind";
    }
    EXPECT_FALSE(::tsrn::test::UserExists(name)) << name << " outlived the test";
    EXPECT_FALSE(::tsrn::test::GroupExists(name)) << "the group " << name << " outlived the test";
    EXPECT_FALSE(::tsrn::test::AclNamesUser(kDevice, uid));
}

INSTANTIATE_TEST_SUITE_P(Suites, OrdinaryUserTest, ::testing::ValuesIn(kSuites),
                         [](const ::testing::TestParamInfo<Suite>& suite) {
                             return std::string(suite.param.name);
                         });

}  // namespace
}  // namespace tsrn::vx::test
