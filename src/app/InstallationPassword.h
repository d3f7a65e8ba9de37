#pragma once
// The installation password: its check word lives in the installed program
// file, written there by setup.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "registry/RegistryStore.h"

namespace tsrn::app {

inline constexpr std::string_view kProgramFileName = "tsrn";

// "InstallDir" from the settings with a separator at its end; without one the
// install folder an all-users installation recorded, else the folder of the
// running program, else "./".
std::string InstallDirectory(registry::RegistryStore& store);

// Whether any installation was ever recorded for this user: "InstallDir" or
// the all-users record. A program without one (a package's) has no
// installation password to ask for.
bool InstallationRecorded(registry::RegistryStore& store);

// Stores the check word of a password as "pwd".
bool StorePasswordCheckValue(registry::RegistryStore& store, std::string_view password);

// The 16-bit check word stored in "pwd" (REG_BINARY of at most 4 bytes);
// nothing when it cannot be read. All 32 stored bits are returned.
std::optional<std::uint32_t> ReadStoredCheckValue(registry::RegistryStore& store);

// True when the password's check word equals the word in the program file
// "InstallDir"/tsrn, or, when that cannot be read, in ./tsrn.
bool InstallationPasswordMatches(registry::RegistryStore& store, std::string_view password,
                                 const std::filesystem::path& currentDirectory);

}  // namespace tsrn::app
