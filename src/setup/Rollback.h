#pragma once
// Undoing an installation: the registry keys, the driver, the menu folder and
// the files of the install folder. The runtime libraries stay.

#include "platform/Prompter.h"
#include "platform/RegistryDatabase.h"
#include "setup/InstallPaths.h"
#include "setup/InstallState.h"

namespace tsrn::setup {

// Every removal is attempted on its own and none is reported. The install
// folder is emptied only when that is safe (never "/", the home folder or a
// system folder). True when the install folder was emptied and removed.
bool RemoveInstallation(const InstallState& state, const InstallPaths& paths,
                        RegistryDatabase& registry);

// Asks "Interrupt Tessaryn installation ?"; on Yes removes the installation
// and returns true, on No touches nothing and returns false.
bool RollbackInstallation(const InstallState& state, const InstallPaths& paths,
                          RegistryDatabase& registry, Prompter& prompter);

}  // namespace tsrn::setup
