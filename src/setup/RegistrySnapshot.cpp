#include "setup/RegistrySnapshot.h"

#include "registry/RegistryBatch.h"
#include "registry/RegistryStore.h"
#include "resources/StringTable.h"
#include "setup/RegistryEntries.h"

namespace tsrn::setup {
namespace {

constexpr std::string_view kProgramRoot = "SOFTWARE\\Tessaryn";

std::string UninstallKey() {
    return std::string(kUninstallRoot) +
           std::string(text::setup::Text(res::setup::str::kProductVersionName));
}

}  // namespace

RegistrySnapshot RegistrySnapshot::Take(registry::RegistryDatabase& registry) {
    RegistrySnapshot snapshot;
    for (auto [hive, path] : {std::pair{registry::Hive::LocalMachine, std::string(kProgramRoot)},
                              std::pair{registry::Hive::CurrentUser, std::string(kProgramRoot)},
                              std::pair{registry::Hive::LocalMachine, UninstallKey()}}) {
        snapshot.roots_.push_back({hive, path, Capture(registry, hive, path)});
    }
    registry::RegistryStore program(registry);
    snapshot.installFolder_ = program.GetString(registry::kSettingsKey, "InstallDir", "");
    return snapshot;
}

RegistrySnapshot::Key RegistrySnapshot::Capture(registry::RegistryDatabase& registry,
                                                registry::Hive hive, const std::string& path) {
    Key key;
    key.exists = registry.KeyExists(hive, path);
    if (!key.exists) {
        return key;
    }
    for (const std::string& name : registry.ValueNames(hive, path)) {
        if (auto value = registry.QueryValue(hive, path, name)) {
            key.values.emplace_back(name, std::move(*value));
        }
    }
    for (const std::string& name : registry.SubKeyNames(hive, path)) {
        key.subkeys.emplace_back(name, Capture(registry, hive, path + "\\" + name));
    }
    return key;
}

bool RegistrySnapshot::Write(registry::RegistryDatabase& registry, registry::Hive hive,
                             const std::string& path, const Key& key) {
    bool ok = registry.CreateKey(hive, path);
    for (const auto& [name, value] : key.values) {
        ok = registry.SetValue(hive, path, name, value.type, value.data) && ok;
    }
    for (const auto& [name, subkey] : key.subkeys) {
        ok = Write(registry, hive, path + "\\" + name, subkey) && ok;
    }
    return ok;
}

bool RegistrySnapshot::Restore(registry::RegistryDatabase& registry) const {
    bool ok = true;
    for (registry::Hive file : {registry::Hive::LocalMachine, registry::Hive::CurrentUser}) {
        registry::RegistryBatch batch(registry, file);
        bool written = true;
        for (const Root& root : roots_) {
            if (root.hive != file) {
                continue;
            }
            // False also for a key that was never there; Write below says
            // whether the earlier key came back.
            (void)registry.DeleteKey(root.hive, root.path);
            if (root.key.exists) {
                written = Write(registry, root.hive, root.path, root.key) && written;
            }
        }
        ok = written && batch.Commit() && ok;
    }
    return ok;
}

bool RegistrySnapshot::HeldInstallation() const {
    return (roots_.size() == 3 && roots_[2].key.exists) || !installFolder_.empty();
}

std::string RegistrySnapshot::InstallFolder() const {
    return installFolder_;
}

}  // namespace tsrn::setup
