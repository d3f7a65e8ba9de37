#pragma once
// Text rules on folder paths used by the folder list.

#include <string>
#include <string_view>

namespace tsrn::folders {

// 1 when a is an overfolder of b, -1 when a is a subfolder of b, 0 otherwise.
// A plain character-prefix test between paths with different numbers of
// separators ('\' and '/' both count); the prefix need not end at a separator.
int ComparePaths(std::string_view a, std::string_view b);

// The same relation between the folders themselves, when both exist: their
// canonical paths (links resolved) compared name by name, "/" containing
// every other folder. 2 when both are the same folder; 0 when either does
// not exist.
int CompareFolders(std::string_view a, std::string_view b);

// Whether stopping one folder's service matters to a pass over the other:
// either relation says they are, contain or lie inside each other, or one
// is "/".
bool FoldersOverlap(std::string_view a, std::string_view b);

// ASCII letters upper-cased; every other byte unchanged.
std::string UpperCase(std::string_view text);

}  // namespace tsrn::folders
