#pragma once
// The open files and folders of one mount. A handle the kernel never
// released (its connection ended first) is closed when the mount goes, so
// its file stops counting as open.

#include <mutex>
#include <set>

namespace tsrn::vx {

struct Handle {
    virtual ~Handle() = default;
};

class HandleSet {
  public:
    HandleSet() = default;
    ~HandleSet() {
        for (Handle* handle : live_) {
            delete handle;
        }
    }
    HandleSet(const HandleSet&) = delete;
    HandleSet& operator=(const HandleSet&) = delete;

    void Add(Handle* handle) {
        std::lock_guard guard(mutex_);
        live_.insert(handle);
    }
    // Closes it; the mutex is not held while it closes.
    void Close(Handle* handle) {
        {
            std::lock_guard guard(mutex_);
            live_.erase(handle);
        }
        delete handle;
    }

  private:
    std::mutex mutex_;
    std::set<Handle*> live_;
};

}  // namespace tsrn::vx
