#pragma once
// What one mount's file-system requests work with.

#include <atomic>
#include <memory>
#include <string>

#include "FileLockTable.h"
#include "FolderTable.h"
#include "HandleSet.h"
#include "InodeTable.h"
#include "OpenFileRegistry.h"

namespace tsrn::vx {

struct MountContext {
    MountContext(std::string path, UniqueFd rootFd, FolderTable& folderTable,
                 OpenFileRegistry& registry, FileLockTable& lockTable, bool root)
        : mountPath(std::move(path)),
          inodes(std::move(rootFd), mountPath),
          table(folderTable),
          openFiles(registry),
          locks(lockTable),
          asRoot(root) {}

    std::string mountPath;  // canonical, never "/"
    InodeTable inodes;
    FolderTable& table;
    OpenFileRegistry& openFiles;
    FileLockTable& locks;
    bool asRoot;
    HandleSet handles;  // after the tables it refers to, so it goes first
    std::unique_ptr<FolderTable> frozenOwner;
    std::atomic<const FolderTable*> frozen{nullptr};

    // Rules for a path: the live table, or the table as it was when this
    // mount was detached, so files still open keep their ciphering.
    FolderRules RulesFor(const std::string& absolutePath) const {
        const FolderTable* frozenTable = frozen.load(std::memory_order_acquire);
        return (frozenTable != nullptr ? *frozenTable : table).RulesFor(absolutePath);
    }
    bool HoldsRegisteredFolder(const std::string& absolutePath) const {
        const FolderTable* frozenTable = frozen.load(std::memory_order_acquire);
        return (frozenTable != nullptr ? *frozenTable : table).HoldsRegisteredFolder(absolutePath);
    }
    // Set once, before the mount is detached; lives as long as the context.
    void Freeze(std::unique_ptr<FolderTable> snapshot) {
        frozenOwner = std::move(snapshot);
        frozen.store(frozenOwner.get(), std::memory_order_release);
    }

    FolderRules RulesOf(const Inode& inode) const { return RulesFor(inodes.PathOf(inode)); }
};

}  // namespace tsrn::vx
