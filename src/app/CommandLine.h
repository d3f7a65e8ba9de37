#pragma once
// The two switches of the program's command line. The whole command line is
// searched as one text; both switches are case-sensitive and count anywhere,
// also inside a longer word ("/services" still selects service mode).

#include <string>
#include <string_view>

namespace tsrn::app {

struct CommandLineSwitches {
    bool service = false;
    bool listFileMode = false;
    std::string listFilePath;  // only meaningful when listFileMode is set
};

// "/use:" names the characters after it up to the first blank or tab, trimmed;
// the run is a list-file run only when that file can be opened for reading.
CommandLineSwitches ParseCommandLine(std::string_view commandLine);

// "--help" (or "-h") and "--version" as whole arguments ask only for text:
// the program prints it and ends before it needs a display.
enum class InfoRequest { None, Help, Version };
InfoRequest RequestedInfo(int argc, const char* const* argv);
std::string UsageText();

// Joins program arguments (without the program name) with blanks, the way
// one command-line text reaches the parser.
std::string JoinArguments(int argc, const char* const* argv);

}  // namespace tsrn::app
