#pragma once
// XXH64, the 64-bit hash the run journal keeps of each page it may
// overwrite, and of each of its own records. It tells two known contents
// apart; it is not a cryptographic hash.

#include <cstddef>
#include <cstdint>

namespace tsrn::journal {

std::uint64_t Hash64(const void* data, std::size_t length, std::uint64_t seed = 0);

}  // namespace tsrn::journal
