#include "setup/InstallPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Locations.h"
#include "platform/SystemRecord.h"
#include "registry/RegistryDatabase.h"

namespace tsrn::setup {
namespace {

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

// Root's entries are every user's: the system's data folder unless
// $XDG_DATA_HOME names another one.
std::filesystem::path DataHome(const std::filesystem::path& home, bool allUsers) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return data;
    }
    return allUsers ? std::filesystem::path("/usr/local/share") : home / ".local" / "share";
}

}  // namespace

InstallPaths InstallPaths::FromEnvironment() {
    InstallPaths paths;
    paths.homeFolder = HomeFolder();
    paths.systemFolder = SystemDirectory();
    paths.allUsers = geteuid() == 0;
    paths.systemRecordFile = SystemRecordFile();
    paths.applicationsFolder = DataHome(paths.homeFolder, paths.allUsers) / "applications";
    paths.registryFolder = registry::RegistryDatabase::DefaultDirectory();
    return paths;
}

std::filesystem::path DefaultInstallFolder() {
    if (geteuid() == 0) {
        return "/opt/tessaryn";
    }
    return HomeFolder() / ".local" / "opt" / "tessaryn";
}

}  // namespace tsrn::setup
