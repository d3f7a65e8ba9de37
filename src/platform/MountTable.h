#pragma once
// The folders Tessaryn drivers serve now, from the kernel's mount table
// (/proc/self/mountinfo): a bulk run must never go through one of them.

#include <string>
#include <string_view>
#include <vector>

namespace tsrn {

// The mount points of Tessaryn driver mounts in a mountinfo text, octal
// escapes decoded; malformed lines are passed over.
std::vector<std::string> ServedFoldersIn(std::string_view mountinfo);
// Those of this process's mount namespace now (none when it cannot be read).
std::vector<std::string> ServedFolders();

}  // namespace tsrn
