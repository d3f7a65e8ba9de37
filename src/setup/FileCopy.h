#pragma once
// Copying one installation file: the target's write protection is cleared and
// the target deleted first, then the source's bytes and mode are copied.

#include <string>

namespace tsrn::setup {

// Adds the owner's write bit to a regular file; symbolic links are left alone.
void ClearWriteProtection(const std::string& path);

// True when the target now holds the source's bytes with the source's mode.
[[nodiscard]] bool CopyInstallFile(const std::string& source, const std::string& target);

}  // namespace tsrn::setup
