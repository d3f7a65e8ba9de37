#include "InodeTable.h"

#include <vector>

namespace tsrn::vx {

InodeTable::InodeTable(UniqueFd rootFd, std::string mountPath)
    : mountPath_(std::move(mountPath)), root_(std::make_shared<Inode>()) {
    struct stat st {};
    ::fstat(rootFd.Get(), &st);
    root_->fd = std::move(rootFd);
    root_->device = st.st_dev;
    root_->number = st.st_ino;
    root_->type = S_IFDIR;
    root_->lookups = 1;
}

Inode& InodeTable::Get(fuse_ino_t id) {
    return id == FUSE_ROOT_ID ? *root_ : *reinterpret_cast<Inode*>(id);
}

fuse_ino_t InodeTable::IdOf(const Inode& inode) const {
    return &inode == root_.get() ? FUSE_ROOT_ID : reinterpret_cast<fuse_ino_t>(&inode);
}

std::shared_ptr<Inode> InodeTable::SharedOf(Inode& inode) {
    if (&inode == root_.get()) {
        return root_;
    }
    auto it = inodes_.find(Key{inode.device, inode.number});
    return it != inodes_.end() && it->second.get() == &inode ? it->second : nullptr;
}

Inode& InodeTable::Remember(UniqueFd fd, const struct stat& st, Inode& parent,
                            const std::string& name) {
    std::lock_guard guard(mutex_);
    if (st.st_dev == root_->device && st.st_ino == root_->number) {
        return *root_;
    }
    std::shared_ptr<Inode>& slot = inodes_[Key{st.st_dev, st.st_ino}];
    if (!slot) {
        slot = std::make_shared<Inode>();
        slot->fd = std::move(fd);
        slot->device = st.st_dev;
        slot->number = st.st_ino;
        slot->type = st.st_mode & S_IFMT;
        slot->parent = SharedOf(parent);
        slot->name = name;
    }
    ++slot->lookups;
    return *slot;
}

void InodeTable::Forget(fuse_ino_t id, std::uint64_t count) {
    if (id == FUSE_ROOT_ID) {
        return;
    }
    std::shared_ptr<Inode> dropped;
    std::lock_guard guard(mutex_);
    Inode& inode = Get(id);
    inode.lookups -= std::min(count, inode.lookups);
    if (inode.lookups == 0) {
        auto it = inodes_.find(Key{inode.device, inode.number});
        if (it != inodes_.end() && it->second.get() == &inode) {
            dropped = std::move(it->second);  // freed after the mutex is released
            inodes_.erase(it);
        }
    }
}

void InodeTable::Moved(dev_t device, ino_t number, Inode& parent, const std::string& name) {
    std::lock_guard guard(mutex_);
    auto it = inodes_.find(Key{device, number});
    if (it != inodes_.end()) {
        it->second->parent = SharedOf(parent);
        it->second->name = name;
    }
}

std::string InodeTable::PathOf(const Inode& inode) const {
    std::vector<const std::string*> names;
    std::lock_guard guard(mutex_);
    for (const Inode* at = &inode; at != nullptr && at != root_.get(); at = at->parent.get()) {
        names.push_back(&at->name);
    }
    std::string path = mountPath_;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        path += '/';
        path += **it;
    }
    return path;
}

std::string InodeTable::PathOf(const Inode& parent, const char* name) const {
    return PathOf(parent) + "/" + name;
}

}  // namespace tsrn::vx
