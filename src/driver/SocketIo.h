#pragma once
// Whole-buffer reads and writes on a stream socket, bounded by a deadline.
// A peer that vanished, a short stream or a passed deadline are all failures.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace tsrn::driver {

using Deadline = std::chrono::steady_clock::time_point;

[[nodiscard]] bool SendAll(int fd, const std::uint8_t* data, std::size_t size, Deadline deadline);
[[nodiscard]] bool ReceiveAll(int fd, std::uint8_t* data, std::size_t size, Deadline deadline);

}  // namespace tsrn::driver
