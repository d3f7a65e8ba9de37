#pragma once
// The file-system requests of every mount, on libfuse's low-level API. The
// session's user data is the mount's MountContext; node ids are InodeTable
// entries. Each request is answered exactly once, by the function serving it.
//
// Lock order (take only in this order; none is held while taking an earlier
// one):
//  1. FolderTable (shared_mutex): readers copy a FolderRules value and release
//     it at once;
//  2. InodeTable's mutex: held only to find, count, forget or rename entries
//     and to tell a path; never during I/O;
//  3. FileLockTable and OpenFileRegistry mutexes: held only to update their
//     maps;
//  4. a file's reader/writer lock (one per device and inode): shared for
//     reads of ciphered files, exclusive for every write and size change,
//     held across the I/O of one request with nothing else taken meanwhile.

#define FUSE_USE_VERSION 314
#include <fuse_lowlevel.h>

namespace tsrn::vx {

const fuse_lowlevel_ops& LowLevelOperations();

}  // namespace tsrn::vx
