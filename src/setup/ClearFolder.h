#pragma once

#include <string>

namespace tsrn::setup {

// Deletes every file directly in `folder` (write protection cleared first;
// symbolic links are deleted, never followed), then the folder itself.
// Subfolders are not entered: a folder holding one keeps it and stays. True
// only when every file went and the folder was removed. An empty path is
// refused, never taken as the current directory.
[[nodiscard]] bool ClearFolder(std::string folder);

}  // namespace tsrn::setup
