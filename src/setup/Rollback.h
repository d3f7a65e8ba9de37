#pragma once
// Undoing an installation. A first installation is removed: the registry
// keys, the driver, the menu folder and the files of the install folder (the
// runtime libraries stay). A reinstall is taken back instead: the files it
// replaced, the registry keys, the system record and the menu entries of the
// earlier installation are put back as they were.

#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"
#include "setup/InstallPaths.h"
#include "setup/InstallState.h"

namespace tsrn::setup {

// Every removal is attempted on its own and none is reported. The install
// folder is emptied only when that is safe (never "/", the home folder or a
// system folder). True when the install folder was emptied and removed.
[[nodiscard]] bool RemoveInstallation(const InstallState& state, const InstallPaths& paths,
                                      registry::RegistryDatabase& registry);

// A reinstall: the earlier files, registry keys, system record and menu
// entries back. True when the registry keys were restored.
[[nodiscard]] bool RestoreEarlierInstallation(const InstallState& state, const InstallPaths& paths,
                                              registry::RegistryDatabase& registry);

// RestoreEarlierInstallation for a reinstall, RemoveInstallation otherwise.
[[nodiscard]] bool UndoInstallation(const InstallState& state, const InstallPaths& paths,
                                    registry::RegistryDatabase& registry);

// After a successful installation: deletes the earlier files a reinstall set
// aside.
void DiscardSetAsideFiles(const InstallState& state);

// Asks "Interrupt Tessaryn installation ?"; on Yes undoes the installation
// and returns true, on No touches nothing and returns false.
[[nodiscard]] bool RollbackInstallation(const InstallState& state, const InstallPaths& paths,
                                        registry::RegistryDatabase& registry, Prompter& prompter);

}  // namespace tsrn::setup
