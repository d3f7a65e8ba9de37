#pragma once
// Path forms the folder list needs.

#include <optional>
#include <string>
#include <string_view>

namespace tsrn {

// Absolute path from the current directory with "." and ".." resolved as text;
// no existence check. Nothing when the result would exceed PATH_MAX.
std::optional<std::string> FullPath(std::string_view path);

// The canonical path (symbolic links resolved) when the folder exists, else
// the path unchanged. Stands for the 8.3 short path of other systems.
std::string ShortPath(std::string_view path);

}  // namespace tsrn
