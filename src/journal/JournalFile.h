#pragma once
// The journal's file on disk: appends and flushes, and removal that is
// itself on disk before it returns.
//
// The file is kept longer than its records, with zeros after them (a
// reader stops at the first bytes that are no whole record). Records are
// written over those zeros: a flush then has only data to write, not the
// file's new length, so it needs no commit of the file system's own
// journal. On ext4 that halves a flush when the disk is quiet, and keeps it
// from waiting for every other program's pending metadata when it is not.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

namespace tsrn::journal {

class JournalFile {
  public:
    JournalFile() = default;
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // A new journal in `dir` (created 0700 when missing) holding `firstBytes`,
    // flushed together with its directory entry.
    [[nodiscard]] bool Create(const std::filesystem::path& dir,
                              const std::vector<std::uint8_t>& firstBytes, std::string& error);
    // The same under the fixed name `name`; fails when a file of that name exists.
    [[nodiscard]] bool CreateNamed(const std::filesystem::path& dir, const std::string& name,
                                   const std::vector<std::uint8_t>& firstBytes, std::string& error);
    // An existing journal, cut back to its first `validBytes` so new records
    // follow the last whole one.
    [[nodiscard]] bool Reopen(const std::filesystem::path& path, std::uint64_t validBytes,
                              std::string& error);

    // Appends and flushes (fdatasync) in one go; now and then it first
    // lengthens the zeros after the records, to at least `reserve` bytes
    // (records to come soon: their flushes then stay short).
    [[nodiscard]] bool Commit(const std::vector<std::uint8_t>& bytes, std::string& error,
                              std::uint64_t reserve = 0);
    // Lengthens the zeros after the records to at least `bytes` and flushes,
    // unless they are that long already: room made ahead of the flushes
    // that will use it, while other work goes on.
    [[nodiscard]] bool MakeRoom(std::uint64_t bytes, std::string& error);
    // Unlinks the journal and flushes its folder.
    [[nodiscard]] bool Remove(std::string& error);

    const std::filesystem::path& Path() const { return path_; }
    bool IsOpen() const { return fd_ >= 0; }

  private:
    // Zeros kept after the records: at least this, twice as many each time
    // they run out, at most this many more at once.
    static constexpr std::uint64_t kFirstZeros = 64u << 10;
    static constexpr std::uint64_t kLargestGrowth = 16u << 20;

    [[nodiscard]] bool WriteAt(const std::uint8_t* data, std::size_t length, std::uint64_t offset,
                               std::string& error);
    [[nodiscard]] bool WriteZeros(std::uint64_t from, std::uint64_t to, std::string& error);
    [[nodiscard]] bool Flush(std::string& error);
    [[nodiscard]] bool RequireOpen(std::string& error) const;
    [[nodiscard]] bool CreateIn(const std::filesystem::path& dir, const std::string& fixedName,
                                const std::vector<std::uint8_t>& firstBytes, std::string& error);
    [[nodiscard]] bool LinkUnnamed(const std::filesystem::path& dir, const std::string& fixedName);
    void Close();

    int fd_ = -1;
    std::filesystem::path path_;
    std::uint64_t end_ = 0;     // the records' end
    std::uint64_t length_ = 0;  // the file's length, records and zeros, on disk
};

// Opens a file a run touches (`flags`: O_RDONLY or O_RDWR) never through a
// link, never blocking (it may have become a FIFO), never as a terminal,
// and leaving its access time alone where the owner may.
UniqueFd OpenRunFile(const std::string& path, int flags);

// Reads a whole journal file.
[[nodiscard]] bool ReadJournalBytes(const std::filesystem::path& path,
                                    std::vector<std::uint8_t>& bytes, std::string& error);
// Flushes a folder so a file created or removed in it stays so.
[[nodiscard]] bool SyncDirectory(const std::filesystem::path& dir, std::string& error);

}  // namespace tsrn::journal
