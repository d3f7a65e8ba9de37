#include "driver/SocketIo.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace tsrn::driver {

namespace {

// Waits until fd is ready for `events`; false on timeout, error or hang-up
// without data.
bool WaitReady(int fd, short events, Deadline deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd, events, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        // POLLHUP with POLLIN still lets the remaining bytes be read.
        return (p.revents & events) != 0;
    }
}

}  // namespace

bool SendAll(int fd, const std::uint8_t* data, std::size_t size, Deadline deadline) {
    std::size_t done = 0;
    while (done < size) {
        if (!WaitReady(fd, POLLOUT, deadline)) {
            return false;
        }
        const ssize_t n = send(fd, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveAll(int fd, std::uint8_t* data, std::size_t size, Deadline deadline) {
    std::size_t done = 0;
    while (done < size) {
        if (!WaitReady(fd, POLLIN, deadline)) {
            return false;
        }
        const ssize_t n = recv(fd, data + done, size - done, MSG_DONTWAIT);
        if (n == 0) {
            return false;  // the driver closed its end
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tsrn::driver
