#pragma once
// Every path the file system is asked about is resolved beneath the served
// folder's directory descriptor, opened before the mount covered the folder.
// No component may be a symbolic link and nothing may climb out through
// "..": a link inside the folder is shown as a link and left to the kernel to
// follow, never followed here.

#include <sys/types.h>

#include <string>

#include "platform/UniqueFd.h"

namespace tsrn::vx {

class TreeRoot {
  public:
    explicit TreeRoot(UniqueFd rootFd) : root_(std::move(rootFd)) {}

    int Fd() const { return root_.Get(); }
    // `path` is the file system's path ("/" for the root, "/a/b" below it).
    // Returns a descriptor or -errno; the last component is never followed.
    int Open(const char* path, int flags, mode_t mode = 0) const;

    // The directory holding the last component of `path`, and that component.
    // `dirFd` is the root's own descriptor for entries at the top (not owned
    // by `owned`). Fails with -EINVAL for the root itself.
    struct Parent {
        UniqueFd owned;
        int dirFd = -1;
        std::string leaf;
    };
    int OpenParent(const char* path, Parent& parent) const;

  private:
    UniqueFd root_;
};

}  // namespace tsrn::vx
