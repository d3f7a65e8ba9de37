#include "LowLevelOps.h"

#include "Requests.h"

namespace tsrn::vx {
namespace {

void Init(void*, fuse_conn_info* conn) {
    conn->want |= conn->capable & (FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
    // File data must always pass through Read and Write so it is ciphered:
    // no splicing of stored bytes.
    conn->want &= ~(FUSE_CAP_SPLICE_READ | FUSE_CAP_SPLICE_WRITE | FUSE_CAP_SPLICE_MOVE |
                    FUSE_CAP_WRITEBACK_CACHE);
    // Requests of up to 1 MiB (256 pages) both ways.
    conn->max_write = 1u << 20;
    conn->max_readahead = 1u << 20;
}

fuse_lowlevel_ops MakeOperations() {
    using namespace requests;
    fuse_lowlevel_ops ops{};
    ops.init = Init;
    ops.lookup = LookupEntry;
    ops.forget = Forget;
    ops.forget_multi = ForgetMulti;
    ops.getattr = GetAttr;
    ops.setattr = SetAttr;
    ops.readlink = ReadLink;
    ops.statfs = StatFs;
    ops.mknod = MakeNode;
    ops.mkdir = MakeDir;
    ops.symlink = MakeSymlink;
    ops.unlink = Unlink;
    ops.rmdir = RemoveDir;
    ops.link = Link;
    ops.rename = Rename;
    ops.opendir = OpenDir;
    ops.readdir = ReadDir;
    ops.readdirplus = ReadDirPlus;
    ops.releasedir = ReleaseDir;
    ops.fsyncdir = SyncDir;
    ops.open = Open;
    ops.create = Create;
    ops.read = Read;
    ops.write = Write;
    ops.flush = Flush;
    ops.release = Release;
    ops.fsync = Sync;
    ops.fallocate = Allocate;
    ops.setxattr = SetXattr;
    ops.getxattr = GetXattr;
    ops.listxattr = ListXattr;
    ops.removexattr = RemoveXattr;
    return ops;
}

}  // namespace

const fuse_lowlevel_ops& LowLevelOperations() {
    static const fuse_lowlevel_ops ops = MakeOperations();
    return ops;
}

}  // namespace tsrn::vx
