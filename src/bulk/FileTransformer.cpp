#include "bulk/FileTransformer.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>

#include "bulk/FullIo.h"
#include "bulk/WindowedTransform.h"
#include "bulk/WriteLease.h"
#include "platform/UniqueFd.h"

namespace tsrn::bulk {

namespace {

// Gives the owner write permission for the transform and puts the exact
// previous mode back when it goes out of scope, whatever happened between.
class WritableForScope {
  public:
    WritableForScope(const std::string& path, mode_t previous) : path_(path), previous_(previous) {}
    ~WritableForScope() {
        if (changed_) {
            // Nobody is left to tell when this fails: the file stays writable for its owner.
            const int restored = fchmodat(AT_FDCWD, path_.c_str(), previous_, AT_SYMLINK_NOFOLLOW);
            (void)restored;
        }
    }
    WritableForScope(const WritableForScope&) = delete;
    WritableForScope& operator=(const WritableForScope&) = delete;

    bool Open() {
        if ((previous_ & S_IWUSR) != 0) {
            return true;
        }
        if (fchmodat(AT_FDCWD, path_.c_str(), previous_ | S_IWUSR, AT_SYMLINK_NOFOLLOW) != 0) {
            return false;
        }
        changed_ = true;
        return true;
    }

  private:
    const std::string& path_;
    mode_t previous_;
    bool changed_ = false;
};

// O_NONBLOCK: should the path have become a FIFO meanwhile, the open must not hang.
constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

TransformResult Failure(TransformStatus status, int error) {
    return TransformResult{status, error};
}

// fstat with the mount id besides (0 when the kernel does not give it).
bool LookOpened(int fd, struct stat& st, std::uint64_t& mount) {
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_MNT_ID, &sx) != 0) {
        return false;
    }
    st = {};
    st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.st_ino = sx.stx_ino;
    st.st_mode = sx.stx_mode;
    st.st_nlink = sx.stx_nlink;
    st.st_uid = sx.stx_uid;
    st.st_gid = sx.stx_gid;
    st.st_size = static_cast<off_t>(sx.stx_size);
    mount = (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
    return true;
}

}  // namespace

int FileIo::OpenFile(const FilePlace& file, int flags) {
    if (file.folder >= 0 && file.name != nullptr) {
        return openat(file.folder, file.name, flags);
    }
    return open(file.path, flags);
}

ssize_t FileIo::ReadAt(int fd, void* buffer, std::size_t length, off_t offset) {
    return pread(fd, buffer, length, offset);
}

ssize_t FileIo::WriteAt(int fd, const void* buffer, std::size_t length, off_t offset) {
    return pwrite(fd, buffer, length, offset);
}

WriteLease::Result FileIo::TakeLease(int fd) {
    return WriteLease::Take(fd);
}

FileIo& FileIo::System() {
    static FileIo io;
    return io;
}

// O_NOATIME: rewriting a file where it lies is no reading by its user, and
// an access time left alone saves an inode update per file. Only the owner
// (or root) may ask for it; anyone else opens the usual way.
int FileTransformer::OpenForTransform(const FilePlace& file) {
    const int fd = io_.OpenFile(file, kOpenFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        return io_.OpenFile(file, kOpenFlags);
    }
    return fd;
}

FileTransformer::FileTransformer(std::size_t chunkSize, FileIo& io)
    : buffer_(chunkSize < 8 ? 8 : chunkSize - chunkSize % 8), io_(io) {}

FileTransformer::~FileTransformer() = default;

TransformResult FileTransformer::Transform(const std::string& path, const ChunkCipher& cipher,
                                           CipherMode mode, bool rollingBack,
                                           TransformProgress& progress) {
    if (path.size() >= PATH_MAX) {
        return Failure(TransformStatus::AccessError, ENAMETOOLONG);
    }
    struct stat before {};
    if (lstat(path.c_str(), &before) != 0) {
        return Failure(TransformStatus::AccessError, errno);
    }
    if (!S_ISREG(before.st_mode)) {
        return Failure(TransformStatus::AccessError, EINVAL);
    }
    return TransformLooked(path, before, cipher, mode, rollingBack, false, progress);
}

TransformResult FileTransformer::TransformListed(const std::string& path, const ChunkCipher& cipher,
                                                 CipherMode mode, bool rollingBack,
                                                 TransformProgress& progress) {
    return TransformListed(path, -1, nullptr, cipher, mode, rollingBack, progress);
}

TransformResult FileTransformer::TransformListed(const std::string& path, int folder,
                                                 const char* name, const ChunkCipher& cipher,
                                                 CipherMode mode, bool rollingBack,
                                                 TransformProgress& progress) {
    if (path.size() >= PATH_MAX) {
        return Failure(TransformStatus::AccessError, ENAMETOOLONG);
    }
    UniqueFd fd(OpenForTransform(FilePlace{path.c_str(), folder, name}));
    const int openError = fd.Valid() ? 0 : errno;
    struct stat opened {};
    std::uint64_t mount = 0;
    if (fd.Valid() && LookOpened(fd.Get(), opened, mount) && S_ISREG(opened.st_mode) &&
        (opened.st_mode & S_IWUSR) != 0) {
        if (std::optional<TransformResult> refused = Check(fd.Get(), path, opened, mount, true)) {
            return *refused;
        }
        return TransformOpened(fd.Get(), path, opened, mode, rollingBack, cipher, progress);
    }
    fd.Reset();
    // Read-only for its owner, or no longer the regular file listed: look
    // first, open up the mode if needed, then open and check it is the same.
    struct stat before {};
    if (lstat(path.c_str(), &before) != 0) {
        return Failure(TransformStatus::AccessError, errno);
    }
    if (!S_ISREG(before.st_mode)) {
        return Failure(TransformStatus::AccessError, EINVAL);
    }
    if (openError != 0 && (before.st_mode & S_IWUSR) != 0) {
        return Failure(TransformStatus::AccessError, openError);
    }
    return TransformLooked(path, before, cipher, mode, rollingBack, true, progress);
}

// Before anything is read or written: a file the walk listed must pass the
// admission, and every file must be taken under a write lease. Nothing when
// the transform may go on.
std::optional<TransformResult> FileTransformer::Check(int fd, const std::string& path,
                                                      const struct stat& opened,
                                                      std::uint64_t mount, bool listed) {
    if (listed && admission_ != nullptr) {
        if (std::optional<SkipReason> why = admission_->Admit(path, opened, mount)) {
            TransformResult skipped{TransformStatus::Skipped, 0};
            skipped.skip = *why;
            return skipped;
        }
    }
    switch (io_.TakeLease(fd)) {
        case WriteLease::Result::Held:
            return std::nullopt;
        case WriteLease::Result::InUse:
            return Failure(TransformStatus::AccessError, EBUSY);
        case WriteLease::Result::NotOwner:
            // No way to tell whether another program has it open.
            return Failure(TransformStatus::AccessError, EACCES);
        case WriteLease::Result::Refused:
            leasesRefused_ = true;
            return std::nullopt;
    }
    return std::nullopt;
}

TransformResult FileTransformer::TransformLooked(const std::string& path, const struct stat& before,
                                                 const ChunkCipher& cipher, CipherMode mode,
                                                 bool rollingBack, bool listed,
                                                 TransformProgress& progress) {
    journal_->FilePermissions(path, before.st_mode & 07777);
    WritableForScope writable(path, before.st_mode & 07777);
    if (!writable.Open()) {
        return Failure(TransformStatus::AccessError, errno);
    }
    UniqueFd fd(OpenForTransform(FilePlace{path.c_str()}));
    if (fd.Get() < 0) {
        return Failure(TransformStatus::AccessError, errno);
    }
    struct stat opened {};
    std::uint64_t mount = 0;
    if (!LookOpened(fd.Get(), opened, mount) || !S_ISREG(opened.st_mode) ||
        opened.st_ino != before.st_ino || opened.st_dev != before.st_dev) {
        return Failure(TransformStatus::AccessError, EINVAL);
    }
    if (std::optional<TransformResult> refused = Check(fd.Get(), path, opened, mount, listed)) {
        return *refused;
    }
    return BeginOpened(fd.Get(), path, opened, mode, rollingBack, cipher, progress);
}

// A file opened without changing its mode: the mode it has is the one to keep.
TransformResult FileTransformer::TransformOpened(int fd, const std::string& path,
                                                 const struct stat& opened, CipherMode mode,
                                                 bool rollingBack, const ChunkCipher& cipher,
                                                 TransformProgress& progress) {
    journal_->FilePermissions(path, opened.st_mode & 07777);
    return BeginOpened(fd, path, opened, mode, rollingBack, cipher, progress);
}

TransformResult FileTransformer::BeginOpened(int fd, const std::string& path,
                                             const struct stat& opened, CipherMode mode,
                                             bool rollingBack, const ChunkCipher& cipher,
                                             TransformProgress& progress) {
    const auto length = static_cast<std::uint64_t>(opened.st_size);
    if (!journal_->BeginFile(path, mode, rollingBack, length)) {
        return Failure(TransformStatus::Stopped, 0);
    }
    journal_->FileDescriptor(fd, opened);
    progress.FileOpened(length);
    return TransformOpen(fd, path, cipher, length, progress);
}

TransformResult FileTransformer::TransformOpen(int fd, const std::string& path,
                                               const ChunkCipher& cipher, std::uint64_t length,
                                               TransformProgress& progress) {
    if (UsesWindows(length)) {
        return TransformWindowed(fd, path, cipher, length, progress);
    }
    const std::size_t chunk = buffer_.size();
    std::uint8_t* data = buffer_.data();
    std::uint64_t offset = 0;
    for (;;) {
        // Reads stop at the length the open found: a file that fits in one
        // chunk then costs one read, not a second one that only finds its end.
        const std::uint64_t remaining = length > offset ? length - offset : 0;
        const std::size_t want = remaining < chunk ? static_cast<std::size_t>(remaining) : chunk;
        ssize_t got = want == 0 ? 0 : ReadFull(io_, fd, data, want, offset);
        if (got < 0) {
            return UndoPrefix(fd, path, cipher, offset, TransformStatus::AccessError, errno,
                              progress);
        }
        const auto n = static_cast<std::size_t>(got);
        const bool last = n < chunk || offset + n >= length;
        if (n > 0 && WriteLease::Broken()) {
            // Another program opened the file: it gets the file as it was.
            return UndoPrefix(fd, path, cipher, offset, TransformStatus::AccessError, EBUSY,
                              progress);
        }
        if (n > 0) {
            cipher.Apply(data, n, offset, last);
            if (!journal_->BeforeChunkWrite(offset, data, n)) {
                return UndoPrefix(fd, path, cipher, offset, TransformStatus::Stopped, 0, progress);
            }
            if (!WriteFull(io_, fd, data, n, offset)) {
                const int error = errno;
                // Part of this chunk may be on disk: put its old bytes back first.
                cipher.Inverse().Apply(data, n, offset, last);
                if (!WriteFull(io_, fd, data, n, offset)) {
                    return Failure(TransformStatus::Unrestorable, error);
                }
                return UndoPrefix(fd, path, cipher, offset, TransformStatus::AccessError, error,
                                  progress);
            }
        }
        progress.ChunkDone(n);
        offset += n;
        if (last) {
            break;
        }
    }
    if (!journal_->FileDone(path, false)) {
        return UndoPrefix(fd, path, cipher, offset, TransformStatus::Stopped, 0, progress);
    }
    return TransformResult{};
}

// Transforms the first `end` bytes (whole chunks, or the whole file, all
// written before) back.
TransformResult FileTransformer::UndoPrefix(int fd, const std::string& path,
                                            const ChunkCipher& cipher, std::uint64_t end,
                                            TransformStatus status, int error,
                                            TransformProgress& progress) {
    const ChunkCipher inverse = cipher.Inverse();
    const std::size_t chunk = buffer_.size();
    for (std::uint64_t offset = 0; offset < end; offset += chunk) {
        // Only a prefix that is the whole file ends in a short chunk, with the file's tail.
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, end - offset));
        if (!UndoChunk(fd, inverse, offset, want, want < chunk)) {
            return Failure(TransformStatus::Unrestorable, errno != 0 ? errno : error);
        }
    }
    journal_->FileDone(path, true);
    progress.FileRestored();
    return Failure(status, error);
}

bool FileTransformer::UndoChunk(int fd, const ChunkCipher& inverse, std::uint64_t offset,
                                std::size_t length, bool fileEnd) {
    std::uint8_t* data = buffer_.data();
    errno = 0;
    if (ReadFull(io_, fd, data, length, offset) != static_cast<ssize_t>(length)) {
        return false;
    }
    inverse.Apply(data, length, offset, fileEnd);
    journal_->BeforeChunkWrite(offset, data, length);
    return WriteFull(io_, fd, data, length, offset);
}

bool FileTransformer::UsesWindows(std::uint64_t length) const {
    const std::size_t chunk = buffer_.size();
    // Without a journal, a few MiB are done before a second thread would help.
    const bool large = journal_ != &defaultJournal_ || length > kSmallestImmediateFile;
    return chunk % RunJournal::kPageSize == 0 && chunk <= kLargestWindowedChunk && large &&
           length > chunk * WindowedTransform::kSmallestFileChunks;
}

TransformResult FileTransformer::TransformWindowed(int fd, const std::string& path,
                                                   const ChunkCipher& cipher, std::uint64_t length,
                                                   TransformProgress& progress) {
    if (!windowed_) {
        windowed_ =
            std::make_unique<WindowedTransform>(buffer_.size(), io_, &io_ != &FileIo::System());
    }
    RunJournal* journal = journal_ == &defaultJournal_ ? nullptr : journal_;
    const WindowedTransform::Outcome outcome =
        windowed_->Run(fd, length, cipher, journal, progress);
    switch (outcome.stop) {
        case WindowedTransform::Stop::None:
            break;
        case WindowedTransform::Stop::Unrestorable:
            return Failure(TransformStatus::Unrestorable, outcome.error);
        case WindowedTransform::Stop::ReadError:
        case WindowedTransform::Stop::WriteError:
        case WindowedTransform::Stop::Interrupted:
            return UndoWindow(fd, path, cipher, length, outcome, TransformStatus::AccessError,
                              progress);
        case WindowedTransform::Stop::Vetoed:
            return UndoWindow(fd, path, cipher, length, outcome, TransformStatus::Stopped,
                              progress);
    }
    if (!journal_->FileDone(path, false)) {
        return UndoPrefix(fd, path, cipher, length, TransformStatus::Stopped, 0, progress);
    }
    return TransformResult{};
}

// The windows before `outcome.prefix` and the chunks of the next one that
// were written go back.
TransformResult FileTransformer::UndoWindow(int fd, const std::string& path,
                                            const ChunkCipher& cipher, std::uint64_t length,
                                            const WindowedTransform::Outcome& outcome,
                                            TransformStatus status, TransformProgress& progress) {
    const ChunkCipher inverse = cipher.Inverse();
    const std::size_t chunk = buffer_.size();
    for (std::size_t i = 0; i < outcome.written.size(); ++i) {
        const std::uint64_t offset = outcome.prefix + i * chunk;
        if (!outcome.written[i] || offset >= length) {
            continue;
        }
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, length - offset));
        if (!UndoChunk(fd, inverse, offset, want, want < chunk)) {
            return Failure(TransformStatus::Unrestorable, errno != 0 ? errno : outcome.error);
        }
    }
    return UndoPrefix(fd, path, cipher, outcome.prefix, status, outcome.error, progress);
}

}  // namespace tsrn::bulk
