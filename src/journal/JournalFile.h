#pragma once
// The journal's file on disk: appends and flushes, and removal that is
// itself on disk before it returns.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tsrn::journal {

class JournalFile {
  public:
    JournalFile() = default;
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // A new journal in `dir` (created 0700 when missing) holding `firstBytes`,
    // flushed together with its directory entry.
    bool Create(const std::filesystem::path& dir, const std::vector<std::uint8_t>& firstBytes,
                std::string& error);
    // The same under the fixed name `name`; fails when a file of that name exists.
    bool CreateNamed(const std::filesystem::path& dir, const std::string& name,
                     const std::vector<std::uint8_t>& firstBytes, std::string& error);
    // An existing journal, cut back to its first `validBytes` so new records
    // follow the last whole one.
    bool Reopen(const std::filesystem::path& path, std::uint64_t validBytes, std::string& error);

    // Appends and flushes (fdatasync) in one go.
    bool Commit(const std::vector<std::uint8_t>& bytes, std::string& error);
    // Unlinks the journal and flushes its folder.
    bool Remove(std::string& error);

    const std::filesystem::path& Path() const { return path_; }
    bool IsOpen() const { return fd_ >= 0; }

  private:
    bool WriteAll(const std::vector<std::uint8_t>& bytes, std::string& error);
    bool CreateIn(const std::filesystem::path& dir, const std::string& fixedName,
                  const std::vector<std::uint8_t>& firstBytes, std::string& error);
    bool LinkUnnamed(const std::filesystem::path& dir, const std::string& fixedName);
    void Close();

    int fd_ = -1;
    std::filesystem::path path_;
};

// Reads a whole journal file.
bool ReadJournalBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                      std::string& error);
// Flushes a folder so a file created or removed in it stays so.
bool SyncDirectory(const std::filesystem::path& dir, std::string& error);

}  // namespace tsrn::journal
