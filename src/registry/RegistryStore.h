#pragma once
// Value access under one base key (normally HKLM "SOFTWARE\Tessaryn\"; the
// autostart value uses "SOFTWARE\Microsoft\Windows\CurrentVersion\"). Reads
// fall back to defaults and never report; writes return false on failure.
// Texts are read as through a 260-byte buffer: a value longer than 260 bytes,
// or whose text (up to its first NUL) is longer than 259 characters, reads as
// missing; the value's type is not examined. Reads create no keys.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry/RegistryDatabase.h"

namespace tsrn::registry {

inline constexpr std::string_view kStorageRoot = "SOFTWARE\\Tessaryn\\";
inline constexpr std::string_view kWindowsRunRoot =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
inline constexpr std::string_view kSettingsKey = "settings\\";
inline constexpr std::string_view kPathKey = "path\\";
inline constexpr std::string_view kRunServicesKey = "RunServices\\";
// Strings longer than this many characters (without the NUL) read as missing.
inline constexpr std::size_t kMaxStringLength = 259;

class RegistryStore {
  public:
    RegistryStore(RegistryDatabase& database, Hive hive = Hive::LocalMachine,
                  std::string base = std::string(kStorageRoot));

    std::string GetString(std::string_view subkey, std::string_view name,
                          std::string_view defaultText);
    bool ReadString(std::string_view subkey, std::string_view name, std::string& out,
                    std::string_view defaultText);
    bool GetBinary(std::string_view subkey, std::string_view name, std::uint8_t* out,
                   std::size_t capacity);
    int GetInt(std::string_view subkey, std::string_view name, int defaultValue);
    bool SetString(std::string_view subkey, std::string_view name, std::string_view text);
    bool SetInt(std::string_view subkey, std::string_view name, int value);
    bool SetBinary(std::string_view subkey, std::string_view name, const std::uint8_t* bytes,
                   std::size_t length);
    bool DeleteValue(std::string_view subkey, std::string_view name);

    RegistryDatabase& Database() { return database_; }
    Hive StoreHive() const { return hive_; }

  private:
    RegistryDatabase& database_;
    Hive hive_;
    std::string base_;
};

// Decimal text to integer as the stored integers are read: leading white space
// and one sign skipped, digits up to the first non-digit, 0 without a number.
// A number beyond the int range gives INT_MAX or INT_MIN.
int DecimalToInt(std::string_view text);

}  // namespace tsrn::registry
