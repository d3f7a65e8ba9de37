#pragma once
// The places an installation writes to besides the install folder, taken from
// the environment once so that tests can point every one of them elsewhere.

#include <filesystem>

namespace tsrn::setup {

struct InstallPaths {
    std::filesystem::path systemFolder;        // the driver and the runtime libraries
    std::filesystem::path applicationsFolder;  // the desktop's menu entries
    std::filesystem::path homeFolder;
    std::filesystem::path registryFolder;
    // An installation for every user (setup run as root): it leaves the
    // system record for the other users' programs and its menu entries go
    // to the system's applications folder.
    bool allUsers = false;
    std::filesystem::path systemRecordFile;

    static InstallPaths FromEnvironment();
};

// /opt/tessaryn for root, ~/.local/opt/tessaryn for one user.
std::filesystem::path DefaultInstallFolder();

}  // namespace tsrn::setup
