#pragma once
// What one mount's file-system callbacks work with.

#include <string>

#include "FileLockTable.h"
#include "FolderTable.h"
#include "OpenFileRegistry.h"
#include "TreeRoot.h"

namespace tsrn::vx {

struct MountContext {
    MountContext(std::string path, UniqueFd rootFd, FolderTable& folderTable,
                 OpenFileRegistry& registry, FileLockTable& lockTable, bool root)
        : mountPath(std::move(path)),
          tree(std::move(rootFd)),
          table(folderTable),
          openFiles(registry),
          locks(lockTable),
          asRoot(root) {}

    std::string mountPath;  // canonical, never "/"
    TreeRoot tree;
    FolderTable& table;
    OpenFileRegistry& openFiles;
    FileLockTable& locks;
    bool asRoot;

    // The path as the rest of the system sees it.
    std::string Absolute(const char* path) const {
        return path == nullptr || std::string_view(path) == "/" ? mountPath : mountPath + path;
    }
};

}  // namespace tsrn::vx
