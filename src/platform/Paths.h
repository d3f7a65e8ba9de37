#pragma once
// Path forms the folder list needs.

#include <optional>
#include <string>
#include <string_view>

namespace tsrn {

// Absolute path from the current directory with "." and ".." resolved as text;
// no existence check. Only "/" separates names (a backslash is an ordinary
// byte here); doubled and trailing slashes go. Nothing for an empty path, a
// path holding a NUL, or a result that would not fit in PATH_MAX.
std::optional<std::string> FullPath(std::string_view path);

// The canonical path (symbolic links resolved) when the folder exists, else
// the path unchanged. Stands for the 8.3 short path of other systems.
std::string ShortPath(std::string_view path);

}  // namespace tsrn
