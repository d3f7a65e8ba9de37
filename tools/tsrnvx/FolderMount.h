#pragma once
// One FUSE mount over a folder's own path, served from a descriptor of the
// folder opened before the mount covered it, by its own thread pool.
// Detaching unmounts lazily: the path shows the stored folder at once and the
// mount keeps serving files still open until the last one closes.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "MountContext.h"

struct fuse;

namespace tsrn::vx {

class FolderMount {
  public:
    static std::unique_ptr<FolderMount> Start(const std::string& path, FolderTable& table,
                                              OpenFileRegistry& openFiles, FileLockTable& locks,
                                              std::string& error);
    ~FolderMount();
    FolderMount(const FolderMount&) = delete;
    FolderMount& operator=(const FolderMount&) = delete;

    const std::string& Path() const { return context_->mountPath; }
    // `rules` (when given) is what the files still open go on obeying.
    void Detach(std::unique_ptr<FolderTable> rules = nullptr);
    bool Finished() const { return finished_.load(); }
    // Waits until serving has ended and frees the session.
    void Join();

  private:
    explicit FolderMount(std::unique_ptr<MountContext> context) : context_(std::move(context)) {}
    void Serve();

    std::unique_ptr<MountContext> context_;
    struct fuse* fuse_ = nullptr;
    std::thread loop_;
    std::atomic<bool> finished_{false};
    bool detached_ = false;
};

}  // namespace tsrn::vx
