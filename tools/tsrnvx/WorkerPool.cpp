#include "WorkerPool.h"

#define FUSE_USE_VERSION 314
#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace tsrn::vx {
namespace {

constexpr std::uint64_t kStopId = 0;
// The largest request the kernel sends: 256 pages of data and a header page.
const std::size_t kBufferSize = 257 * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));

}  // namespace

// Two per core: enough to keep the cores busy while some requests wait on
// the disk; more only spread one caller's requests over colder threads.
unsigned WorkerPool::DefaultThreads() {
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp(2 * cores, 2u, 8u);
}

WorkerPool::WorkerPool(unsigned threads) {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    stop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = kStopId;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, stop_, &event);
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { Work(); });
    }
}

WorkerPool::~WorkerPool() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t put = ::write(stop_, &one, sizeof one);
    for (std::thread& thread : threads_) {
        thread.join();
    }
    ::close(stop_);
    ::close(epoll_);
}

std::shared_ptr<WorkerPool::Channel> WorkerPool::Add(fuse_session* session) {
    int fd = fuse_session_fd(session);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto channel = std::make_shared<Channel>();
    channel->session = session;
    {
        std::lock_guard guard(mutex_);
        channel->id = nextId_++;
        channels_.emplace(channel->id, channel);
    }
    epoll_event event{};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.u64 = channel->id;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) {
        std::lock_guard guard(mutex_);
        channels_.erase(channel->id);
        return nullptr;
    }
    return channel;
}

bool WorkerPool::Remove(Channel& channel) {
    std::lock_guard guard(mutex_);
    auto it = channels_.find(channel.id);
    if (it != channels_.end()) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fuse_session_fd(channel.session), nullptr);
        channels_.erase(it);
    }
    return channel.busy == 0;
}

std::shared_ptr<WorkerPool::Channel> WorkerPool::Take(std::uint64_t id) {
    std::lock_guard guard(mutex_);
    auto it = channels_.find(id);
    if (it == channels_.end()) {
        return nullptr;
    }
    ++it->second->busy;
    return it->second;
}

void WorkerPool::Done(Channel& channel) {
    std::lock_guard guard(mutex_);
    --channel.busy;
}

void WorkerPool::Rearm(const Channel& channel) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.u64 = channel.id;
    ::epoll_ctl(epoll_, EPOLL_CTL_MOD, fuse_session_fd(channel.session), &event);
}

void WorkerPool::Work() {
    fuse_buf buffer{};
    buffer.mem = std::malloc(kBufferSize);
    for (;;) {
        epoll_event event{};
        int ready = ::epoll_wait(epoll_, &event, 1, -1);
        if (ready <= 0) {
            continue;
        }
        if (event.data.u64 == kStopId) {
            break;
        }
        std::shared_ptr<Channel> channel = Take(event.data.u64);
        if (!channel) {
            continue;
        }
        fuse_session* session = channel->session;
        int got = fuse_session_receive_buf(session, &buffer);
        if (got == -EAGAIN || got == -EINTR) {
            Rearm(*channel);
        } else if (got <= 0 || fuse_session_exited(session) != 0) {
            channel->finished.store(true);
        } else {
            // Another thread may take the channel's next request meanwhile.
            Rearm(*channel);
            fuse_session_process_buf(session, &buffer);
        }
        Done(*channel);
    }
    std::free(buffer.mem);
}

}  // namespace tsrn::vx
