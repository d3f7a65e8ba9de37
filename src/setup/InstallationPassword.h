#pragma once
// The installation password is never stored: only the low 16 bits of its
// check value go into the registry value "pwd" and into the installed program
// file, where the main program compares them when "pwd" is missing.

#include <string>
#include <string_view>

#include "platform/RegistryDatabase.h"

namespace tsrn::setup {

// Writes the registry value first; its failure does not stop the file write.
// True only when both were written. A password longer than 252 bytes (no key
// can be derived from it) is refused: nothing is written.
bool StoreInstallationPassword(std::string_view password, const std::string& installFolder,
                               RegistryDatabase& registry);

}  // namespace tsrn::setup
