#pragma once
// The registry values an installation writes and the keys its removal deletes.

#include <cstdint>
#include <string>
#include <string_view>

#include "registry/RegistryDatabase.h"
#include "resources/Version.h"

namespace tsrn::setup {

inline constexpr std::string_view kUninstallRoot =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The registry value "version": major.minor, as earlier installations wrote it.
inline constexpr std::string_view kProductVersion = TSRN_PRODUCT_VERSION_TEXT;

// The uninstall key (DisplayName, UninstallString) and the settings values
// "InstallDir" and "version". Every write is attempted; true when all succeeded.
[[nodiscard]] bool WriteInstallEntries(registry::RegistryDatabase& registry,
                                       const std::string& installFolder);

// "pwd": the 16-bit check word as 4 bytes, little-endian, high half zero.
[[nodiscard]] bool WritePasswordCheckWord(registry::RegistryDatabase& registry, std::uint16_t word);

// Both hives' program keys and the uninstall key, each attempted on its own.
void DeleteInstallEntries(registry::RegistryDatabase& registry);

}  // namespace tsrn::setup
