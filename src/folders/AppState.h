#pragma once
// The process-wide state of the main program, in one object handed to whoever
// needs it (tests make fresh ones).

#include <string>

namespace tsrn::folders {

struct AppState {
    std::string currentPassword;
    // The password has been handed to the driver in this run. Until then the
    // driver holds every folder as stopped.
    bool keyLoaded = false;
    bool unlocked = false;
    bool listFileMode = false;
    std::string listFilePath;
    int failedUnlockCount = 0;
    bool anyFilesOpen = false;
};

}  // namespace tsrn::folders
