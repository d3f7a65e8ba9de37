#pragma once
// One FUSE mount over a folder's own path, served from a descriptor of the
// folder opened before the mount covered it, by the shared worker pool.
// Detaching unmounts lazily: the path shows the stored folder at once and the
// mount keeps serving files still open until the last one closes.

#include <memory>
#include <string>

#include "MountContext.h"
#include "WorkerPool.h"

struct fuse_session;

namespace tsrn::vx {

class FolderMount {
  public:
    static std::unique_ptr<FolderMount> Start(const std::string& path, FolderTable& table,
                                              OpenFileRegistry& openFiles, FileLockTable& locks,
                                              WorkerPool& pool, std::string& error);
    ~FolderMount();
    FolderMount(const FolderMount&) = delete;
    FolderMount& operator=(const FolderMount&) = delete;

    const std::string& Path() const { return context_->mountPath; }
    // `rules` (when given) is what the files still open go on obeying.
    void Detach(std::unique_ptr<FolderTable> rules = nullptr);
    // The kernel ended the connection (after a detach, once its last open
    // file closed).
    bool Finished() const { return channel_ == nullptr || channel_->finished.load(); }
    // Stops serving and frees the session; false while a thread still works
    // on it (try again later).
    [[nodiscard]] bool Release();

  private:
    FolderMount(std::unique_ptr<MountContext> context, WorkerPool& pool)
        : context_(std::move(context)), pool_(pool) {}

    std::unique_ptr<MountContext> context_;
    WorkerPool& pool_;
    fuse_session* session_ = nullptr;
    std::shared_ptr<WorkerPool::Channel> channel_;
    bool mounted_ = false;
    bool detached_ = false;
};

}  // namespace tsrn::vx
