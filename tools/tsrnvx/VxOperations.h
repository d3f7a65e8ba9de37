#pragma once
// The file-system callbacks of a mount: ciphering in the stored format for
// working folders, the folders' prohibitions on every operation that could get
// around them, everything resolved beneath the folder's descriptor.

#define FUSE_USE_VERSION 314
#include <fuse.h>

namespace tsrn::vx {

const fuse_operations& VxOperations();

}  // namespace tsrn::vx
