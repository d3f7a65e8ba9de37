#include "app/AutostartEntry.h"

#include <fstream>
#include <system_error>

#include "platform/Locations.h"

namespace tsrn::app {

AutostartEntry::AutostartEntry() : file_(AutostartEntryFile()) {}

std::string AutostartEntry::QuoteExecArgument(std::string_view argument) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string escaped;
    bool quote = argument.empty();
    for (const char c : argument) {
        if (reserved.find(c) != std::string_view::npos)
            quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            escaped += '\\';
        if (c == '%')
            escaped += '%';  // a literal percent sign is "%%" in Exec
        escaped += c;
    }
    if (!quote)
        return escaped;
    // Inside the desktop file each backslash is itself escaped once more.
    std::string value = "\"";
    for (const char c : escaped) {
        if (c == '\\')
            value += '\\';
        value += c;
    }
    return value + "\"";
}

bool AutostartEntry::Write(std::string_view program, std::string_view argument) {
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    const std::filesystem::path temporary = file_.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Tessaryn\n"
            << "Comment=Starts Tessaryn hidden and locked\n"
            << "Exec=" << QuoteExecArgument(program) << ' ' << QuoteExecArgument(argument) << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        if (!out.flush())
            return false;
    }
    std::filesystem::rename(temporary, file_, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

bool AutostartEntry::Remove() {
    std::error_code error;
    std::filesystem::remove(file_, error);
    return !std::filesystem::exists(file_, error);
}

}  // namespace tsrn::app
