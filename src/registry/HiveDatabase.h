#pragma once
// One hive file of the registry database. The file is opened on first use and
// created (mode 0600, its folder 0700) only by the first write. A file that is
// not a registry of ours, or is damaged, reads as empty and is never written.
// Not thread-safe: one instance belongs to one thread.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryDatabase.h"
#include "registry/RegistryKeyPath.h"

struct sqlite3;

namespace tsrn::registry {

class HiveDatabase {
  public:
    explicit HiveDatabase(std::filesystem::path file);
    ~HiveDatabase();
    HiveDatabase(const HiveDatabase&) = delete;
    HiveDatabase& operator=(const HiveDatabase&) = delete;

    const std::filesystem::path& File() const { return file_; }

    [[nodiscard]] bool CreateKey(const RegistryKeyPath& key);
    bool KeyExists(const RegistryKeyPath& key);
    [[nodiscard]] std::optional<RegistryValue> QueryValue(const RegistryKeyPath& key,
                                                          std::string_view name);
    [[nodiscard]] bool SetValue(const RegistryKeyPath& key, std::string_view name,
                                std::uint32_t type, std::span<const std::uint8_t> data);
    [[nodiscard]] bool DeleteValue(const RegistryKeyPath& key, std::string_view name);
    [[nodiscard]] bool DeleteKey(const RegistryKeyPath& key);
    std::vector<std::string> ValueNames(const RegistryKeyPath& key);
    std::vector<std::string> SubKeyNames(const RegistryKeyPath& key);

    // One transaction around every write until CommitBatch or AbandonBatch.
    [[nodiscard]] bool BeginBatch();
    [[nodiscard]] bool CommitBatch();
    void AbandonBatch();

  private:
    [[nodiscard]] sqlite3* OpenForReading();
    // Creates the file when `create` is set and it is missing.
    [[nodiscard]] sqlite3* OpenForWriting(bool create);
    // Runs body(db) inside one write transaction; commits when it returns true.
    template <typename Body>
    [[nodiscard]] bool Write(bool create, Body body);
    [[nodiscard]] bool OpenConnection();
    bool LooksLikeOurs();
    void CloseConnection();
    [[nodiscard]] bool CreateFile();
    // The hive and its journal are the owner's alone, whoever made them.
    void KeepPrivate() const;
    [[nodiscard]] bool EnsureSchema();
    [[nodiscard]] bool InsertKeyChain(const RegistryKeyPath& key);
    // Marks the file damaged when SQLite says it is; true when it did.
    bool NoteDamage(int status);
    std::vector<std::string> Names(std::string_view sql, const std::string& folded);

    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
    bool damaged_ = false;
    bool schemaReady_ = false;
    bool inBatch_ = false;
};

}  // namespace tsrn::registry
