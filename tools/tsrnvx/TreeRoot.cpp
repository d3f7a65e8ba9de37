#include "TreeRoot.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tsrn::vx {
namespace {

std::string Relative(const char* path) {
    while (*path == '/') {
        ++path;
    }
    return *path == '\0' ? std::string(".") : std::string(path);
}

int OpenBeneath(int root, const std::string& relative, int flags, mode_t mode) {
    struct open_how how {};
    how.flags = static_cast<std::uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    for (;;) {
        long fd = ::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
        if (fd >= 0) {
            return static_cast<int>(fd);
        }
        if (errno != EINTR && errno != EAGAIN) {
            return -errno;
        }
    }
}

}  // namespace

int TreeRoot::Open(const char* path, int flags, mode_t mode) const {
    return OpenBeneath(root_.Get(), Relative(path), flags, mode);
}

int TreeRoot::OpenParent(const char* path, Parent& parent) const {
    std::string relative = Relative(path);
    if (relative == ".") {
        return -EINVAL;
    }
    std::size_t cut = relative.find_last_of('/');
    if (cut == std::string::npos) {
        parent.dirFd = root_.Get();
        parent.leaf = relative;
        return 0;
    }
    int fd = OpenBeneath(root_.Get(), relative.substr(0, cut), O_PATH | O_DIRECTORY, 0);
    if (fd < 0) {
        return fd;
    }
    parent.owned.Reset(fd);
    parent.dirFd = fd;
    parent.leaf = relative.substr(cut + 1);
    return 0;
}

}  // namespace tsrn::vx
