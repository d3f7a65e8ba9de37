#pragma once
// While one lives, no thread can be started in this process: the default
// stack it asks for is more than any process can map. Restores the default
// at the end of its scope.

#include <pthread.h>

#include <cstddef>

namespace tsrn::test {

class NoNewThreads {
  public:
    NoNewThreads() {
        ok_ = pthread_getattr_default_np(&saved_) == 0 && pthread_attr_init(&huge_) == 0 &&
              pthread_attr_setstacksize(&huge_, std::size_t{1} << 46) == 0 &&
              pthread_setattr_default_np(&huge_) == 0;
    }
    ~NoNewThreads() {
        pthread_setattr_default_np(&saved_);
        pthread_attr_destroy(&huge_);
        pthread_attr_destroy(&saved_);
    }
    NoNewThreads(const NoNewThreads&) = delete;
    NoNewThreads& operator=(const NoNewThreads&) = delete;

    bool Ok() const { return ok_; }

  private:
    pthread_attr_t saved_{};
    pthread_attr_t huge_{};
    bool ok_ = false;
};

}  // namespace tsrn::test
