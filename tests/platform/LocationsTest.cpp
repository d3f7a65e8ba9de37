#include "platform/Locations.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "registry/RegistryDatabase.h"

namespace tsrn {
namespace {

const char* const kVariables[] = {
    "HOME",           "XDG_CONFIG_HOME", "XDG_STATE_HOME",  "TSRN_REGISTRY_DIR",
    "TSRN_STATE_DIR", "TSRN_SYSTEM_DIR", "TSRN_SYSCONF_DIR"};

using Values = std::map<std::string, std::string>;

// Sets the variables the locations depend on for one case and restores them.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(const std::map<std::string, std::string>& values) {
        for (const char* name : kVariables) {
            const char* old = ::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            auto it = values.find(name);
            if (it != values.end()) {
                ::setenv(name, it->second.c_str(), 1);
            } else {
                ::unsetenv(name);
            }
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(LocationsTest, DirectoriesFollowOverridesThenXdgThenHome) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> env;
        std::string registry;
        std::string state;
        std::string autostart;
    };
    const std::vector<Case> cases = {
        {"home only",
         {{"HOME", "/home/u"}},
         "/home/u/.config/tessaryn",
         "/home/u/.local/state/tessaryn",
         "/home/u/.config/autostart/tessaryn.desktop"},
        {"xdg",
         {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_STATE_HOME", "/st"}},
         "/cfg/tessaryn",
         "/st/tessaryn",
         "/cfg/autostart/tessaryn.desktop"},
        {"relative xdg is ignored",
         {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_STATE_HOME", "st"}},
         "/home/u/.config/tessaryn",
         "/home/u/.local/state/tessaryn",
         "/home/u/.config/autostart/tessaryn.desktop"},
        {"overrides win",
         {{"HOME", "/home/u"},
          {"XDG_CONFIG_HOME", "/cfg"},
          {"TSRN_REGISTRY_DIR", "/r"},
          {"TSRN_STATE_DIR", "/s"}},
         "/r",
         "/s",
         "/cfg/autostart/tessaryn.desktop"},
        {"empty override is unset",
         {{"HOME", "/home/u"}, {"TSRN_REGISTRY_DIR", ""}},
         "/home/u/.config/tessaryn",
         "/home/u/.local/state/tessaryn",
         "/home/u/.config/autostart/tessaryn.desktop"},
    };
    for (const auto& c : cases) {
        ScopedEnvironment env(c.env);
        EXPECT_EQ(RegistryDirectory(), c.registry) << c.what;
        EXPECT_EQ(registry::RegistryDatabase::DefaultDirectory(), c.registry) << c.what;
        EXPECT_EQ(StateDirectory(), c.state) << c.what;
        EXPECT_EQ(AutostartEntryFile(), c.autostart) << c.what;
    }
}

TEST(LocationsTest, SystemDirectoryDependsOnWhoInstalls) {
    {
        ScopedEnvironment env(Values{{"HOME", "/home/u"}, {"TSRN_SYSTEM_DIR", "/opt/t"}});
        EXPECT_EQ(SystemDirectory(), "/opt/t");
    }
    ScopedEnvironment env(Values{{"HOME", "/home/u"}});
    EXPECT_EQ(SystemDirectory(), geteuid() == 0
                                     ? std::filesystem::path("/usr/local/lib/tessaryn")
                                     : std::filesystem::path("/home/u/.local/lib/tessaryn"));
}

// Every user's program finds the driver of its own installation: the one an
// all-users installation recorded, the package's beside the program, else the
// user's own system folder.
TEST(DriverDirectoryTest, FoundForTheInstallationTheProgramBelongsTo) {
    char pattern[] = "/tmp/tsrn-driverdir-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path root = pattern;
    std::filesystem::create_directories(root / "usr/bin");
    std::filesystem::create_directories(root / "usr/lib/tessaryn");
    std::ofstream(root / "usr/lib/tessaryn/tsrnvx") << "driver";
    std::filesystem::create_directories(root / "opt/tessaryn");
    ScopedEnvironment env(Values{{"HOME", "/home/u"}});
    const SystemRecord record{(root / "opt/tessaryn").string() + "/", "/usr/local/lib/tessaryn/"};
    const std::filesystem::path own =
        geteuid() == 0 ? "/usr/local/lib/tessaryn" : "/home/u/.local/lib/tessaryn";
    struct Case {
        const char* name;
        std::filesystem::path programFolder;
        std::optional<SystemRecord> record;
        std::filesystem::path expected;
    };
    const Case cases[] = {
        {"all-users record for this folder", root / "opt/tessaryn", record,
         "/usr/local/lib/tessaryn/"},
        {"record of another folder", root / "usr/bin", record, root / "usr/bin/../lib/tessaryn"},
        {"package layout", root / "usr/bin", std::nullopt, root / "usr/bin/../lib/tessaryn"},
        {"per-user installation", root / "opt/tessaryn", std::nullopt, own},
        {"unknown program folder", "", record, own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DriverDirectoryFor(c.programFolder, c.record).lexically_normal(),
                  c.expected.lexically_normal());
    }
    std::filesystem::remove_all(root);
}

TEST(SystemRecordTest, WrittenWholeReadBackAndMissingIsNothing) {
    char pattern[] = "/tmp/tsrn-sysrecord-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path root = pattern;
    {
        ScopedEnvironment env(Values{{"TSRN_SYSCONF_DIR", (root / "etc").string()}});
        EXPECT_EQ(SystemRecordFile(), root / "etc" / "installation");
    }
    {
        ScopedEnvironment env(Values{});
        EXPECT_EQ(SystemRecordFile(), std::filesystem::path("/etc/tessaryn/installation"));
    }
    const std::filesystem::path file = root / "etc" / "installation";
    EXPECT_FALSE(ReadSystemRecord(file));
    ASSERT_TRUE(WriteSystemRecord(file, {"/opt/tessaryn/", "/usr/local/lib/tessaryn/"}));
    const auto record = ReadSystemRecord(file);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->installFolder, "/opt/tessaryn/");
    EXPECT_EQ(record->systemFolder, "/usr/local/lib/tessaryn/");
    EXPECT_FALSE(WriteSystemRecord(file, {"/opt/x\nSystemDir=/tmp/evil/", ""}))
        << "a line break could forge the driver's folder";
    EXPECT_EQ(ReadSystemRecord(file)->systemFolder, "/usr/local/lib/tessaryn/");
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tsrn
