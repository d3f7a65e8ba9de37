// Making, linking, renaming and removing names.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "AccessRules.h"
#include "CallerIdentity.h"
#include "Requests.h"

namespace tsrn::vx::requests {
namespace {

// Makes `name` in `parent` as the caller, with `make` (0 or -errno), and
// answers with the new entry.
template <typename Make>
void MakeEntry(fuse_req_t request, fuse_ino_t parentId, const char* name, Make make) {
    MountContext& mount = Mount(request);
    Inode& parent = mount.inodes.Get(parentId);
    int rc = ValidName(name) ? access::Change(mount.RulesFor(mount.inodes.PathOf(parent, name)))
                             : -EINVAL;
    if (rc == 0) {
        CallerIdentity caller(mount.asRoot, request);
        rc = make(parent.fd.Get()) == 0 ? 0 : -errno;
    }
    fuse_entry_param entry{};
    if (rc == 0) {
        rc = Lookup(mount, parent, name, entry);
    }
    ReplyEntry(request, rc, entry);
}

void RemoveEntry(fuse_req_t request, fuse_ino_t parentId, const char* name, int flags) {
    MountContext& mount = Mount(request);
    Inode& parent = mount.inodes.Get(parentId);
    if (!ValidName(name)) {
        fuse_reply_err(request, EINVAL);
        return;
    }
    std::string path = mount.inodes.PathOf(parent, name);
    int rc = access::Remove(mount.RulesFor(path), mount.HoldsRegisteredFolder(path));
    if (rc == 0 && ::unlinkat(parent.fd.Get(), name, flags) != 0) {
        rc = -errno;
    }
    fuse_reply_err(request, -rc);
}

}  // namespace

void MakeNode(fuse_req_t request, fuse_ino_t parent, const char* name, mode_t mode, dev_t rdev) {
    MakeEntry(request, parent, name, [&](int dirFd) {
        if (S_ISREG(mode)) {
            int fd = ::openat(dirFd, name, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC,
                              mode & 07777);
            return fd < 0 ? -1 : ::close(fd);
        }
        if (S_ISFIFO(mode)) {
            return ::mkfifoat(dirFd, name, mode & 07777);
        }
        return ::mknodat(dirFd, name, mode, rdev);
    });
}

void MakeDir(fuse_req_t request, fuse_ino_t parent, const char* name, mode_t mode) {
    MakeEntry(request, parent, name, [&](int dirFd) { return ::mkdirat(dirFd, name, mode); });
}

void MakeSymlink(fuse_req_t request, const char* target, fuse_ino_t parent, const char* name) {
    MakeEntry(request, parent, name, [&](int dirFd) { return ::symlinkat(target, dirFd, name); });
}

void Unlink(fuse_req_t request, fuse_ino_t parent, const char* name) {
    RemoveEntry(request, parent, name, 0);
}

void RemoveDir(fuse_req_t request, fuse_ino_t parent, const char* name) {
    RemoveEntry(request, parent, name, AT_REMOVEDIR);
}

// The new name is the same entry: one node id, one set of attributes.
void Link(fuse_req_t request, fuse_ino_t id, fuse_ino_t newParentId, const char* newName) {
    MountContext& mount = Mount(request);
    Inode& inode = mount.inodes.Get(id);
    Inode& newParent = mount.inodes.Get(newParentId);
    int rc = ValidName(newName)
                 ? access::Link(mount.RulesOf(inode),
                                mount.RulesFor(mount.inodes.PathOf(newParent, newName)))
                 : -EINVAL;
    if (rc == 0 && ::linkat(AT_FDCWD, ProcPath(inode.fd.Get()).c_str(), newParent.fd.Get(), newName,
                            AT_SYMLINK_FOLLOW) != 0) {
        rc = -errno;
    }
    fuse_entry_param entry{};
    if (rc == 0) {
        rc = Lookup(mount, newParent, newName, entry);
    }
    ReplyEntry(request, rc, entry);
}

void Rename(fuse_req_t request, fuse_ino_t parentId, const char* name, fuse_ino_t newParentId,
            const char* newName, unsigned int flags) {
    MountContext& mount = Mount(request);
    Inode& parent = mount.inodes.Get(parentId);
    Inode& newParent = mount.inodes.Get(newParentId);
    if (!ValidName(name) || !ValidName(newName)) {
        fuse_reply_err(request, EINVAL);
        return;
    }
    struct stat moving {};
    if (::fstatat(parent.fd.Get(), name, &moving, AT_SYMLINK_NOFOLLOW) != 0) {
        fuse_reply_err(request, errno);
        return;
    }
    struct stat replaced {};
    bool targetExists = ::fstatat(newParent.fd.Get(), newName, &replaced, AT_SYMLINK_NOFOLLOW) == 0;
    std::string from = mount.inodes.PathOf(parent, name);
    std::string to = mount.inodes.PathOf(newParent, newName);
    access::RenameCase rename;
    rename.from = mount.RulesFor(from);
    rename.to = mount.RulesFor(to);
    rename.fromHoldsRegistered = mount.HoldsRegisteredFolder(from);
    rename.toHoldsRegistered = mount.HoldsRegisteredFolder(to);
    rename.targetExists = targetExists;
    rename.exchange = (flags & RENAME_EXCHANGE) != 0;
    int rc = access::Rename(rename);
    if (rc == 0 && ::renameat2(parent.fd.Get(), name, newParent.fd.Get(), newName, flags) != 0) {
        rc = -errno;
    }
    if (rc == 0) {
        mount.inodes.Moved(moving.st_dev, moving.st_ino, newParent, newName);
        if (rename.exchange) {
            mount.inodes.Moved(replaced.st_dev, replaced.st_ino, parent, name);
        }
    }
    fuse_reply_err(request, -rc);
}

}  // namespace tsrn::vx::requests
