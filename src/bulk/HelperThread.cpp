#include "bulk/HelperThread.h"

#include <system_error>
#include <utility>

namespace tsrn::bulk {

HelperThread::~HelperThread() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void HelperThread::Start(std::function<void()> job) {
    if (!TryStart(job)) {
        // No second thread to be had (a process or memory limit): the
        // caller does the job itself, so the work is done all the same.
        job();
    }
}

bool HelperThread::TryStart(std::function<void()> job) {
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { Loop(); });
        } catch (const std::system_error&) {
            return false;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = std::move(job);
        pending_ = true;
    }
    changed_.notify_all();
    return true;
}

void HelperThread::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
}

void HelperThread::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || (pending_ && job_); });
        if (stopping_) {
            return;
        }
        std::function<void()> job = std::move(job_);
        job_ = nullptr;
        lock.unlock();
        job();
        lock.lock();
        pending_ = false;
        changed_.notify_all();
    }
}

}  // namespace tsrn::bulk
