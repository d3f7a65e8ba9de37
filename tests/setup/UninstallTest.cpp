// The uninstaller takes back the autostart the program's settings set up, and
// only its own installation's.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "SetupFixture.h"
#include "folders/RegistryStore.h"
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
        RegistryStore windows(world.Registry(), Hive::LocalMachine, std::string(kWindowsRunRoot));
        const std::string valueName(text::Text(res::str::kAppTitle));
        ASSERT_TRUE(
            windows.SetString(kRunServicesKey, valueName, c.programFolder + "tsrn /service"));
        const fs::path plain = world.Root() / "autostart" / "plain.desktop";
        const fs::path quoted = world.Root() / "autostart" / "quoted.desktop";
        WriteFile(plain,
                  "[Desktop Entry]\nType=Application\nExec=" + c.programFolder + "tsrn /service\n");
        WriteFile(quoted, "[Desktop Entry]\nType=Application\nExec=\"" + c.programFolder +
                              "tsrn\" /service\n");

        RemoveAutostart(world.Registry(), world.InstallFolder(), plain);
        RemoveAutostart(world.Registry(), world.InstallFolder(), quoted);

        EXPECT_EQ(windows.GetString(kRunServicesKey, valueName, "").empty(), c.removed);
        EXPECT_EQ(fs::exists(plain), !c.removed);
        EXPECT_EQ(fs::exists(quoted), !c.removed);
    }
}

}  // namespace
}  // namespace tsrn::setup::test
