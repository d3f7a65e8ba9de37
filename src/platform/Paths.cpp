#include "platform/Paths.h"

#include <limits.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace tsrn {
namespace {

bool HoldsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

std::vector<std::string_view> SplitNames(std::string_view path) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

std::optional<std::string> FullPath(std::string_view path) {
    if (path.empty() || HoldsNul(path)) {
        return std::nullopt;
    }
    std::string absolute;
    if (path.front() != '/') {
        std::error_code ec;
        absolute = std::filesystem::current_path(ec).string();
        if (ec || absolute.empty()) {
            return std::nullopt;
        }
        absolute += '/';
    }
    absolute += path;

    std::vector<std::string_view> kept;
    for (std::string_view name : SplitNames(absolute)) {
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
            continue;
        }
        kept.push_back(name);
    }
    std::string full;
    for (std::string_view name : kept) {
        full += '/';
        full += name;
    }
    if (full.empty()) {
        full = "/";
    }
    // PATH_MAX counts the terminating NUL.
    if (full.size() >= static_cast<std::size_t>(PATH_MAX)) {
        return std::nullopt;
    }
    return full;
}

std::string ShortPath(std::string_view path) {
    if (path.empty() || HoldsNul(path)) {
        return std::string(path);
    }
    const std::string text(path);
    std::unique_ptr<char, decltype(&free)> resolved(realpath(text.c_str(), nullptr), &free);
    return resolved ? std::string(resolved.get()) : text;
}

}  // namespace tsrn
