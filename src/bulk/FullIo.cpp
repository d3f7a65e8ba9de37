#include "bulk/FullIo.h"

#include <errno.h>

#include "bulk/FileTransformer.h"

namespace tsrn::bulk {

ssize_t ReadFull(FileIo& io, int fd, std::uint8_t* data, std::size_t length, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < length) {
        ssize_t got = io.ReadAt(fd, data + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool WriteFull(FileIo& io, int fd, const std::uint8_t* data, std::size_t length,
               std::uint64_t offset) {
    std::size_t done = 0;
    while (done < length) {
        ssize_t put = io.WriteAt(fd, data + done, length - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace tsrn::bulk
