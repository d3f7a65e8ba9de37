#include "app/SettingsLogic.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <fstream>
#include <sstream>

#include "RecordingView.h"
#include "TempDir.h"
#include "platform/Locations.h"

namespace tsrn::app {
namespace {

class SettingsLogicTest : public ::testing::Test {
  protected:
    SettingsLogicTest()
        : database_(dir_ / "registry"),
          program_(database_),
          windows_(database_, registry::Hive::LocalMachine, std::string(registry::kWindowsRunRoot)),
          entry_(dir_ / "autostart" / "tessaryn.desktop") {}

    SettingsLogic Make(bool listFileRun = false) {
        return SettingsLogic(view_, {program_, windows_, entry_}, listFileRun);
    }
    std::string AutostartValue() {
        return windows_.GetString(registry::kRunServicesKey, "Tessaryn", "-");
    }
    std::string EntryText() {
        std::ifstream in(entry_.File());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    test::TempDir dir_;
    registry::RegistryDatabase database_;
    registry::RegistryStore program_;
    registry::RegistryStore windows_;
    AutostartEntry entry_;
    test::RecordingView view_;
};

TEST_F(SettingsLogicTest, ChecksShowTheWordsBitsAndTheEnterSetting) {
    view_.word = 0x80 | 0x10;
    view_.enter = 1;
    const SettingsChecks checks = Make().Initial();
    EXPECT_TRUE(checks.forbidDelete);
    EXPECT_FALSE(checks.forbidWrite);
    EXPECT_FALSE(checks.forbidSearch);
    EXPECT_TRUE(checks.forbidOpen);
    EXPECT_TRUE(checks.enterSwitches);
    EXPECT_FALSE(checks.autostart);
}

TEST_F(SettingsLogicTest, BitMapping) {
    struct Case {
        SettingsChecks checks;
        std::uint32_t word;
    } cases[] = {
        {{true, false, false, false}, 0x80}, {{false, true, false, false}, 0x20},
        {{false, false, true, false}, 0x40}, {{false, false, false, true}, 0x10},
        {{true, true, true, true}, 0xF0},    {{}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlobalWordFromChecks(c.checks), c.word);
}

TEST_F(SettingsLogicTest, TheWordIsSentOnlyWhenItChanged) {
    view_.word = 0xF0;
    SettingsChecks same = Make().Initial();
    Make().Accept(same);
    EXPECT_TRUE(view_.sent.empty());

    SettingsChecks none;
    Make().Accept(none);
    EXPECT_EQ(view_.sent, std::vector<std::uint32_t>{0});
    EXPECT_EQ(view_.word, 0u);
}

TEST_F(SettingsLogicTest, AutostartIsWrittenOnEveryOkWithTheCurrentInstallDir) {
    SettingsChecks checks;
    checks.autostart = true;
    // No "InstallDir" and no all-users record: the running program's own
    // folder (a packaged program's), never relative to whatever folder the
    // login starts in.
    const char* sysconf = std::getenv("TSRN_SYSCONF_DIR");
    const std::string savedSysconf = sysconf != nullptr ? sysconf : "";
    setenv("TSRN_SYSCONF_DIR", "/nonexistent/tessaryn-sysconf", 1);
    Make().Accept(checks);
    EXPECT_EQ(AutostartValue(), ProgramFolder().string() + "/tsrn /service");
    if (sysconf != nullptr)
        setenv("TSRN_SYSCONF_DIR", savedSysconf.c_str(), 1);
    else
        unsetenv("TSRN_SYSCONF_DIR");

    program_.SetString(registry::kSettingsKey, "InstallDir", "/opt/my tessaryn");
    Make().Accept(checks);
    EXPECT_EQ(AutostartValue(), "/opt/my tessaryn/tsrn /service");
    EXPECT_NE(EntryText().find("Exec=\"/opt/my tessaryn/tsrn\" /service\n"), std::string::npos)
        << EntryText();
    EXPECT_NE(EntryText().find("[Desktop Entry]\n"), std::string::npos);
}

TEST_F(SettingsLogicTest, UncheckedAutostartRemovesValueAndEntry) {
    windows_.SetString(registry::kRunServicesKey, "Tessaryn", "");
    EXPECT_FALSE(Make().Initial().autostart);  // an empty value reads as off
    SettingsChecks on;
    on.autostart = true;
    Make().Accept(on);
    ASSERT_TRUE(std::filesystem::exists(entry_.File()));
    EXPECT_TRUE(Make().Initial().autostart);

    Make().Accept(SettingsChecks{});
    EXPECT_EQ(AutostartValue(), "-");
    EXPECT_FALSE(std::filesystem::exists(entry_.File()));
}

TEST_F(SettingsLogicTest, EnterSettingAndSavingAtOnceOutsideAListFileRun) {
    SettingsChecks checks;
    checks.enterSwitches = true;
    Make().Accept(checks);
    EXPECT_EQ(view_.enter, 1);
    EXPECT_EQ(view_.saves, 1);

    Make(true).Accept(SettingsChecks{});
    EXPECT_EQ(view_.enter, 0);
    EXPECT_EQ(view_.saves, 1);
}

TEST(AutostartEntryTest, ExecArgumentsAreQuotedWhereTheyMustBe) {
    struct Case {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"/usr/bin/tsrn", "/usr/bin/tsrn"},
        {"/service", "/service"},
        {"/opt/my dir/tsrn", "\"/opt/my dir/tsrn\""},
        {"/opt/a$b/tsrn", "\"/opt/a\\\\$b/tsrn\""},
        {"/opt/100%/tsrn", "/opt/100%%/tsrn"},
        {"/opt/\"q\"/tsrn", "\"/opt/\\\\\"q\\\\\"/tsrn\""},
        {"", "\"\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AutostartEntry::QuoteExecArgument(c.argument), c.quoted) << c.argument;
    }
}

TEST(AutostartEntryTest, DefaultPlaceFollowsXdgConfigHome) {
    test::TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(AutostartEntry().File(), dir / "autostart" / "tessaryn.desktop");
    if (old) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace tsrn::app
