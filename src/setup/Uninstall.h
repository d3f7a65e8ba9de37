#pragma once
// What the uninstaller does once the user has confirmed: the rollback's
// removals, and besides them the two runtime libraries (nothing but our own
// programs loads them) and the system folder when it is left empty.

#include <string>

#include "platform/RegistryDatabase.h"
#include "setup/InstallPaths.h"

namespace tsrn::setup {

// The install folder the registry records ("InstallDir"), else `fallback`.
std::string InstalledFolder(RegistryDatabase& registry, const std::string& fallback);

// True when the install folder was emptied and removed.
bool UninstallProduct(const std::string& installFolder, const InstallPaths& paths,
                      RegistryDatabase& registry);

}  // namespace tsrn::setup
