#pragma once
// One reader/writer lock per file (device and inode), shared by every handle
// open on it, so concurrent readers and writers of a ciphered file never see
// a half re-encoded tail. An entry lives while a handle holds it.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>

namespace tsrn::vx {

class FileLockTable {
  public:
    std::shared_ptr<std::shared_mutex> Acquire(dev_t device, ino_t inode);
    // Records that the file is opened under rules `generation`; true when it
    // was last opened under the same one, so its cached pages still hold
    // what a read would return now.
    bool SameGenerationAsLastOpen(dev_t device, ino_t inode, std::uint64_t generation);

  private:
    using Key = std::pair<dev_t, ino_t>;
    std::mutex mutex_;
    std::map<Key, std::weak_ptr<std::shared_mutex>> locks_;
    std::map<Key, std::uint64_t> openedUnder_;
};

}  // namespace tsrn::vx
