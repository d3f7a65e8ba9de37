#include "folders/FolderPaths.h"

#include <algorithm>

#include <stdlib.h>

#include <memory>
#include <optional>

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

namespace {

// Whether `inner` is `outer` or lies below it, name by name.
bool Contains(const std::string& outer, const std::string& inner) {
    if (outer == "/") {
        return !inner.empty() && inner.front() == '/';
    }
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
           inner[outer.size()] == '/';
}

// The canonical path of a folder that exists.
std::optional<std::string> Canonical(std::string_view path) {
    const std::string text(path);
    std::unique_ptr<char, decltype(&free)> resolved(realpath(text.c_str(), nullptr), &free);
    if (!resolved) {
        return std::nullopt;
    }
    return std::string(resolved.get());
}

bool IsRoot(std::string_view path) {
    return !path.empty() && path.find_first_not_of('/') == std::string_view::npos;
}

}  // namespace

int CompareFolders(std::string_view a, std::string_view b) {
    const std::optional<std::string> first = Canonical(a);
    const std::optional<std::string> second = Canonical(b);
    if (!first || !second) {
        return 0;
    }
    if (*first == *second) {
        return 2;
    }
    if (Contains(*first, *second)) {
        return 1;
    }
    return Contains(*second, *first) ? -1 : 0;
}

bool FoldersOverlap(std::string_view a, std::string_view b) {
    return IsRoot(a) || IsRoot(b) || ComparePaths(a, b) != 0 || CompareFolders(a, b) != 0;
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
