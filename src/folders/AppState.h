#pragma once
// The process-wide state of the main program, in one object handed to whoever
// needs it (tests make fresh ones).

#include <string>

namespace tsrn {

struct AppState {
    std::string CurrentPassword;
    // The password has been handed to the driver in this run. Until then the
    // driver holds every folder as stopped.
    bool KeyLoaded = false;
    bool Unlocked = false;
    bool ListFileMode = false;
    std::string ListFilePath;
    int FailedUnlockCount = 0;
    bool AnyFilesOpen = false;
};

}  // namespace tsrn
