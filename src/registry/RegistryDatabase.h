#pragma once
// A typed registry kept in SQLite: one database file per hive in the registry
// directory (system.db for HKEY_LOCAL_MACHINE and its classes subtree, user.db
// for HKEY_CURRENT_USER). Keys are backslash-separated paths compared without
// regard to case (ASCII letters only; other bytes compare exactly), and so are
// value names; values keep their type and exact bytes. Every write is one
// transaction; a second process waits up to a few seconds for the write lock.
// Files are opened on first use and created (0600, directory 0700) by the
// first write only. A database that cannot be read, or that is not ours,
// behaves as an empty registry, writes to it fail, and it is never modified.
// Key paths and value names holding a NUL byte name nothing. One instance
// belongs to one thread.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsrn::registry {

enum class Hive { LocalMachine, CurrentUser, ClassesRoot };

// Win32 type numbers, kept so dumps and tests speak the familiar language.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

struct RegistryValue {
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data;  // REG_SZ data includes its terminating NUL
};

class RegistryDatabase {
  public:
    // $TSRN_REGISTRY_DIR, else $XDG_CONFIG_HOME/tessaryn, else ~/.config/tessaryn.
    static std::filesystem::path DefaultDirectory();

    explicit RegistryDatabase(std::filesystem::path directory);
    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    const std::filesystem::path& Directory() const;
    // The hive files: the "registry files" the folder list protects.
    std::filesystem::path HiveFile(Hive hive) const;

    // Creates the key and every missing key above it.
    [[nodiscard]] bool CreateKey(Hive hive, std::string_view keyPath);
    bool KeyExists(Hive hive, std::string_view keyPath);
    [[nodiscard]] std::optional<RegistryValue> QueryValue(Hive hive, std::string_view keyPath,
                                                          std::string_view name);
    // Creates the key when missing. An existing value keeps the spelling of
    // its name.
    [[nodiscard]] bool SetValue(Hive hive, std::string_view keyPath, std::string_view name,
                                std::uint32_t type, std::span<const std::uint8_t> data);
    // True when the value existed and was removed.
    [[nodiscard]] bool DeleteValue(Hive hive, std::string_view keyPath, std::string_view name);
    // Removes the key with everything below it; true when it existed. A hive's
    // root is never removed.
    [[nodiscard]] bool DeleteKey(Hive hive, std::string_view keyPath);

    // Names in the order they were first created.
    std::vector<std::string> ValueNames(Hive hive, std::string_view keyPath);
    std::vector<std::string> SubKeyNames(Hive hive, std::string_view keyPath);

    // Makes the writes to one hive file, until CommitBatch, a single
    // transaction: other processes see all of them or none, and wait for the
    // write lock meanwhile. Writes inside keep their own results; reads here
    // see them at once. Without CommitBatch (AbandonBatch, or the object's
    // end) they are all undone. Prefer RegistryBatch, which does this by scope.
    // LocalMachine and ClassesRoot share one file, hence one batch.
    [[nodiscard]] bool BeginBatch(Hive hive);
    [[nodiscard]] bool CommitBatch(Hive hive);
    void AbandonBatch(Hive hive);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tsrn::registry
