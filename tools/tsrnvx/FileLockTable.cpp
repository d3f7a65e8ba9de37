#include "FileLockTable.h"

namespace tsrn::vx {

std::shared_ptr<std::shared_mutex> FileLockTable::Acquire(dev_t device, ino_t inode) {
    std::lock_guard guard(mutex_);
    Key key{device, inode};
    if (auto existing = locks_[key].lock()) {
        return existing;
    }
    // Expired entries are dropped here, under the table's mutex, rather than
    // from a deleter that could run while another thread holds it.
    for (auto it = locks_.begin(); it != locks_.end();) {
        it = it->second.expired() && it->first != key ? locks_.erase(it) : std::next(it);
    }
    auto fresh = std::make_shared<std::shared_mutex>();
    locks_[key] = fresh;
    return fresh;
}

bool FileLockTable::SameGenerationAsLastOpen(dev_t device, ino_t inode, std::uint64_t generation) {
    constexpr std::size_t kMaxRemembered = 1 << 17;
    std::lock_guard guard(mutex_);
    if (openedUnder_.size() >= kMaxRemembered) {
        openedUnder_.clear();  // forgetting only costs a cache refill
    }
    std::uint64_t& last = openedUnder_[Key{device, inode}];
    bool same = last == generation;
    last = generation;
    return same;
}

}  // namespace tsrn::vx
