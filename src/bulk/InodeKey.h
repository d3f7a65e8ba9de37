#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>

namespace tsrn::bulk {

// A file by what it is, whatever its names: one key for every hard link.
struct InodeKey {
    dev_t device;
    ino_t inode;
    bool operator==(const InodeKey&) const = default;
};

struct InodeHash {
    std::size_t operator()(const InodeKey& key) const {
        return std::hash<ino_t>()(key.inode) * 31 + std::hash<dev_t>()(key.device);
    }
};

}  // namespace tsrn::bulk
