// Extended attributes, of files and folders (not of links themselves).

#include <sys/xattr.h>

#include <cerrno>
#include <vector>

#include "AccessRules.h"
#include "Requests.h"

namespace tsrn::vx::requests {
namespace {

bool IsLink(const Inode& inode) {
    return S_ISLNK(inode.type);
}

// Answers a size query (size 0) with the size, otherwise with the bytes.
void ReplySized(fuse_req_t request, size_t size, ssize_t got, const std::vector<char>& buffer) {
    if (got < 0) {
        fuse_reply_err(request, errno);
    } else if (size == 0) {
        fuse_reply_xattr(request, static_cast<size_t>(got));
    } else {
        fuse_reply_buf(request, buffer.data(), static_cast<size_t>(got));
    }
}

}  // namespace

void SetXattr(fuse_req_t request, fuse_ino_t id, const char* name, const char* value, size_t size,
              int flags) {
    MountContext& mount = Mount(request);
    Inode& inode = mount.inodes.Get(id);
    int rc = access::Change(mount.RulesOf(inode));
    if (rc == 0 && IsLink(inode)) {
        rc = -EOPNOTSUPP;
    }
    if (rc == 0 && ::setxattr(ProcPath(inode.fd.Get()).c_str(), name, value, size, flags) != 0) {
        rc = -errno;
    }
    fuse_reply_err(request, -rc);
}

void GetXattr(fuse_req_t request, fuse_ino_t id, const char* name, size_t size) {
    Inode& inode = InodeOf(request, id);
    if (IsLink(inode)) {
        fuse_reply_err(request, ENODATA);
        return;
    }
    std::vector<char> buffer(size);
    ssize_t got = ::getxattr(ProcPath(inode.fd.Get()).c_str(), name,
                             size == 0 ? nullptr : buffer.data(), size);
    ReplySized(request, size, got, buffer);
}

void ListXattr(fuse_req_t request, fuse_ino_t id, size_t size) {
    Inode& inode = InodeOf(request, id);
    if (IsLink(inode)) {
        if (size == 0) {
            fuse_reply_xattr(request, 0);
        } else {
            fuse_reply_buf(request, nullptr, 0);
        }
        return;
    }
    std::vector<char> buffer(size);
    ssize_t got =
        ::listxattr(ProcPath(inode.fd.Get()).c_str(), size == 0 ? nullptr : buffer.data(), size);
    ReplySized(request, size, got, buffer);
}

void RemoveXattr(fuse_req_t request, fuse_ino_t id, const char* name) {
    MountContext& mount = Mount(request);
    Inode& inode = mount.inodes.Get(id);
    int rc = access::Change(mount.RulesOf(inode));
    if (rc == 0 && IsLink(inode)) {
        rc = -EOPNOTSUPP;
    }
    if (rc == 0 && ::removexattr(ProcPath(inode.fd.Get()).c_str(), name) != 0) {
        rc = -errno;
    }
    fuse_reply_err(request, -rc);
}

}  // namespace tsrn::vx::requests
