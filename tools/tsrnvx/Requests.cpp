#include "Requests.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "CipheredFile.h"

namespace tsrn::vx::requests {

std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

bool ValidName(const char* name) {
    return name[0] != '\0' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
           std::strchr(name, '/') == nullptr;
}

int StatOf(const Inode& inode, struct stat& st) {
    return ::fstatat(inode.fd.Get(), "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) == 0 ? 0
                                                                                        : -errno;
}

int Lookup(MountContext& mount, Inode& parent, const char* name, fuse_entry_param& entry) {
    if (!ValidName(name)) {
        return -EINVAL;
    }
    int fd = ::openat(parent.fd.Get(), name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    UniqueFd node(fd);
    entry = fuse_entry_param{};
    if (::fstatat(fd, "", &entry.attr, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return -errno;
    }
    Inode& inode = mount.inodes.Remember(std::move(node), entry.attr, parent, name);
    entry.ino = mount.inodes.IdOf(inode);
    entry.attr_timeout = kCacheSeconds;
    entry.entry_timeout = kCacheSeconds;
    return 0;
}

void ReplyEntry(fuse_req_t request, int rc, const fuse_entry_param& entry) {
    if (rc != 0) {
        fuse_reply_err(request, -rc);
    } else if (fuse_reply_entry(request, &entry) != 0) {
        // The caller was interrupted: the kernel never counts this lookup.
        Mount(request).inodes.Forget(entry.ino, 1);
    }
}

int ResizeLocked(int fd, std::shared_mutex& lock, const FolderRules& rules, off_t size) {
    std::unique_lock guard(lock);
    if (rules.Ciphered()) {
        return CipheredFile(fd, rules.key).Resize(size);
    }
    return ::ftruncate(fd, size) == 0 ? 0 : -errno;
}

}  // namespace tsrn::vx::requests
