#pragma once
// What the installer's pages share: the folders and the step counters.

#include <string>

namespace tsrn::setup {

struct InstallState {
    // From preparation on, unless empty, each folder ends with exactly one '/'.
    std::string installFolder;
    std::string sourceFolder;
    std::string systemFolder;
    int stepCounter = 0;
    int stepTotal = 8;  // the three copy groups (4 + 1 + 2) and the final step
    int busy = 0;       // a step is running; a tick arriving meanwhile does nothing
};

// `folder` with exactly one trailing '/' ("/" stays "/"); empty stays empty.
std::string WithTrailingSlash(std::string folder);

}  // namespace tsrn::setup
