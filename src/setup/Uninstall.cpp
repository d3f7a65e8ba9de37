#include "setup/Uninstall.h"

#include <unistd.h>

#include <system_error>

#include "folders/RegistryStore.h"
#include "setup/FileCopy.h"
#include "setup/InstallFileTable.h"
#include "setup/InstallState.h"
#include "setup/Rollback.h"

namespace tsrn::setup {

std::string InstalledFolder(RegistryDatabase& registry, const std::string& fallback) {
    RegistryStore program(registry);
    std::string folder = program.GetString(kSettingsKey, "InstallDir", "");
    return WithTrailingSlash(folder.empty() ? fallback : folder);
}

bool UninstallProduct(const std::string& installFolder, const InstallPaths& paths,
                      RegistryDatabase& registry) {
    InstallState state;
    state.installFolder = WithTrailingSlash(installFolder);
    state.systemFolder = WithTrailingSlash(paths.systemFolder.string());
    const bool removed = RemoveInstallation(state, paths, registry);
    if (!state.systemFolder.empty()) {
        for (const InstallFile& library : kLibraryFiles) {
            const std::string path = state.systemFolder + std::string(library.targetName);
            ClearWriteProtection(path);
            unlink(path.c_str());
        }
        rmdir(state.systemFolder.c_str());  // only when empty
    }
    return removed;
}

}  // namespace tsrn::setup
