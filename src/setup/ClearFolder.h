#pragma once

#include <string>

namespace tsrn::setup {

// Deletes every file directly in `folder` (an empty path is refused) (write protection cleared first;
// symbolic links are deleted, never followed) and then the folder itself.
// Subfolders are not entered: a folder holding one keeps it and stays. True
// only when every file went and the folder was removed.
bool ClearFolder(std::string folder);

}  // namespace tsrn::setup
