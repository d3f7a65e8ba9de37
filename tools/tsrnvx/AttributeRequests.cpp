// Lookups, forgetting, attributes, links' targets and the file system's size.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "AccessRules.h"
#include "Requests.h"

namespace tsrn::vx::requests {
namespace {

int Errno(int result) {
    return result < 0 ? -errno : result;
}

void ReplyAttr(fuse_req_t request, int rc, const struct stat& st) {
    if (rc != 0) {
        fuse_reply_err(request, -rc);
    } else {
        fuse_reply_attr(request, &st, kCacheSeconds);
    }
}

int ChangeMode(const Inode& inode, int fileFd, mode_t mode) {
    if (fileFd >= 0) {
        return Errno(::fchmod(fileFd, mode));
    }
    if (S_ISLNK(inode.type)) {
        return -EOPNOTSUPP;
    }
    return Errno(::chmod(ProcPath(inode.fd.Get()).c_str(), mode));
}

int ChangeOwner(const Inode& inode, int fileFd, uid_t uid, gid_t gid) {
    if (fileFd >= 0) {
        return Errno(::fchown(fileFd, uid, gid));
    }
    return Errno(::fchownat(inode.fd.Get(), "", uid, gid, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW));
}

int ChangeTimes(const Inode& inode, int fileFd, const struct stat& attr, int toSet) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if ((toSet & FUSE_SET_ATTR_ATIME_NOW) != 0) {
        times[0].tv_nsec = UTIME_NOW;
    } else if ((toSet & FUSE_SET_ATTR_ATIME) != 0) {
        times[0] = attr.st_atim;
    }
    if ((toSet & FUSE_SET_ATTR_MTIME_NOW) != 0) {
        times[1].tv_nsec = UTIME_NOW;
    } else if ((toSet & FUSE_SET_ATTR_MTIME) != 0) {
        times[1] = attr.st_mtim;
    }
    if (fileFd >= 0) {
        return Errno(::futimens(fileFd, times));
    }
    return Errno(::utimensat(inode.fd.Get(), "", times, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW));
}

int ChangeSize(MountContext& mount, const Inode& inode, fuse_file_info* fi,
               const FolderRules& rules, off_t size) {
    if (fi != nullptr && fi->fh != 0) {
        OpenFile& file = FileOf(fi);
        return ResizeLocked(file.fd.Get(), *file.lock, rules, size);
    }
    if (!S_ISREG(inode.type)) {
        return S_ISDIR(inode.type) ? -EISDIR : -EINVAL;
    }
    std::string proc = ProcPath(inode.fd.Get());
    int fd = ::open(proc.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == EACCES && !rules.Ciphered()) {
        fd = ::open(proc.c_str(), O_WRONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        return -errno;
    }
    UniqueFd file(fd);
    auto lock = mount.locks.Acquire(inode.device, inode.number);
    return ResizeLocked(file.Get(), *lock, rules, size);
}

}  // namespace

void LookupEntry(fuse_req_t request, fuse_ino_t parent, const char* name) {
    MountContext& mount = Mount(request);
    fuse_entry_param entry{};
    int rc = Lookup(mount, mount.inodes.Get(parent), name, entry);
    if (rc == -ENOENT) {
        // No entry, and nothing cached about its absence.
        entry = fuse_entry_param{};
        fuse_reply_entry(request, &entry);
        return;
    }
    ReplyEntry(request, rc, entry);
}

void Forget(fuse_req_t request, fuse_ino_t id, std::uint64_t count) {
    Mount(request).inodes.Forget(id, count);
    fuse_reply_none(request);
}

void ForgetMulti(fuse_req_t request, size_t count, fuse_forget_data* forgets) {
    MountContext& mount = Mount(request);
    for (size_t i = 0; i < count; ++i) {
        mount.inodes.Forget(forgets[i].ino, forgets[i].nlookup);
    }
    fuse_reply_none(request);
}

// An open file answers from its descriptor, so a file whose last name is
// gone still has its attributes (with a link count of 0).
void GetAttr(fuse_req_t request, fuse_ino_t id, fuse_file_info* fi) {
    struct stat st {};
    int rc = fi != nullptr && fi->fh != 0 ? Errno(::fstat(FileOf(fi).fd.Get(), &st))
                                          : StatOf(InodeOf(request, id), st);
    ReplyAttr(request, rc, st);
}

void SetAttr(fuse_req_t request, fuse_ino_t id, struct stat* attr, int toSet, fuse_file_info* fi) {
    MountContext& mount = Mount(request);
    Inode& inode = mount.inodes.Get(id);
    const bool open = fi != nullptr && fi->fh != 0;
    FolderRules rules = open ? mount.RulesFor(FileOf(fi).absolutePath) : mount.RulesOf(inode);
    int fileFd = open ? FileOf(fi).fd.Get() : -1;
    int rc = access::Change(rules);
    if (rc == 0 && (toSet & FUSE_SET_ATTR_MODE) != 0) {
        rc = ChangeMode(inode, fileFd, attr->st_mode);
    }
    if (rc == 0 && (toSet & (FUSE_SET_ATTR_UID | FUSE_SET_ATTR_GID)) != 0) {
        uid_t uid = (toSet & FUSE_SET_ATTR_UID) != 0 ? attr->st_uid : static_cast<uid_t>(-1);
        gid_t gid = (toSet & FUSE_SET_ATTR_GID) != 0 ? attr->st_gid : static_cast<gid_t>(-1);
        rc = ChangeOwner(inode, fileFd, uid, gid);
    }
    if (rc == 0 && (toSet & FUSE_SET_ATTR_SIZE) != 0) {
        rc = ChangeSize(mount, inode, fi, rules, attr->st_size);
    }
    constexpr int kTimes = FUSE_SET_ATTR_ATIME | FUSE_SET_ATTR_MTIME | FUSE_SET_ATTR_ATIME_NOW |
                           FUSE_SET_ATTR_MTIME_NOW;
    if (rc == 0 && (toSet & kTimes) != 0) {
        rc = ChangeTimes(inode, fileFd, *attr, toSet);
    }
    struct stat st {};
    if (rc == 0) {
        rc = open ? Errno(::fstat(fileFd, &st)) : StatOf(inode, st);
    }
    ReplyAttr(request, rc, st);
}

void ReadLink(fuse_req_t request, fuse_ino_t id) {
    char target[PATH_MAX + 1];
    ssize_t length = ::readlinkat(InodeOf(request, id).fd.Get(), "", target, PATH_MAX);
    if (length < 0) {
        fuse_reply_err(request, errno);
        return;
    }
    target[length] = '\0';
    fuse_reply_readlink(request, target);
}

void StatFs(fuse_req_t request, fuse_ino_t) {
    struct statvfs st {};
    if (::fstatvfs(Mount(request).inodes.Root().fd.Get(), &st) != 0) {
        fuse_reply_err(request, errno);
        return;
    }
    fuse_reply_statfs(request, &st);
}

}  // namespace tsrn::vx::requests
