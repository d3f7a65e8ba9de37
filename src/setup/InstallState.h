#pragma once
// What the installer's pages share: the folders and the step counters.

#include <optional>
#include <string>
#include <vector>

#include "platform/SystemRecord.h"
#include "setup/RegistrySnapshot.h"

namespace tsrn::setup {

struct InstallState {
    // From preparation on, unless empty, each folder ends with exactly one '/'.
    std::string installFolder;
    std::string sourceFolder;
    std::string systemFolder;
    int stepCounter = 0;
    int stepTotal = 8;  // the three copy groups (4 + 1 + 2) and the final step
    int busy = 0;       // a step is running; a tick arriving meanwhile does nothing

    // What was there before this installation, taken before its first write,
    // so that undoing a reinstall puts it back.
    std::optional<RegistrySnapshot> registryBefore;
    std::optional<SystemRecord> recordBefore;
    // Each file this installation wrote, with the earlier file it set aside
    // (empty when there was none).
    struct WrittenFile {
        std::string target;
        std::string setAside;
    };
    std::vector<WrittenFile> written;

    // Whether an earlier installation was recorded when this one began.
    bool Reinstall() const { return registryBefore && registryBefore->HeldInstallation(); }
};

// `folder` with exactly one trailing '/' ("/" stays "/"); empty stays empty.
std::string WithTrailingSlash(std::string folder);

}  // namespace tsrn::setup
