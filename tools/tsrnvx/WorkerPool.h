#pragma once
// One small pool of threads serves the channels of every mount: each thread
// waits on all of them at once (epoll) and takes one request at a time from
// whichever has one. A channel is read by one thread at a time (one-shot
// readiness, re-armed as soon as a request is taken), so requests of one
// mount are still served in parallel.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct fuse_session;

namespace tsrn::vx {

class WorkerPool {
  public:
    struct Channel {
        fuse_session* session = nullptr;
        std::uint64_t id = 0;
        // The kernel ended the connection: nothing more will be read from it.
        std::atomic<bool> finished{false};
        int busy = 0;  // threads working on it; guarded by the pool's mutex
    };

    explicit WorkerPool(unsigned threads = DefaultThreads());
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    static unsigned DefaultThreads();

    // Starts serving a mounted session.
    std::shared_ptr<Channel> Add(fuse_session* session);
    // Stops serving it; true once no thread works on it any more, after which
    // the session may be destroyed.
    [[nodiscard]] bool Remove(Channel& channel);

  private:
    void Work();
    std::shared_ptr<Channel> Take(std::uint64_t id);
    void Done(Channel& channel);
    void Rearm(const Channel& channel);

    int epoll_ = -1;
    int stop_ = -1;  // an eventfd, signalled once at the end
    std::mutex mutex_;
    std::map<std::uint64_t, std::shared_ptr<Channel>> channels_;
    std::uint64_t nextId_ = 1;
    std::vector<std::thread> threads_;
};

}  // namespace tsrn::vx
