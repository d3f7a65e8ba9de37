#pragma once
// Enciphers, deciphers or reciphers one file where it lies, chunk by chunk,
// keeping its length and name. The file's mode is opened up for the
// duration and restored exactly on every way out. A read or write error
// after the open never passes as success: the chunks already written are
// transformed back first, so the file is as it was.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bulk/ChunkCipher.h"
#include "bulk/FileAdmission.h"
#include "bulk/RunJournal.h"
#include "bulk/WindowedTransform.h"
#include "bulk/WriteLease.h"

namespace tsrn::bulk {

// A file by its path and, when a listing has just shown it, by the listed
// folder's descriptor and its name there: opening it that way spares the
// kernel resolving every folder of the path again, a good part of the cost
// of a small file.
struct FilePlace {
    const char* path = nullptr;
    int folder = -1;  // -1: open `path`
    const char* name = nullptr;
};

// The reads and writes made on an open file; tests replace them to inject faults.
class FileIo {
  public:
    virtual ~FileIo() = default;
    [[nodiscard]] virtual int OpenFile(const FilePlace& file, int flags);
    [[nodiscard]] virtual ssize_t ReadAt(int fd, void* buffer, std::size_t length, off_t offset);
    [[nodiscard]] virtual ssize_t WriteAt(int fd, const void* buffer, std::size_t length,
                                          off_t offset);
    [[nodiscard]] virtual WriteLease::Result TakeLease(int fd);
    static FileIo& System();
};

class TransformProgress {
  public:
    virtual ~TransformProgress() = default;
    virtual void FileOpened(std::uint64_t length) = 0;
    virtual void ChunkDone(std::uint64_t bytes) = 0;
    // An error was met after the open and the file was brought back as it was.
    virtual void FileRestored() = 0;
};

enum class TransformStatus {
    Done,          // the whole file was transformed
    AccessError,   // nothing changed: the file could not be opened, or an
                   // error after the open was undone
    Unrestorable,  // an error after the open could not be undone either
    Stopped,       // the journal refused a step; the file is as it was
    Skipped,       // the admission left the file alone
};

struct TransformResult {
    TransformStatus status = TransformStatus::Done;
    int error = 0;  // errno of the first failure; EBUSY: another program has the file open
    SkipReason skip = SkipReason::Duplicate;  // for Skipped
};

class FileTransformer {
  public:
    // A multiple of 8; large chunks cut the system calls per byte.
    static constexpr std::size_t kDefaultChunkSize = 256 * 1024;

    explicit FileTransformer(std::size_t chunkSize = kDefaultChunkSize,
                             FileIo& io = FileIo::System());
    ~FileTransformer();
    FileTransformer(const FileTransformer&) = delete;
    FileTransformer& operator=(const FileTransformer&) = delete;

    void SetJournal(RunJournal* journal) { journal_ = journal; }
    // Asked about every file TransformListed opens.
    void SetAdmission(FileAdmission* admission) { admission_ = admission; }
    // A file system refused a lease: files in use there could not be told.
    bool LeasesRefused() const { return leasesRefused_; }
    std::size_t ChunkSize() const { return buffer_.size(); }

    // Looks at the path, gives its owner write permission if needed, opens
    // it and checks it is the file looked at.
    [[nodiscard]] TransformResult Transform(const std::string& path, const ChunkCipher& cipher,
                                            CipherMode mode, bool rollingBack,
                                            TransformProgress& progress);
    // The same for a path a folder listing has just shown as a regular file:
    // it is opened first (non-blocking, never through a link) and looked at
    // through the open file; only a file its owner cannot write, or one that
    // is no longer a regular file, takes the way of Transform.
    [[nodiscard]] TransformResult TransformListed(const std::string& path,
                                                  const ChunkCipher& cipher, CipherMode mode,
                                                  bool rollingBack, TransformProgress& progress);
    // The same, opening the file by its listed folder and name when given.
    [[nodiscard]] TransformResult TransformListed(const std::string& path, int folder,
                                                  const char* name, const ChunkCipher& cipher,
                                                  CipherMode mode, bool rollingBack,
                                                  TransformProgress& progress);

  private:
    // Larger chunks would make windows too large to keep two of.
    static constexpr std::size_t kLargestWindowedChunk = 1u << 20;
    static constexpr std::uint64_t kSmallestImmediateFile = 4u << 20;

    [[nodiscard]] int OpenForTransform(const FilePlace& file);
    [[nodiscard]] TransformResult TransformLooked(const std::string& path,
                                                  const struct stat& before,
                                                  const ChunkCipher& cipher, CipherMode mode,
                                                  bool rollingBack, bool listed,
                                                  TransformProgress& progress);
    [[nodiscard]] std::optional<TransformResult> Check(int fd, const std::string& path,
                                                       const struct stat& opened,
                                                       std::uint64_t mount, bool listed);
    [[nodiscard]] TransformResult TransformOpened(int fd, const std::string& path,
                                                  const struct stat& opened, CipherMode mode,
                                                  bool rollingBack, const ChunkCipher& cipher,
                                                  TransformProgress& progress);
    [[nodiscard]] TransformResult BeginOpened(int fd, const std::string& path,
                                              const struct stat& opened, CipherMode mode,
                                              bool rollingBack, const ChunkCipher& cipher,
                                              TransformProgress& progress);
    [[nodiscard]] TransformResult TransformOpen(int fd, const std::string& path,
                                                const ChunkCipher& cipher, std::uint64_t length,
                                                TransformProgress& progress);
    bool UsesWindows(std::uint64_t length) const;
    [[nodiscard]] TransformResult TransformWindowed(int fd, const std::string& path,
                                                    const ChunkCipher& cipher, std::uint64_t length,
                                                    TransformProgress& progress);
    [[nodiscard]] TransformResult UndoWindow(int fd, const std::string& path,
                                             const ChunkCipher& cipher, std::uint64_t length,
                                             const WindowedTransform::Outcome& outcome,
                                             TransformStatus status, TransformProgress& progress);
    [[nodiscard]] bool UndoChunk(int fd, const ChunkCipher& inverse, std::uint64_t offset,
                                 std::size_t length, bool fileEnd);
    [[nodiscard]] TransformResult UndoPrefix(int fd, const std::string& path,
                                             const ChunkCipher& cipher, std::uint64_t end,
                                             TransformStatus status, int error,
                                             TransformProgress& progress);

    std::vector<std::uint8_t> buffer_;
    FileIo& io_;
    RunJournal defaultJournal_;
    RunJournal* journal_ = &defaultJournal_;
    FileAdmission* admission_ = nullptr;
    bool leasesRefused_ = false;
    std::unique_ptr<WindowedTransform> windowed_;  // made at the first large file
};

}  // namespace tsrn::bulk
