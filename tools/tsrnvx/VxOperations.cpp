#include "VxOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "CallerIdentity.h"
#include "CipheredFile.h"
#include "MountContext.h"

namespace tsrn::vx {
namespace {

struct OpenFile {
    UniqueFd fd;
    std::shared_ptr<std::shared_mutex> lock;
    std::string absolutePath;
    std::uint64_t registryId = 0;
    bool append = false;
};

struct OpenDir {
    DIR* dir = nullptr;
};

MountContext& Context() {
    return *static_cast<MountContext*>(fuse_get_context()->private_data);
}

OpenFile& FileOf(const fuse_file_info* fi) {
    return *reinterpret_cast<OpenFile*>(fi->fh);
}

FolderRules RulesOf(const char* path) {
    MountContext& ctx = Context();
    return ctx.RulesFor(ctx.Absolute(path));
}

int Errno(int result) {
    return result < 0 ? -errno : result;
}

// A file or folder moved (or linked) to where other rules hold would shed the
// open, write and search prohibitions of the folder it came from.
bool LeavesGuard(const FolderRules& from, const FolderRules& to) {
    return from.slot != to.slot && from.Forbids(kForbidOpen | kForbidWrite | kForbidSearch);
}

// A registered folder, or a folder holding one, is never moved or removed
// from inside a mount: it would carry its files away from their rules.
bool HoldsRegistered(const char* path) {
    MountContext& ctx = Context();
    return ctx.HoldsRegisteredFolder(ctx.Absolute(path));
}

std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

int WithParent(const char* path, TreeRoot::Parent& parent) {
    return Context().tree.OpenParent(path, parent);
}

// ---- attributes -------------------------------------------------------------

int VxGetattr(const char* path, struct stat* st, fuse_file_info* fi) {
    if (fi != nullptr && fi->fh != 0) {
        return Errno(::fstat(FileOf(fi).fd.Get(), st));
    }
    MountContext& ctx = Context();
    if (path == nullptr) {
        return -ENOENT;
    }
    TreeRoot::Parent parent;
    if (int rc = ctx.tree.OpenParent(path, parent); rc == -EINVAL) {
        return Errno(::fstat(ctx.tree.Fd(), st));
    } else if (rc != 0) {
        return rc;
    }
    return Errno(::fstatat(parent.dirFd, parent.leaf.c_str(), st, AT_SYMLINK_NOFOLLOW));
}

int VxReadlink(const char* path, char* buffer, size_t size) {
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc != 0) {
        return rc;
    }
    ssize_t length = ::readlinkat(parent.dirFd, parent.leaf.c_str(), buffer, size - 1);
    if (length < 0) {
        return -errno;
    }
    buffer[length] = '\0';
    return 0;
}

int VxChmod(const char* path, mode_t mode, fuse_file_info* fi) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    if (fi != nullptr && fi->fh != 0) {
        return Errno(::fchmod(FileOf(fi).fd.Get(), mode));
    }
    int fd = Context().tree.Open(path, O_PATH);
    if (fd < 0) {
        return fd;
    }
    UniqueFd node(fd);
    struct stat st {};
    if (::fstat(node.Get(), &st) != 0) {
        return -errno;
    }
    if (S_ISLNK(st.st_mode)) {
        return -EOPNOTSUPP;
    }
    return Errno(::chmod(ProcPath(node.Get()).c_str(), mode));
}

int VxChown(const char* path, uid_t uid, gid_t gid, fuse_file_info* fi) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    if (fi != nullptr && fi->fh != 0) {
        return Errno(::fchown(FileOf(fi).fd.Get(), uid, gid));
    }
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc == -EINVAL) {
        return Errno(::fchown(Context().tree.Fd(), uid, gid));
    } else if (rc != 0) {
        return rc;
    }
    return Errno(::fchownat(parent.dirFd, parent.leaf.c_str(), uid, gid, AT_SYMLINK_NOFOLLOW));
}

int VxUtimens(const char* path, const struct timespec tv[2], fuse_file_info* fi) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    if (fi != nullptr && fi->fh != 0) {
        return Errno(::futimens(FileOf(fi).fd.Get(), tv));
    }
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc == -EINVAL) {
        return Errno(::futimens(Context().tree.Fd(), tv));
    } else if (rc != 0) {
        return rc;
    }
    return Errno(::utimensat(parent.dirFd, parent.leaf.c_str(), tv, AT_SYMLINK_NOFOLLOW));
}

// Size changes of a ciphered file re-encode its end, under the file's lock.
int ResizeLocked(int fd, std::shared_mutex& lock, const FolderRules& rules, off_t size) {
    std::unique_lock guard(lock);
    if (rules.Ciphered()) {
        return CipheredFile(fd, rules.key).Resize(size);
    }
    return Errno(::ftruncate(fd, size));
}

int VxTruncate(const char* path, off_t size, fuse_file_info* fi) {
    MountContext& ctx = Context();
    if (fi != nullptr && fi->fh != 0) {
        OpenFile& file = FileOf(fi);
        FolderRules rules = ctx.RulesFor(file.absolutePath);
        if (rules.Forbids(kForbidWrite)) {
            return -EACCES;
        }
        return ResizeLocked(file.fd.Get(), *file.lock, rules, size);
    }
    FolderRules rules = RulesOf(path);
    if (rules.Forbids(kForbidWrite)) {
        return -EACCES;
    }
    int fd = ctx.tree.Open(path, O_RDWR);
    if (fd == -EACCES && !rules.Ciphered()) {
        fd = ctx.tree.Open(path, O_WRONLY);
    }
    if (fd < 0) {
        return fd;
    }
    UniqueFd file(fd);
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        return -errno;
    }
    auto lock = ctx.locks.Acquire(st.st_dev, st.st_ino);
    return ResizeLocked(file.Get(), *lock, rules, size);
}

// ---- extended attributes ------------------------------------------------------

int WithNode(const char* path, UniqueFd& node) {
    int fd = Context().tree.Open(path, O_PATH);
    if (fd < 0) {
        return fd;
    }
    node.Reset(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return -errno;
    }
    // Extended attributes of links themselves are not offered.
    return S_ISLNK(st.st_mode) ? -EOPNOTSUPP : 0;
}

int VxSetxattr(const char* path, const char* name, const char* value, size_t size, int flags) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    UniqueFd node;
    if (int rc = WithNode(path, node); rc != 0) {
        return rc;
    }
    return Errno(::setxattr(ProcPath(node.Get()).c_str(), name, value, size, flags));
}

int VxGetxattr(const char* path, const char* name, char* value, size_t size) {
    UniqueFd node;
    if (int rc = WithNode(path, node); rc != 0) {
        return rc == -EOPNOTSUPP ? -ENODATA : rc;
    }
    ssize_t got = ::getxattr(ProcPath(node.Get()).c_str(), name, value, size);
    return got < 0 ? -errno : static_cast<int>(got);
}

int VxListxattr(const char* path, char* list, size_t size) {
    UniqueFd node;
    if (int rc = WithNode(path, node); rc != 0) {
        return rc == -EOPNOTSUPP ? 0 : rc;
    }
    ssize_t got = ::listxattr(ProcPath(node.Get()).c_str(), list, size);
    return got < 0 ? -errno : static_cast<int>(got);
}

int VxRemovexattr(const char* path, const char* name) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    UniqueFd node;
    if (int rc = WithNode(path, node); rc != 0) {
        return rc;
    }
    return Errno(::removexattr(ProcPath(node.Get()).c_str(), name));
}

// ---- entries --------------------------------------------------------------------

int VxMknod(const char* path, mode_t mode, dev_t rdev) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc != 0) {
        return rc;
    }
    MountContext& ctx = Context();
    CallerIdentity caller(ctx.asRoot, fuse_get_context()->uid, fuse_get_context()->gid);
    if (S_ISREG(mode)) {
        int fd = ::openat(parent.dirFd, parent.leaf.c_str(),
                          O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            return -errno;
        }
        ::close(fd);
        return 0;
    }
    if (S_ISFIFO(mode)) {
        return Errno(::mkfifoat(parent.dirFd, parent.leaf.c_str(), mode));
    }
    return Errno(::mknodat(parent.dirFd, parent.leaf.c_str(), mode, rdev));
}

int VxMkdir(const char* path, mode_t mode) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc != 0) {
        return rc;
    }
    MountContext& ctx = Context();
    CallerIdentity caller(ctx.asRoot, fuse_get_context()->uid, fuse_get_context()->gid);
    return Errno(::mkdirat(parent.dirFd, parent.leaf.c_str(), mode));
}

int RemoveEntry(const char* path, int flags) {
    if (RulesOf(path).Forbids(kForbidDelete) || HoldsRegistered(path)) {
        return -EACCES;
    }
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc != 0) {
        return rc;
    }
    return Errno(::unlinkat(parent.dirFd, parent.leaf.c_str(), flags));
}

int VxUnlink(const char* path) {
    return RemoveEntry(path, 0);
}
int VxRmdir(const char* path) {
    return RemoveEntry(path, AT_REMOVEDIR);
}

int VxSymlink(const char* target, const char* path) {
    if (RulesOf(path).Forbids(kForbidWrite)) {
        return -EACCES;
    }
    TreeRoot::Parent parent;
    if (int rc = WithParent(path, parent); rc != 0) {
        return rc;
    }
    MountContext& ctx = Context();
    CallerIdentity caller(ctx.asRoot, fuse_get_context()->uid, fuse_get_context()->gid);
    return Errno(::symlinkat(target, parent.dirFd, parent.leaf.c_str()));
}

bool EntryExists(const TreeRoot::Parent& parent) {
    struct stat st {};
    return ::fstatat(parent.dirFd, parent.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int CheckRename(const char* from, const char* to, const FolderRules& fromRules,
                const FolderRules& toRules, bool targetExists) {
    if (fromRules.Forbids(kForbidDelete) || toRules.Forbids(kForbidWrite) ||
        LeavesGuard(fromRules, toRules) || HoldsRegistered(from)) {
        return -EACCES;
    }
    if (targetExists && (toRules.Forbids(kForbidDelete) || HoldsRegistered(to))) {
        return -EACCES;
    }
    return 0;
}

int VxRename(const char* from, const char* to, unsigned int flags) {
    FolderRules fromRules = RulesOf(from);
    FolderRules toRules = RulesOf(to);
    TreeRoot::Parent source;
    TreeRoot::Parent target;
    if (int rc = WithParent(from, source); rc != 0) {
        return rc;
    }
    if (int rc = WithParent(to, target); rc != 0) {
        return rc;
    }
    bool exchange = (flags & RENAME_EXCHANGE) != 0;
    bool targetExists = exchange || EntryExists(target);
    if (int rc = CheckRename(from, to, fromRules, toRules, targetExists); rc != 0) {
        return rc;
    }
    if (exchange) {
        if (int rc = CheckRename(to, from, toRules, fromRules, true); rc != 0) {
            return rc;
        }
    }
    return Errno(
        ::renameat2(source.dirFd, source.leaf.c_str(), target.dirFd, target.leaf.c_str(), flags));
}

int VxLink(const char* from, const char* to) {
    FolderRules fromRules = RulesOf(from);
    FolderRules toRules = RulesOf(to);
    if (toRules.Forbids(kForbidWrite) || LeavesGuard(fromRules, toRules)) {
        return -EACCES;
    }
    TreeRoot::Parent source;
    TreeRoot::Parent target;
    if (int rc = WithParent(from, source); rc != 0) {
        return rc;
    }
    if (int rc = WithParent(to, target); rc != 0) {
        return rc;
    }
    return Errno(::linkat(source.dirFd, source.leaf.c_str(), target.dirFd, target.leaf.c_str(), 0));
}

// ---- files ----------------------------------------------------------------------

bool WantsWrite(int flags) {
    return (flags & O_ACCMODE) != O_RDONLY || (flags & O_TRUNC) != 0;
}

// The flags the stored file is opened with: never O_APPEND (positions are
// ours to give), never O_TRUNC (done under the file's lock, so the stored file
// is opened for writing then), and a ciphered file is opened for reading too,
// because partial blocks are rewritten.
int StoredFlags(int flags, bool ciphered) {
    int stored = flags & ~(O_APPEND | O_TRUNC | O_CREAT | O_EXCL | O_DIRECT | O_NOCTTY);
    int mode = stored & O_ACCMODE;
    if ((ciphered && mode == O_WRONLY) || ((flags & O_TRUNC) != 0 && mode == O_RDONLY)) {
        stored = (stored & ~O_ACCMODE) | O_RDWR;
    }
    return stored;
}

int OpenStored(const char* path, int flags, bool ciphered, mode_t mode, bool create) {
    MountContext& ctx = Context();
    int stored = StoredFlags(flags, ciphered);
    if (!create) {
        int fd = ctx.tree.Open(path, stored);
        if (fd == -EACCES && (stored & O_ACCMODE) != (flags & O_ACCMODE)) {
            fd = ctx.tree.Open(path, (stored & ~O_ACCMODE) | (flags & O_ACCMODE));
        }
        return fd;
    }
    TreeRoot::Parent parent;
    if (int rc = ctx.tree.OpenParent(path, parent); rc != 0) {
        return rc;
    }
    CallerIdentity caller(ctx.asRoot, fuse_get_context()->uid, fuse_get_context()->gid);
    int createFlags = stored | O_CREAT | (flags & O_EXCL) | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(parent.dirFd, parent.leaf.c_str(), createFlags, mode);
    return fd < 0 ? -errno : fd;
}

int Adopt(UniqueFd fd, const char* path, int flags, const FolderRules& rules,
          std::uint64_t generation, fuse_file_info* fi) {
    MountContext& ctx = Context();
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return -errno;
    }
    auto file = std::make_unique<OpenFile>();
    file->lock = ctx.locks.Acquire(st.st_dev, st.st_ino);
    if ((flags & O_TRUNC) != 0 && S_ISREG(st.st_mode) && st.st_size != 0) {
        if (int rc = ResizeLocked(fd.Get(), *file->lock, rules, 0); rc != 0) {
            return rc;
        }
    }
    file->fd = std::move(fd);
    file->absolutePath = ctx.Absolute(path);
    file->append = (flags & O_APPEND) != 0;
    file->registryId = ctx.openFiles.Add(file->absolutePath);
    // The page cache holds what reads returned. It is kept from one open to
    // the next only while no folder, state or key changed in between, so a
    // file switched between states or reciphered is read afresh.
    fi->direct_io = 0;
    fi->keep_cache = ctx.locks.SameGenerationAsLastOpen(st.st_dev, st.st_ino, generation) ? 1 : 0;
    fi->fh = reinterpret_cast<std::uint64_t>(file.release());
    return 0;
}

int VxOpen(const char* path, fuse_file_info* fi) {
    std::uint64_t generation = Context().table.Generation();
    FolderRules rules = RulesOf(path);
    if (rules.Forbids(kForbidOpen) || (WantsWrite(fi->flags) && rules.Forbids(kForbidWrite))) {
        return -EACCES;
    }
    int fd = OpenStored(path, fi->flags, rules.Ciphered(), 0, false);
    if (fd < 0) {
        return fd;
    }
    return Adopt(UniqueFd(fd), path, fi->flags, rules, generation, fi);
}

int VxCreate(const char* path, mode_t mode, fuse_file_info* fi) {
    std::uint64_t generation = Context().table.Generation();
    FolderRules rules = RulesOf(path);
    if (rules.Forbids(kForbidOpen) || rules.Forbids(kForbidWrite)) {
        return -EACCES;
    }
    int fd = OpenStored(path, fi->flags, rules.Ciphered(), mode, true);
    if (fd < 0) {
        return fd;
    }
    return Adopt(UniqueFd(fd), path, fi->flags, rules, generation, fi);
}

int VxRead(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    OpenFile& file = FileOf(fi);
    FolderRules rules = Context().RulesFor(file.absolutePath);
    auto* out = reinterpret_cast<std::uint8_t*>(buffer);
    if (rules.Ciphered()) {
        std::shared_lock guard(*file.lock);
        ssize_t got = CipheredFile(file.fd.Get(), rules.key).Read(out, size, offset);
        return static_cast<int>(got);
    }
    size_t done = 0;
    while (done < size) {
        ssize_t got =
            ::pread(file.fd.Get(), out + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return done > 0 ? static_cast<int>(done) : -errno;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return static_cast<int>(done);
}

int VxWrite(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    OpenFile& file = FileOf(fi);
    FolderRules rules = Context().RulesFor(file.absolutePath);
    const auto* data = reinterpret_cast<const std::uint8_t*>(buffer);
    std::unique_lock guard(*file.lock);
    if (file.append) {
        struct stat st {};
        if (::fstat(file.fd.Get(), &st) != 0) {
            return -errno;
        }
        offset = st.st_size;
    }
    if (rules.Ciphered()) {
        return static_cast<int>(CipheredFile(file.fd.Get(), rules.key).Write(data, size, offset));
    }
    size_t done = 0;
    while (done < size) {
        ssize_t put =
            ::pwrite(file.fd.Get(), data + done, size - done, offset + static_cast<off_t>(done));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return done > 0 ? static_cast<int>(done) : -errno;
        }
        done += static_cast<size_t>(put);
    }
    return static_cast<int>(done);
}

int VxFallocate(const char*, int mode, off_t offset, off_t length, fuse_file_info* fi) {
    OpenFile& file = FileOf(fi);
    FolderRules rules = Context().RulesFor(file.absolutePath);
    if (rules.Forbids(kForbidWrite)) {
        return -EACCES;
    }
    std::unique_lock guard(*file.lock);
    if (!rules.Ciphered()) {
        return Errno(::fallocate(file.fd.Get(), mode, offset, length));
    }
    // Punching or zeroing would leave raw zeros, which are not enciphered
    // zeros; only plain allocation keeps the format.
    if (mode != 0 && mode != FALLOC_FL_KEEP_SIZE) {
        return -EOPNOTSUPP;
    }
    if (offset < 0 || length <= 0) {
        return -EINVAL;
    }
    struct stat st {};
    if (::fstat(file.fd.Get(), &st) != 0) {
        return -errno;
    }
    if (mode == 0 && offset + length > st.st_size) {
        if (int rc = CipheredFile(file.fd.Get(), rules.key).Resize(offset + length); rc != 0) {
            return rc;
        }
    }
    int rc = ::fallocate(file.fd.Get(), mode, offset, length);
    return rc == 0 || errno == EOPNOTSUPP ? 0 : -errno;
}

int VxStatfs(const char*, struct statvfs* st) {
    return Errno(::fstatvfs(Context().tree.Fd(), st));
}

int VxFlush(const char*, fuse_file_info*) {
    return 0;
}

int VxRelease(const char*, fuse_file_info* fi) {
    std::unique_ptr<OpenFile> file(reinterpret_cast<OpenFile*>(fi->fh));
    Context().openFiles.Remove(file->registryId);
    return 0;
}

int VxFsync(const char*, int dataOnly, fuse_file_info* fi) {
    int fd = FileOf(fi).fd.Get();
    return Errno(dataOnly != 0 ? ::fdatasync(fd) : ::fsync(fd));
}

// ---- folders --------------------------------------------------------------------

int VxOpendir(const char* path, fuse_file_info* fi) {
    if (RulesOf(path).Forbids(kForbidSearch)) {
        return -EACCES;
    }
    int fd = Context().tree.Open(path, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return fd;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        int error = errno;
        ::close(fd);
        return -error;
    }
    fi->fh = reinterpret_cast<std::uint64_t>(new OpenDir{dir});
    return 0;
}

// With readdirplus the attributes travel with the names, so listing a folder
// and then opening its files costs no lookup per file.
int VxReaddir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* fi,
              fuse_readdir_flags flags) {
    auto* handle = reinterpret_cast<OpenDir*>(fi->fh);
    const bool plus = (flags & FUSE_READDIR_PLUS) != 0;
    ::rewinddir(handle->dir);
    for (;;) {
        errno = 0;
        dirent* entry = ::readdir(handle->dir);
        if (entry == nullptr) {
            return errno != 0 ? -errno : 0;
        }
        struct stat st {};
        auto fillFlags = static_cast<fuse_fill_dir_flags>(0);
        bool dots = std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0;
        if (plus && !dots &&
            ::fstatat(::dirfd(handle->dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            fillFlags = FUSE_FILL_DIR_PLUS;
        } else {
            st = {};
            st.st_ino = entry->d_ino;
            st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        }
        if (fill(buffer, entry->d_name, &st, 0, fillFlags) != 0) {
            return 0;
        }
    }
}

int VxReleasedir(const char*, fuse_file_info* fi) {
    std::unique_ptr<OpenDir> handle(reinterpret_cast<OpenDir*>(fi->fh));
    ::closedir(handle->dir);
    return 0;
}

int VxFsyncdir(const char*, int, fuse_file_info* fi) {
    return Errno(::fsync(::dirfd(reinterpret_cast<OpenDir*>(fi->fh)->dir)));
}

void* VxInit(fuse_conn_info* conn, fuse_config* cfg) {
    cfg->use_ino = 1;
    cfg->hard_remove = 1;  // descriptors keep unlinked files; no hidden renames
    cfg->nullpath_ok = 1;
    cfg->kernel_cache = 0;
    cfg->auto_cache = 0;
    cfg->direct_io = 0;
    cfg->entry_timeout = 1.0;
    cfg->attr_timeout = 1.0;
    cfg->negative_timeout = 0.0;
    conn->want |= conn->capable & FUSE_CAP_READDIRPLUS;
    // File data must always pass through read and write so it is ciphered:
    // no splicing of stored bytes, no kernel write-back that could merge
    // writes behind our back.
    conn->want &= ~(FUSE_CAP_SPLICE_READ | FUSE_CAP_SPLICE_WRITE | FUSE_CAP_SPLICE_MOVE |
                    FUSE_CAP_WRITEBACK_CACHE);
    conn->max_write = 1u << 20;
    return fuse_get_context()->private_data;
}

fuse_operations MakeOperations() {
    fuse_operations ops{};
    ops.getattr = VxGetattr;
    ops.readlink = VxReadlink;
    ops.mknod = VxMknod;
    ops.mkdir = VxMkdir;
    ops.unlink = VxUnlink;
    ops.rmdir = VxRmdir;
    ops.symlink = VxSymlink;
    ops.rename = VxRename;
    ops.link = VxLink;
    ops.chmod = VxChmod;
    ops.chown = VxChown;
    ops.truncate = VxTruncate;
    ops.open = VxOpen;
    ops.read = VxRead;
    ops.write = VxWrite;
    ops.statfs = VxStatfs;
    ops.flush = VxFlush;
    ops.release = VxRelease;
    ops.fsync = VxFsync;
    ops.setxattr = VxSetxattr;
    ops.getxattr = VxGetxattr;
    ops.listxattr = VxListxattr;
    ops.removexattr = VxRemovexattr;
    ops.opendir = VxOpendir;
    ops.readdir = VxReaddir;
    ops.releasedir = VxReleasedir;
    ops.fsyncdir = VxFsyncdir;
    ops.init = VxInit;
    ops.create = VxCreate;
    ops.utimens = VxUtimens;
    ops.fallocate = VxFallocate;
    return ops;
}

}  // namespace

const fuse_operations& VxOperations() {
    static const fuse_operations ops = MakeOperations();
    return ops;
}

}  // namespace tsrn::vx
