#pragma once
// Keeps exactly one mount per outermost registered folder. Mounts no longer
// wanted are detached first (an inner mount must leave before an outer one
// covers it) and drained in the background.

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FolderMount.h"

namespace tsrn::vx {

class MountSet {
  public:
    MountSet(FolderTable& table, OpenFileRegistry& openFiles, FileLockTable& locks,
             WorkerPool& pool)
        : table_(table), openFiles_(openFiles), locks_(locks), pool_(pool) {}
    ~MountSet();
    MountSet(const MountSet&) = delete;
    MountSet& operator=(const MountSet&) = delete;

    // `before` is the table as it was before the change that called for
    // this: mounts that stop serving keep it for their open files.
    void Reconcile(const FolderTable& before);
    // True when a live mount serves `path`.
    bool Covers(const std::string& path) const;
    void DetachAll();
    // Frees detached mounts that have finished serving; with a wait, first
    // waits up to that long for all of them. True when none is left.
    bool Reap(std::chrono::milliseconds wait = std::chrono::milliseconds{0});

  private:
    FolderTable& table_;
    OpenFileRegistry& openFiles_;
    FileLockTable& locks_;
    WorkerPool& pool_;
    std::map<std::string, std::unique_ptr<FolderMount>> live_;
    std::vector<std::unique_ptr<FolderMount>> draining_;
};

}  // namespace tsrn::vx
