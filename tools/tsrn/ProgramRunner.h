#pragma once
// The whole program after QApplication exists: start-up, the main window
// shown unlocked or hidden and locked, and the event loop.

#include <string>

namespace tsrn::app {

// The process's exit status.
int RunProgram(const std::string& commandLine);

}  // namespace tsrn::app
