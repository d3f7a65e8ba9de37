#pragma once
// Where things live on this system.

#include <filesystem>
#include <optional>

#include "platform/SystemRecord.h"

namespace tsrn {

// The registry directory (stands for the Windows directory too):
// $TSRN_REGISTRY_DIR, else $XDG_CONFIG_HOME/tessaryn, else ~/.config/tessaryn.
std::filesystem::path RegistryDirectory();
// The system folder, where the driver program lives: $TSRN_SYSTEM_DIR, else
// /usr/local/lib/tessaryn for root, ~/.local/lib/tessaryn for one user.
std::filesystem::path SystemDirectory();
// Where the running program finds its driver: $TSRN_SYSTEM_DIR, else the
// folder DriverDirectoryFor picks for the folder of this process's program.
std::filesystem::path DriverDirectory();
// The system folder an all-users installation recorded when `programFolder`
// is its install folder; else ../lib/tessaryn beside the program when it
// holds the driver (the package's layout); else SystemDirectory().
std::filesystem::path DriverDirectoryFor(const std::filesystem::path& programFolder,
                                         const std::optional<SystemRecord>& record);
// The folder of this process's program file; empty when it cannot be read.
std::filesystem::path ProgramFolder();
// The user's configuration directory: $XDG_CONFIG_HOME when absolute, else
// ~/.config (the desktop's autostart entries live below it).
std::filesystem::path ConfigDirectory();
// The program's freedesktop autostart entry, shared by the program that writes
// it and the uninstaller that removes it.
std::filesystem::path AutostartEntryFile();
// Run journals and other state: $TSRN_STATE_DIR, else $XDG_STATE_HOME/tessaryn,
// else ~/.local/state/tessaryn.
std::filesystem::path StateDirectory();

}  // namespace tsrn
