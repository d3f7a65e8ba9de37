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

// Moves `size` bytes with `step` (one non-blocking send or receive from an
// offset) as the socket gets ready; false on timeout, error or a closed end.
template <typename Step>
bool MoveAll(int fd, short events, std::size_t size, Deadline deadline, Step step) {
    std::size_t done = 0;
    while (done < size) {
        if (!WaitReady(fd, events, deadline)) {
            return false;
        }
        const ssize_t n = step(done);
        if (n == 0) {
            return false;  // the other end closed
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

}  // namespace

bool SendAll(int fd, const std::uint8_t* data, std::size_t size, Deadline deadline) {
    return MoveAll(fd, POLLOUT, size, deadline, [&](std::size_t done) {
        return send(fd, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    });
}

bool ReceiveAll(int fd, std::uint8_t* data, std::size_t size, Deadline deadline) {
    return MoveAll(fd, POLLIN, size, deadline, [&](std::size_t done) {
        return recv(fd, data + done, size - done, MSG_DONTWAIT);
    });
}

}  // namespace tsrn::driver
