#pragma once
// Whole-buffer pread and pwrite at an offset: short transfers and EINTR are
// retried, so a caller sees only the end of the file or a real error.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace tsrn::vx {

struct IoDone {
    std::size_t bytes = 0;  // moved before the end of the file or the error
    int error = 0;          // errno of the failure, 0 if none
};

IoDone ReadAt(int fd, std::uint8_t* buffer, std::size_t size, off_t offset);
IoDone WriteAt(int fd, const std::uint8_t* buffer, std::size_t size, off_t offset);

}  // namespace tsrn::vx
