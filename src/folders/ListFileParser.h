#pragma once
// The folder list file: a "[pathes]" section of "path=" lines.
//
//   [pathes]
//   path=/home/me/Documents
//   path=/srv/reports
//
// The file is read like a C text stream: CR LF and LF end a line, and a line
// is taken in pieces of at most 499 bytes, so the rest of a longer line counts
// as a line of its own. A piece ends at its first NUL byte.

#include <string>
#include <string_view>
#include <vector>

namespace tsrn::folders {

inline constexpr std::size_t kListFileLineBuffer = 500;

// The folder names of the file, in file order, as written (not yet made
// absolute). Duplicates stay.
std::vector<std::string> ParseListFile(std::string_view bytes);

}  // namespace tsrn::folders
