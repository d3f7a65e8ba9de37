#include "platform/MountTable.h"

#include <fstream>
#include <sstream>

namespace tsrn {

namespace {

constexpr std::string_view kDriverType = "fuse.tsrnvx";

// The kernel writes space, tab, newline and backslash as \ooo.
std::string Decoded(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = line.find(' ', at);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        if (stop > at) {
            fields.push_back(line.substr(at, stop - at));
        }
        at = stop + 1;
    }
    return fields;
}

}  // namespace

std::vector<std::string> ServedFoldersIn(std::string_view mountinfo) {
    std::vector<std::string> served;
    while (!mountinfo.empty()) {
        const std::size_t end = mountinfo.find('\n');
        const std::string_view line = mountinfo.substr(0, end);
        mountinfo = end == std::string_view::npos ? std::string_view() : mountinfo.substr(end + 1);
        // id parent major:minor root mount-point options [optional...] - type source ...
        const std::vector<std::string_view> fields = Fields(line);
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") {
            ++dash;
        }
        if (fields.size() < 6 || dash + 1 >= fields.size()) {
            continue;
        }
        if (fields[dash + 1] == kDriverType) {
            served.push_back(Decoded(fields[4]));
        }
    }
    return served;
}

std::vector<std::string> ServedFolders() {
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream text;
    text << in.rdbuf();
    return ServedFoldersIn(text.str());
}

}  // namespace tsrn
