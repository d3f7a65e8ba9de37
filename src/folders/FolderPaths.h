#pragma once
// Text rules on folder paths used by the folder list.

#include <string>
#include <string_view>

namespace tsrn::folders {

// 1 when a is an overfolder of b, -1 when a is a subfolder of b, 0 otherwise.
// A plain character-prefix test between paths with different numbers of
// separators ('\' and '/' both count); the prefix need not end at a separator.
int ComparePaths(std::string_view a, std::string_view b);

// ASCII letters upper-cased; every other byte unchanged.
std::string UpperCase(std::string_view text);

}  // namespace tsrn::folders
