#pragma once
// Mounting as an ordinary user: fusermount3 (set-user-id) mounts the folder
// and hands back the FUSE device descriptor over a socket, as libfuse itself
// does; used directly because libfuse gives up without trying it when the
// device cannot be opened by the user.

#include <string>

namespace tsrn::vx {

// The device descriptor of a fresh mount at `path`, or -1.
[[nodiscard]] int MountThroughFusermount(const std::string& path, const std::string& options);
// Unmounts lazily; false when fusermount3 could not do it.
[[nodiscard]] bool UnmountThroughFusermount(const std::string& path);

}  // namespace tsrn::vx
