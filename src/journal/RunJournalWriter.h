#pragma once
// Writes a bulk run's journal so that a crash at any point leaves every page
// of every file decidable: before a page is overwritten, the hash of its
// content (in the state it is leaving) is on disk in the journal. Flushes
// are batched by hashing ahead: one flush covers the next pages of the file
// in progress and of the files the walk will reach next, up to a budget of
// bytes and files, so a tree of small files costs a flush per batch, not per
// file. Large files are hashed by the transform itself (NotePages), which
// batches its own flushes. A run that ends with all its files in one state
// says so in the journal; the journal itself goes once those files are
// surely on disk: flushed then, or at the next look (FindUnfinishedRuns),
// when the kernel has mostly written them already. So a run does not wait
// for its own data to reach the disk, as a run without journal does not
// either.

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bulk/ChunkCipher.h"
#include "bulk/FolderWalker.h"
#include "bulk/RunJournal.h"
#include "journal/JournalFile.h"
#include "journal/JournalFormat.h"

namespace tsrn::journal {

struct JournalLimits {
    std::uint64_t aheadBytes = 64ull << 20;  // bytes hashed ahead per flush
    std::size_t aheadFiles = 4096;           // files hashed ahead per flush
    // Larger files are not read ahead: the transform hashes them as it goes.
    std::uint64_t aheadFileBytes = 4ull << 20;
};

class RunJournalWriter final : public bulk::RunJournal {
  public:
    // A new journal in `dir` for a run over `folder`, on disk before this returns.
    [[nodiscard]] static std::unique_ptr<RunJournalWriter> Start(const std::filesystem::path& dir,
                                                                 const std::string& folder,
                                                                 bulk::CipherMode mode,
                                                                 const bulk::KeyPair& keys,
                                                                 std::string& error);
    // Goes on with a journal read back after a crash.
    [[nodiscard]] static std::unique_ptr<RunJournalWriter> Continue(
        const std::filesystem::path& journal, const JournalContents& contents, std::string& error);

    void SetLimits(const JournalLimits& limits) { limits_ = limits; }

    [[nodiscard]] bool BeginFile(const std::string& path, bulk::CipherMode mode, bool rollingBack,
                                 std::uint64_t length) override;
    void FileDescriptor(int fd, const struct stat& st) override;
    void FilePermissions(const std::string& path, std::uint32_t bits) override;
    [[nodiscard]] bool BeforeChunkWrite(std::uint64_t offset, const std::uint8_t* data,
                                        std::size_t length) override;
    std::uint64_t PageHash(const std::uint8_t* data, std::size_t length) const override;
    [[nodiscard]] bool NotePages(std::uint64_t offset, std::size_t length,
                                 const std::uint64_t* pageHashes) override;
    [[nodiscard]] bool MakeRoom() override;
    [[nodiscard]] bool FileDone(const std::string& path, bool restored) override;
    void RunDone(bool complete) override;

    // Recovery: the file numbered `fileNo` gets notes for all its pages
    // (those not noted yet hold `state`), flushed.
    [[nodiscard]] bool NoteWholeFile(std::uint32_t fileNo, FileState state);
    // Recovery: a file was brought wholly into `state`.
    void Settled(std::uint32_t fileNo, FileState state);
    // From here on the run brings its files back (flushed).
    [[nodiscard]] bool MarkUndoing();
    // Every file of the run is in one state: flush the data, remove the journal.
    [[nodiscard]] bool FinishClean();
    // Flushes what is pending and keeps the journal.
    [[nodiscard]] bool Keep();

    bool Removed() const { return removed_; }
    // The run ended with every file in one state (the journal waits for its flush).
    bool Completed() const { return completed_; }
    bool Broken() const { return broken_; }
    const std::string& Error() const { return error_; }
    const std::filesystem::path& Path() const { return file_.Path(); }

  private:
    enum class Status { Untouched, InProgress, Old, New };
    struct FileInfo {
        std::string path;
        std::uint64_t length = 0;
        std::uint64_t noted = 0;  // pages before this offset have notes on disk
        Status status = Status::Untouched;
        std::uint32_t permissions = 0;
    };

    RunJournalWriter(std::string folder, bulk::CipherMode mode, std::uint32_t version);
    std::uint32_t FileNumber(const std::string& path, std::uint64_t length,
                             std::uint32_t permissions);
    [[nodiscard]] bool NoteAhead(std::uint32_t fileNo, FileState state, std::uint64_t& budget,
                                 std::string& why);
    [[nodiscard]] bool NoteAheadFrom(int fd, std::uint32_t fileNo, FileState state,
                                     std::uint64_t& budget, std::string& why);
    void NoteUpcoming(FileState state, std::uint64_t& budget);
    std::optional<std::string> NextUpcoming();
    bool LinkedToCurrent(const std::string& path) const;
    void ForgetUpTo(const std::string& path);
    void SetStatus(FileInfo& file, Status status);
    [[nodiscard]] bool Commit(std::uint64_t reserve = 0);
    // Journal room for the hashes of `bytes` of a file.
    static std::uint64_t RoomFor(std::uint64_t bytes);
    [[nodiscard]] bool FlushAndRemove(std::string& error);
    [[nodiscard]] bool Fail(const std::string& error);

    std::string folder_;
    bulk::CipherMode mode_;
    std::uint32_t version_;
    JournalLimits limits_;
    JournalFile file_;
    RecordEncoder pending_;
    std::vector<FileInfo> files_;
    std::size_t filesOnDisk_ = 0;  // the File records flushed so far
    std::unordered_map<std::string, std::uint32_t> byPath_;
    std::uint32_t current_ = 0;
    bool haveCurrent_ = false;
    // The run's descriptor of the current file; its identity when it has other names.
    int currentFd_ = -1;
    dev_t currentDevice_ = 0;
    ino_t currentInode_ = 0;
    FileState currentSource_ = FileState::Old;
    bool undoing_ = false;
    std::size_t newFiles_ = 0;
    std::size_t inProgress_ = 0;
    bool broken_ = false;
    bool removed_ = false;
    bool completed_ = false;
    std::string permissionsPath_;
    std::uint32_t permissions_ = 0;
    std::string error_;

    // The files the run will reach next, in order.
    std::unique_ptr<bulk::FolderWalker> walk_;
    bool walkEnded_ = false;
    std::deque<std::string> upcoming_;
    std::unordered_set<std::string> upcomingSet_;
    std::vector<std::uint8_t> readBuffer_;
    std::vector<std::uint64_t> hashes_;
};

// Flushes the file system holding `folder` (syncfs), or everything when the
// folder cannot be opened.
[[nodiscard]] bool SyncFolderData(const std::string& folder, std::string& error);

// Names this boot and the mount holding `folder`: while both are unchanged,
// data written there is still in the page cache or on disk, and a flush
// makes it durable. Empty when it cannot be told (before Linux 6.8): such
// a journal is always checked against its files.
std::string DataPlace(const std::string& folder);

}  // namespace tsrn::journal
