#pragma once
// The registry keys an installation changes, kept as they were before it
// touched them, so that undoing a reinstall puts back the earlier
// installation's settings and folder list instead of deleting them.

#include <string>
#include <utility>
#include <vector>

#include "registry/RegistryDatabase.h"

namespace tsrn::setup {

class RegistrySnapshot {
  public:
    // Both hives' SOFTWARE\Tessaryn and the uninstall key, with everything below.
    static RegistrySnapshot Take(registry::RegistryDatabase& registry);

    // Each key exactly as it was (gone when it did not exist), one
    // transaction per hive file. True when every write succeeded.
    [[nodiscard]] bool Restore(registry::RegistryDatabase& registry) const;

    // Whether an installation was recorded: the uninstall key or "InstallDir".
    bool HeldInstallation() const;
    // The earlier "InstallDir", empty when there was none.
    std::string InstallFolder() const;

  private:
    struct Key {
        bool exists = false;
        std::vector<std::pair<std::string, registry::RegistryValue>> values;
        std::vector<std::pair<std::string, Key>> subkeys;
    };
    struct Root {
        registry::Hive hive;
        std::string path;
        Key key;
    };
    static Key Capture(registry::RegistryDatabase& registry, registry::Hive hive,
                       const std::string& path);
    [[nodiscard]] static bool Write(registry::RegistryDatabase& registry, registry::Hive hive,
                                    const std::string& path, const Key& key);

    std::vector<Root> roots_;
    std::string installFolder_;
};

}  // namespace tsrn::setup
