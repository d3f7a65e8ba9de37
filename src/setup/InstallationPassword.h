#pragma once
// The installation password is never stored: only the low 16 bits of its
// check value go into the registry value "pwd" and into the installed program
// file, where the main program compares them when "pwd" is missing. Over an
// earlier installation the password in force ("pwd") is kept unless the user
// chose to replace it: the folders enciphered so far stay under it.

#include <string>
#include <string_view>

#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"

namespace tsrn::setup {

// Whether "pwd" holds a password check value now.
bool PasswordInForce(registry::RegistryDatabase& registry);

// Asks the plain warning before a password in force is replaced; true only
// when the user answered Yes (No is the default).
[[nodiscard]] bool ConfirmReplacingPassword(Prompter& prompter);

// Writes the program file's word, and "pwd" unless `keepPasswordInForce` and
// one is there; the registry first, its failure does not stop the file write.
// True only when every write made was made. A password longer than 252 bytes
// (no key can be derived from it) is refused: nothing is written.
[[nodiscard]] bool StoreInstallationPassword(std::string_view password,
                                             const std::string& installFolder,
                                             registry::RegistryDatabase& registry,
                                             bool keepPasswordInForce = false);

}  // namespace tsrn::setup
