#pragma once
// Whole reads and writes at an offset over a FileIo, retried on EINTR and
// short transfers.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace tsrn::bulk {

class FileIo;

// Reads `length` bytes unless the file ends first; -1 with errno on error.
[[nodiscard]] ssize_t ReadFull(FileIo& io, int fd, std::uint8_t* data, std::size_t length,
                               std::uint64_t offset);
// Writes all `length` bytes; false with errno on error.
[[nodiscard]] bool WriteFull(FileIo& io, int fd, const std::uint8_t* data, std::size_t length,
                             std::uint64_t offset);

}  // namespace tsrn::bulk
