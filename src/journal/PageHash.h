#pragma once
// The hashes the run journal keeps: XXH3-64 of each page it may overwrite
// (XXH64 in journals of version 1), and XXH64 of each of its own records.
// They tell two known contents apart; they are not cryptographic hashes.

#include <cstddef>
#include <cstdint>

namespace tsrn::journal {

std::uint64_t Hash64(const void* data, std::size_t length, std::uint64_t seed = 0);

// XXH3-64 with seed 0, in the widest form the CPU runs.
std::uint64_t Xxh3Hash64(const void* data, std::size_t length);

// The page hash of a journal of format `version`.
std::uint64_t PageHash(const void* data, std::size_t length, std::uint32_t version);

}  // namespace tsrn::journal
