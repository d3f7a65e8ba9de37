#pragma once
// A driver killed with SIGKILL cannot unmount: its mounts stay behind dead
// ("Transport endpoint is not connected") and hide the folders beneath them.
// These are found in the mount table (file system type fuse.tsrnvx) and
// detached lazily, as root directly, otherwise through fusermount3. Live
// mounts of a running driver are left alone.

#include <string>
#include <vector>

namespace tsrn::driver {

// The mount points of this process's mount table whose type is fuse.tsrnvx,
// with the table's escapes (\040 for a blank, ...) undone.
std::vector<std::string> DriverMountPoints();

// Detaches every dead driver mount; returns how many it detached.
int DetachDeadDriverMounts();

}  // namespace tsrn::driver
