#pragma once
// The settings dialog (149): the global protection word, autostart in locked
// mode and what ENTER does on a folder.

#include <cstdint>

#include "app/AutostartEntry.h"
#include "app/ViewPort.h"
#include "registry/RegistryStore.h"

namespace tsrn::app {

// The six check boxes of the dialog.
struct SettingsChecks {
    bool forbidDelete = false;   // 1007, 0x80
    bool forbidWrite = false;    // 1008, 0x20
    bool forbidSearch = false;   // 1009, 0x40
    bool forbidOpen = false;     // 1010, 0x10
    bool autostart = false;      // 1022
    bool enterSwitches = false;  // 1021
};

std::uint32_t GlobalWordFromChecks(const SettingsChecks& checks);

// The registry places the dialog writes: "InstallDir" under the program's
// settings and the autostart value under the system's RunServices key.
struct SettingsStores {
    registry::RegistryStore& program;  // base "SOFTWARE\Tessaryn\"
    registry::RegistryStore& windows;  // base "SOFTWARE\Microsoft\Windows\CurrentVersion\"
    AutostartEntry& desktopEntry;
};

class SettingsLogic {
  public:
    SettingsLogic(ViewPort& view, SettingsStores stores, bool listFileRun);

    // The states the dialog opens with.
    const SettingsChecks& Initial() const { return initial_; }

    // OK: store the word (sent only when it changed), rewrite or remove the
    // autostart value and the desktop entry, store the ENTER setting, and
    // save the settings at once outside a list-file run.
    void Accept(const SettingsChecks& checks);

    // The text of the autostart value: InstallDir + "tsrn /service".
    static std::string AutostartCommand(registry::RegistryStore& program);

  private:
    ViewPort& view_;
    SettingsStores stores_;
    bool listFileRun_;
    std::uint32_t openingWord_;
    SettingsChecks initial_;
};

}  // namespace tsrn::app
