#pragma once
// The files and folders the kernel knows by node id, one entry per (device,
// inode) whatever the number of names it was reached under, each holding an
// O_PATH descriptor opened beneath the served folder. An entry lives while
// the kernel holds lookups of it (or a child names it as its parent).
//
// Each entry also remembers one name and the folder it was found in, so its
// path, which decides the rules that apply to it, can be told.

#define FUSE_USE_VERSION 314
#include <fuse_lowlevel.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/UniqueFd.h"

namespace tsrn::vx {

struct Inode {
    UniqueFd fd;  // O_PATH, never followed
    dev_t device = 0;
    ino_t number = 0;
    mode_t type = 0;  // the S_IFMT bits
    // Guarded by the table's mutex.
    std::uint64_t lookups = 0;
    std::shared_ptr<Inode> parent;
    std::string name;
};

class InodeTable {
  public:
    InodeTable(UniqueFd rootFd, std::string mountPath);

    Inode& Root() { return *root_; }
    // The entry of a node id the kernel holds a lookup of.
    Inode& Get(fuse_ino_t id);
    fuse_ino_t IdOf(const Inode& inode) const;

    // Counts one lookup of the entry for `fd` (an O_PATH descriptor of `name`
    // in `parent`, described by `st`), making the entry when it is new.
    Inode& Remember(UniqueFd fd, const struct stat& st, Inode& parent, const std::string& name);
    void Forget(fuse_ino_t id, std::uint64_t count);
    // After a rename: the entry of (device, inode), if known, now lives as
    // `name` in `parent`.
    void Moved(dev_t device, ino_t number, Inode& parent, const std::string& name);

    // The path as the rest of the system sees it.
    std::string PathOf(const Inode& inode) const;
    std::string PathOf(const Inode& parent, const char* name) const;

  private:
    using Key = std::pair<dev_t, ino_t>;
    std::shared_ptr<Inode> SharedOf(Inode& inode);

    const std::string mountPath_;
    std::shared_ptr<Inode> root_;
    mutable std::mutex mutex_;
    std::map<Key, std::shared_ptr<Inode>> inodes_;
};

}  // namespace tsrn::vx
