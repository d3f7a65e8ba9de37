#include "journal/JournalFile.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <random>

#include "bulk/FileTransformer.h"
#include "bulk/FullIo.h"

namespace tsrn::journal {

namespace {

std::string Describe(const std::string& what, const std::filesystem::path& path, int error) {
    return what + " " + path.string() + ": " + strerror(error);
}

std::string NewName() {
    std::random_device device;
    char name[64];
    std::snprintf(name, sizeof name, "run-%lld-%d-%08x.journal",
                  static_cast<long long>(time(nullptr)), static_cast<int>(getpid()), device());
    return name;
}

}  // namespace

JournalFile::~JournalFile() {
    Close();
}

void JournalFile::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    end_ = 0;
    length_ = 0;
}

bool JournalFile::Create(const std::filesystem::path& dir,
                         const std::vector<std::uint8_t>& firstBytes, std::string& error) {
    return CreateIn(dir, {}, firstBytes, error);
}

bool JournalFile::CreateNamed(const std::filesystem::path& dir, const std::string& name,
                              const std::vector<std::uint8_t>& firstBytes, std::string& error) {
    return CreateIn(dir, name, firstBytes, error);
}

// `fixedName` empty: a fresh name of its own.
bool JournalFile::CreateIn(const std::filesystem::path& dir, const std::string& fixedName,
                           const std::vector<std::uint8_t>& firstBytes, std::string& error) {
    Close();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir.string() + ": " + ec.message();
        return false;
    }
    chmod(dir.c_str(), 0700);
    // Written unnamed and linked in once its first bytes are on disk: a kill
    // during the creation leaves no journal at all, never an empty one that
    // would read as damaged. File systems without unnamed files take the
    // named way, whose window is as short as it can be made.
    fd_ = open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
        flock(fd_, LOCK_EX | LOCK_NB);
        path_ = dir;  // until it has a name, errors name its folder
        if (!Commit(firstBytes, error)) {
            Close();
            return false;
        }
        if (LinkUnnamed(dir, fixedName)) {
            if (!SyncDirectory(dir, error)) {
                unlink(path_.c_str());
                Close();
                return false;
            }
            return true;
        }
        const int linkError = errno;
        Close();
        if (!fixedName.empty() && linkError == EEXIST) {
            error = Describe("cannot create", path_, linkError);
            return false;
        }
        // otherwise no /proc to link it through: the named way below
    }
    for (int attempt = 0; attempt < 8 && fd_ < 0; ++attempt) {
        path_ = dir / (fixedName.empty() ? NewName() : fixedName);
        fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0 && (errno != EEXIST || !fixedName.empty())) {
            break;
        }
    }
    if (fd_ < 0) {
        error = Describe("cannot create the journal", path_, errno);
        return false;
    }
    // Held while the run lives, so no other process takes it for a crashed run.
    flock(fd_, LOCK_EX | LOCK_NB);
    if (!Commit(firstBytes, error) || !SyncDirectory(dir, error)) {
        unlink(path_.c_str());
        Close();
        return false;
    }
    return true;
}

// Gives the unnamed journal open in fd_ a fresh name in `dir`.
bool JournalFile::LinkUnnamed(const std::filesystem::path& dir, const std::string& fixedName) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 8; ++attempt) {
        path_ = dir / (fixedName.empty() ? NewName() : fixedName);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST || !fixedName.empty()) {
            break;
        }
    }
    return false;
}

bool JournalFile::Reopen(const std::filesystem::path& path, std::uint64_t validBytes,
                         std::string& error) {
    Close();
    path_ = path;
    fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error = Describe("cannot open the journal", path, errno);
        return false;
    }
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        error = "the run of " + path.string() + " is still going on in another process";
        Close();
        return false;
    }
    if (ftruncate(fd_, static_cast<off_t>(validBytes)) != 0 || fdatasync(fd_) != 0) {
        error = Describe("cannot write the journal", path, errno);
        Close();
        return false;
    }
    end_ = validBytes;
    length_ = validBytes;
    return true;
}

bool JournalFile::WriteAt(const std::uint8_t* data, std::size_t length, std::uint64_t offset,
                          std::string& error) {
    if (!bulk::WriteFull(bulk::FileIo::System(), fd_, data, length, offset)) {
        error = Describe("cannot write the journal", path_, errno);
        return false;
    }
    return true;
}

bool JournalFile::WriteZeros(std::uint64_t from, std::uint64_t to, std::string& error) {
    static const std::uint8_t zeros[64 << 10] = {};
    for (std::uint64_t at = from; at < to;) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof zeros, to - at));
        if (!WriteAt(zeros, part, at, error)) {
            return false;
        }
        at += part;
    }
    return true;
}

bool JournalFile::Flush(std::string& error) {
    if (fdatasync(fd_) != 0) {
        error = Describe("cannot flush the journal", path_, errno);
        return false;
    }
    return true;
}

bool JournalFile::Commit(const std::vector<std::uint8_t>& bytes, std::string& error,
                         std::uint64_t reserve) {
    if (!RequireOpen(error)) {
        return false;
    }
    const std::uint64_t end = end_ + bytes.size();
    if (!WriteAt(bytes.data(), bytes.size(), end_, error)) {
        return false;
    }
    std::uint64_t length = length_;
    if (end + reserve > length_) {
        length =
            std::max({end + reserve, length_ + std::min(length_, kLargestGrowth), kFirstZeros});
        if (!WriteZeros(end, length, error)) {
            return false;
        }
    }
    if (!Flush(error)) {
        return false;
    }
    end_ = end;
    length_ = length;
    return true;
}

bool JournalFile::MakeRoom(std::uint64_t bytes, std::string& error) {
    if (!RequireOpen(error)) {
        return false;
    }
    const std::uint64_t length = end_ + bytes;
    if (length <= length_) {
        return true;
    }
    if (!WriteZeros(length_, length, error) || !Flush(error)) {
        return false;
    }
    length_ = length;
    return true;
}

bool JournalFile::RequireOpen(std::string& error) const {
    if (fd_ < 0) {
        error = "the journal is not open";
        return false;
    }
    return true;
}

bool JournalFile::Remove(std::string& error) {
    Close();
    if (unlink(path_.c_str()) != 0 && errno != ENOENT) {
        error = Describe("cannot remove the journal", path_, errno);
        return false;
    }
    return SyncDirectory(path_.parent_path(), error);
}

// O_NOATIME: reading ahead is no reading by the file's user, and leaving
// the access time alone spares an inode update per file. Only the owner (or
// root) may ask for it; anyone else opens the usual way.
UniqueFd OpenRunFile(const std::string& path, int flags) {
    flags |= O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        fd = open(path.c_str(), flags);
    }
    return UniqueFd(fd);
}

bool ReadJournalBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                      std::string& error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = Describe("cannot open the journal", path, errno);
        return false;
    }
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        error = "in use by a run still going on";
        close(fd);
        return false;
    }
    bytes.clear();
    std::uint8_t buffer[1 << 16];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = Describe("cannot read the journal", path, errno);
            close(fd);
            return false;
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    close(fd);
    return true;
}

bool SyncDirectory(const std::filesystem::path& dir, std::string& error) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        error = Describe("cannot flush", dir, errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    close(fd);
    return true;
}

}  // namespace tsrn::journal
