#include "app/SettingsLogic.h"

#include <filesystem>
#include <system_error>

#include "app/AppIds.h"
#include "app/InstallationPassword.h"
#include "driver/FolderState.h"
#include "resources/StringTable.h"

namespace tsrn::app {
namespace {

using driver::folder_state::kForbidDelete;
using driver::folder_state::kForbidOpen;
using driver::folder_state::kForbidSearch;
using driver::folder_state::kForbidWrite;
constexpr std::string_view kServiceArgument = "/service";

std::string AutostartValueName() {
    return std::string(text::Text(ids::kTextProductName));
}

}  // namespace

std::uint32_t GlobalWordFromChecks(const SettingsChecks& checks) {
    std::uint32_t word = 0;
    if (checks.forbidDelete)
        word |= kForbidDelete;
    if (checks.forbidSearch)
        word |= kForbidSearch;
    if (checks.forbidWrite)
        word |= kForbidWrite;
    if (checks.forbidOpen)
        word |= kForbidOpen;
    return word;
}

SettingsLogic::SettingsLogic(ViewPort& view, SettingsStores stores, bool listFileRun)
    : view_(view),
      stores_(stores),
      listFileRun_(listFileRun),
      openingWord_(view.GlobalProtection()) {
    initial_.forbidDelete = (openingWord_ & kForbidDelete) != 0;
    initial_.forbidSearch = (openingWord_ & kForbidSearch) != 0;
    initial_.forbidWrite = (openingWord_ & kForbidWrite) != 0;
    initial_.forbidOpen = (openingWord_ & kForbidOpen) != 0;
    initial_.enterSwitches = view.EnterAction() == 1;
    initial_.autostart =
        !stores_.windows.GetString(registry::kRunServicesKey, AutostartValueName(), "").empty();
}

std::string SettingsLogic::AutostartCommand(registry::RegistryStore& program) {
    return InstallDirectory(program) + std::string(kProgramFileName) + " " +
           std::string(kServiceArgument);
}

void SettingsLogic::Accept(const SettingsChecks& checks) {
    const std::uint32_t word = GlobalWordFromChecks(checks);
    view_.SetGlobalProtection(word);
    if (word != openingWord_)
        view_.SendGlobalProtection();

    // Written or removed on every OK, whether or not the box changed.
    if (checks.autostart) {
        const std::string program =
            InstallDirectory(stores_.program) + std::string(kProgramFileName);
        stores_.windows.SetString(registry::kRunServicesKey, AutostartValueName(),
                                  program + " " + std::string(kServiceArgument));
        // The desktop starts entries from the home folder: give it a full path.
        std::error_code error;
        const auto absolute = std::filesystem::absolute(program, error);
        stores_.desktopEntry.Write(error ? program : absolute.string(), kServiceArgument);
    } else {
        stores_.windows.DeleteValue(registry::kRunServicesKey, AutostartValueName());
        stores_.desktopEntry.Remove();
    }

    view_.SetEnterAction(checks.enterSwitches ? 1 : 0);
    // Saved now, so a session end or a crash cannot lose them.
    if (!listFileRun_)
        view_.SaveSettings();
}

}  // namespace tsrn::app
