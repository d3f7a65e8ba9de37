#include "folders/FolderPaths.h"

#include <algorithm>

namespace tsrn::folders {

namespace {

std::size_t CountSeparators(std::string_view path) {
    return static_cast<std::size_t>(
        std::count_if(path.begin(), path.end(), [](char c) { return c == '\\' || c == '/'; }));
}

}  // namespace

int ComparePaths(std::string_view a, std::string_view b) {
    if (a == b || CountSeparators(a) == CountSeparators(b)) {
        return 0;
    }
    const std::size_t n = std::min(a.size(), b.size());
    if (a.substr(0, n) != b.substr(0, n)) {
        return 0;
    }
    return n == a.size() ? 1 : -1;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

}  // namespace tsrn::folders
