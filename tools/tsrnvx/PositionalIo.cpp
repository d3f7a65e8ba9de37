#include "PositionalIo.h"

#include <unistd.h>

#include <cerrno>

namespace tsrn::vx {

IoDone ReadAt(int fd, std::uint8_t* buffer, std::size_t size, off_t offset) {
    IoDone done;
    while (done.bytes < size) {
        ssize_t got = ::pread(fd, buffer + done.bytes, size - done.bytes,
                              offset + static_cast<off_t>(done.bytes));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            done.error = errno;
            break;
        }
        if (got == 0) {
            break;
        }
        done.bytes += static_cast<std::size_t>(got);
    }
    return done;
}

IoDone WriteAt(int fd, const std::uint8_t* buffer, std::size_t size, off_t offset) {
    IoDone done;
    while (done.bytes < size) {
        ssize_t put = ::pwrite(fd, buffer + done.bytes, size - done.bytes,
                               offset + static_cast<off_t>(done.bytes));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            done.error = errno;
            break;
        }
        done.bytes += static_cast<std::size_t>(put);
    }
    return done;
}

}  // namespace tsrn::vx
