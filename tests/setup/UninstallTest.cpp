// The uninstaller takes back the autostart the program's settings set up, and
// only its own installation's.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SetupFixture.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "setup/Uninstall.h"

namespace tsrn::setup::test {
namespace {

struct AutostartCase {
    const char* name;
    std::string programFolder;  // the folder the autostart names
    bool removed;
};

TEST(UninstallTest, RemovesOnlyTheAutostartOfThisInstallation) {
    SetupWorld world;
    const std::string install = world.InstallFolder() + "/";
    const AutostartCase cases[] = {
        {"this installation", install, true},
        {"another installation", world.Root().string() + "/elsewhere/", false},
        {"a folder sharing the prefix", world.InstallFolder() + "-old/", false},
    };
    for (const AutostartCase& c : cases) {
        SCOPED_TRACE(c.name);
        registry::RegistryStore windows(world.Registry(), registry::Hive::LocalMachine,
                                        std::string(registry::kWindowsRunRoot));
        const std::string valueName(text::Text(res::str::kAppTitle));
        ASSERT_TRUE(windows.SetString(registry::kRunServicesKey, valueName,
                                      c.programFolder + "tsrn /service"));
        const fs::path plain = world.Root() / "autostart" / "plain.desktop";
        const fs::path quoted = world.Root() / "autostart" / "quoted.desktop";
        WriteFile(plain,
                  "[Desktop Entry]\nType=Application\nExec=" + c.programFolder + "tsrn /service\n");
        WriteFile(quoted, "[Desktop Entry]\nType=Application\nExec=\"" + c.programFolder +
                              "tsrn\" /service\n");

        EXPECT_EQ(RemoveAutostart(world.Registry(), world.InstallFolder(), plain), c.removed);
        (void)RemoveAutostart(world.Registry(), world.InstallFolder(), quoted);

        EXPECT_EQ(windows.GetString(registry::kRunServicesKey, valueName, "").empty(), c.removed);
        EXPECT_EQ(fs::exists(plain), !c.removed);
        EXPECT_EQ(fs::exists(quoted), !c.removed);
    }
}

TEST(UninstallTest, ReportSaysWhatWasRemoved) {
    struct Case {
        UninstallReport report;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {{"/opt/t/", true, false, "/h/.config/autostart/tessaryn.desktop"},
         {"Tessaryn was removed from /opt/t/"}},
        {{"/opt/t/", true, true, "/h/.config/autostart/tessaryn.desktop"},
         {"Tessaryn was removed from /opt/t/",
          "start at login (/h/.config/autostart/tessaryn.desktop) was removed"}},
        {{"/opt/t/", false, false, ""}, {"the folder /opt/t/ could not be emptied"}},
    };
    for (const Case& c : cases) {
        const std::string text = UninstallReportText(c.report);
        for (const std::string& part : c.says) {
            EXPECT_NE(text.find(part), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace tsrn::setup::test
