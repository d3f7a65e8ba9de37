#pragma once
// Owns one file descriptor and closes it at the end of its scope. Header-only,
// so the driver, which links nothing but the cipher, uses it too.

#include <unistd.h>

#include <utility>

namespace tsrn {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }
    // Closes now and says whether close succeeded (a failed close can mean
    // lost writes, which callers that wrote must not report as success).
    [[nodiscard]] bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

}  // namespace tsrn
