#pragma once
// Where things live on this system.

#include <filesystem>

namespace tsrn {

// The registry directory (stands for the Windows directory too):
// $TSRN_REGISTRY_DIR, else $XDG_CONFIG_HOME/tessaryn, else ~/.config/tessaryn.
std::filesystem::path RegistryDirectory();
// The system folder, where the driver program lives: $TSRN_SYSTEM_DIR, else
// /usr/local/lib/tessaryn for root, ~/.local/lib/tessaryn for one user.
std::filesystem::path SystemDirectory();
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
