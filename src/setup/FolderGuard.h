#pragma once
// Emptying an install folder deletes every file in it, so a mistyped folder
// such as the home folder, /usr/bin or / must never be taken as one.

#include <string>

#include "registry/RegistryDatabase.h"
#include "setup/InstallPaths.h"

namespace tsrn::setup {

enum class FolderVerdict {
    Accepted,
    Empty,       // no folder given
    Unsafe,      // "/", the home folder or a system folder
    NotAFolder,  // exists but is no folder
    NotEmpty,    // holds files that are not an earlier installation
};

struct FolderCheck {
    FolderVerdict verdict = FolderVerdict::Empty;
    std::string folder;  // absolute, for an accepted folder
};

// Whether emptying `folder` can never destroy the system or the user's files.
[[nodiscard]] bool IsFolderSafeToEmpty(const std::string& folder, const InstallPaths& paths);

// Whether `folder` holds an installation of ours, by what it is, never by a
// file name: its main program carries our version note, or the registry's
// uninstall key names its uninstaller.
bool HoldsEarlierInstallation(const std::string& folder, registry::RegistryDatabase& registry);

// The install folder as typed: accepted when it does not exist yet, is empty
// or holds an earlier installation, and is safe to empty.
FolderCheck CheckInstallFolder(const std::string& typed, const InstallPaths& paths,
                               registry::RegistryDatabase& registry);

// The text telling the user why a folder was refused (the folder is an
// argument), and its id in the installer's table.
std::string RefusalText(FolderVerdict verdict, const std::string& folder);
int RefusalTextId(FolderVerdict verdict);

}  // namespace tsrn::setup
