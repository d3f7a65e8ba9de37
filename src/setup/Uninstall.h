#pragma once
// What the uninstaller does once the user has confirmed: the rollback's
// removals, and besides them the two runtime libraries (nothing but our own
// programs loads them) and the system folder when it is left empty.

#include <filesystem>
#include <string>

#include "registry/RegistryDatabase.h"
#include "setup/InstallPaths.h"

namespace tsrn::setup {

// The install folder the registry records ("InstallDir"), else `fallback`.
std::string InstalledFolder(registry::RegistryDatabase& registry, const std::string& fallback);

// Takes back the autostart the program's settings may have set up: the
// RunServices value and the desktop entry `entryFile`, each only when it starts
// a program of `installFolder` (another installation's is left alone). True
// when either was removed.
[[nodiscard]] bool RemoveAutostart(registry::RegistryDatabase& registry,
                                   const std::string& installFolder,
                                   const std::filesystem::path& entryFile);

struct UninstallReport {
    std::string installFolder;
    bool folderRemoved = false;  // the install folder was emptied and removed
    bool autostartRemoved = false;
    std::string autostartEntry;
};

UninstallReport UninstallProduct(const std::string& installFolder, const InstallPaths& paths,
                                 registry::RegistryDatabase& registry);

// What the uninstaller tells the user it did.
std::string UninstallReportText(const UninstallReport& report);

}  // namespace tsrn::setup
