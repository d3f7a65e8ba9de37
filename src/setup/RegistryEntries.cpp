#include "setup/RegistryEntries.h"

#include <array>

#include "registry/RegistryStore.h"
#include "resources/StringTable.h"
#include "setup/InstallFileTable.h"

namespace tsrn::setup {
namespace {

constexpr std::string_view kInstallDirValue = "InstallDir";
constexpr std::string_view kVersionValue = "version";
constexpr std::string_view kPasswordValue = "pwd";

std::string UninstallSubkey() {
    return std::string(text::setup::Text(res::setup::str::kProductVersionName)) + "\\";
}

}  // namespace

bool WriteInstallEntries(registry::RegistryDatabase& registry, const std::string& installFolder) {
    registry::RegistryStore uninstall(registry, registry::Hive::LocalMachine,
                                      std::string(kUninstallRoot));
    registry::RegistryStore program(registry);
    const std::string subkey = UninstallSubkey();
    bool ok = uninstall.SetString(subkey, "DisplayName",
                                  text::setup::Text(res::setup::str::kProductVersionName));
    ok =
        uninstall.SetString(subkey, "UninstallString", installFolder + std::string(kRemover)) && ok;
    ok = program.SetString(registry::kSettingsKey, kInstallDirValue, installFolder) && ok;
    ok = program.SetString(registry::kSettingsKey, kVersionValue, kProductVersion) && ok;
    return ok;
}

bool WritePasswordCheckWord(registry::RegistryDatabase& registry, std::uint16_t word) {
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8), 0, 0};
    registry::RegistryStore program(registry);
    return program.SetBinary(registry::kSettingsKey, kPasswordValue, bytes.data(), bytes.size());
}

// DeleteKey is false too for a key that was never written: each goes if it is there.
void DeleteInstallEntries(registry::RegistryDatabase& registry) {
    (void)registry.DeleteKey(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn");
    (void)registry.DeleteKey(registry::Hive::CurrentUser, "SOFTWARE\\Tessaryn");
    const std::string product(text::setup::Text(res::setup::str::kProductVersionName));
    if (!product.empty()) {
        (void)registry.DeleteKey(registry::Hive::LocalMachine,
                                 std::string(kUninstallRoot) + product);
    }
}

}  // namespace tsrn::setup
