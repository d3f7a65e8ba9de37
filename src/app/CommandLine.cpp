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
