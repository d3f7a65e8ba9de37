#include "app/CommandLine.h"

#include <fstream>

namespace tsrn::app {
namespace {

constexpr std::string_view kServiceSwitch = "/service";
constexpr std::string_view kUseSwitch = "/use:";

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsWhite(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsWhite(text.back()))
        text.remove_suffix(1);
    return text;
}

bool CanOpenForReading(const std::string& path) {
    std::ifstream file(path);
    return file.is_open();
}

}  // namespace

CommandLineSwitches ParseCommandLine(std::string_view commandLine) {
    CommandLineSwitches switches;
    switches.service = commandLine.find(kServiceSwitch) != std::string_view::npos;

    const auto use = commandLine.find(kUseSwitch);
    if (use == std::string_view::npos)
        return switches;
    std::string_view rest = commandLine.substr(use + kUseSwitch.size());
    const auto end = rest.find_first_of(" \t");
    std::string path(Trim(rest.substr(0, end)));
    if (!path.empty() && CanOpenForReading(path)) {
        switches.listFileMode = true;
        switches.listFilePath = std::move(path);
    }
    return switches;
}

InfoRequest RequestedInfo(int argc, const char* const* argv) {
    InfoRequest request = InfoRequest::None;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return InfoRequest::Help;
        if (arg == "--version")
            request = InfoRequest::Version;
    }
    return request;
}

std::string UsageText() {
    return "Usage: tsrn [/service] [/use:FILE]\n"
           "\n"
           "Keeps chosen folders enciphered in place under one password, served by the\n"
           "tsrnvx driver, from a window that locks and hides in the tray.\n"
           "\n"
           "  /service    start hidden in the tray and locked, without asking for the\n"
           "              password (autostart uses it); the driver gets the password at\n"
           "              the first Unlock\n"
           "  /use:FILE   take the folder list from a list file (the path ends at the\n"
           "              first blank); nothing is saved back at exit\n"
           "  --help      show this help\n"
           "  --version   show the version\n"
           "\n"
           "Holding Shift at start asks for the password even with /service. A second\n"
           "start brings the running window back and ends. File -> Exit ends the\n"
           "program, only while it is unlocked.\n";
}

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace tsrn::app
