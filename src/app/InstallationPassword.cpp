#include "app/InstallationPassword.h"

#include <array>
#include <cstdint>

#include "checkword/ProgramCheckWord.h"
#include "crypto/KeyDerivation.h"
#include "platform/Locations.h"
#include "platform/SystemRecord.h"

namespace tsrn::app {

namespace {

std::string DefaultInstallDirectory() {
    if (const auto record = ReadSystemRecord(SystemRecordFile()))
        return record->installFolder;
    const std::filesystem::path program = ProgramFolder();
    return program.empty() ? std::string("./") : program.string();
}

}  // namespace

bool InstallationRecorded(registry::RegistryStore& store) {
    return !store.GetString(registry::kSettingsKey, "InstallDir", "").empty() ||
           ReadSystemRecord(SystemRecordFile()).has_value();
}

bool StorePasswordCheckValue(registry::RegistryStore& store, std::string_view password) {
    const std::uint16_t word = crypto::StoredCheckWord(password);
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8), 0, 0};
    return store.SetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size());
}

std::string InstallDirectory(registry::RegistryStore& store) {
    std::string dir = store.GetString(registry::kSettingsKey, "InstallDir", "");
    if (dir.empty())
        dir = DefaultInstallDirectory();
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\')
        dir += '/';
    return dir;
}

std::optional<std::uint32_t> ReadStoredCheckValue(registry::RegistryStore& store) {
    std::array<std::uint8_t, 4> bytes{};
    if (!store.GetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size()))
        return std::nullopt;
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool InstallationPasswordMatches(registry::RegistryStore& store, std::string_view password,
                                 const std::filesystem::path& currentDirectory) {
    auto word = ReadProgramCheckWord(InstallDirectory(store) + std::string(kProgramFileName));
    if (!word)
        word = ReadProgramCheckWord(currentDirectory / std::string(kProgramFileName));
    return word && *word == crypto::StoredCheckWord(password);
}

}  // namespace tsrn::app
