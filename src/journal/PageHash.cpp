#include "journal/PageHash.h"

#include <bit>
#include <cstring>

#include "journal/JournalFormat.h"

namespace tsrn::journal {

unsigned long long Xxh3Sse2(const void* data, std::size_t length);
unsigned long long Xxh3Avx2(const void* data, std::size_t length);

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ull;

std::uint64_t Rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t Read64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

std::uint32_t Read32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap32(v);
    }
    return v;
}

std::uint64_t Round(std::uint64_t acc, std::uint64_t input) {
    acc += input * kPrime2;
    acc = Rotl(acc, 31);
    return acc * kPrime1;
}

std::uint64_t MergeRound(std::uint64_t acc, std::uint64_t value) {
    acc ^= Round(0, value);
    return acc * kPrime1 + kPrime4;
}

}  // namespace

std::uint64_t Hash64(const void* data, std::size_t length, std::uint64_t seed) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::uint8_t* const end = p + length;
    std::uint64_t h = 0;
    if (length >= 32) {
        std::uint64_t v1 = seed + kPrime1 + kPrime2;
        std::uint64_t v2 = seed + kPrime2;
        std::uint64_t v3 = seed;
        std::uint64_t v4 = seed - kPrime1;
        const std::uint8_t* const limit = end - 32;
        do {
            v1 = Round(v1, Read64(p));
            v2 = Round(v2, Read64(p + 8));
            v3 = Round(v3, Read64(p + 16));
            v4 = Round(v4, Read64(p + 24));
            p += 32;
        } while (p <= limit);
        h = Rotl(v1, 1) + Rotl(v2, 7) + Rotl(v3, 12) + Rotl(v4, 18);
        h = MergeRound(h, v1);
        h = MergeRound(h, v2);
        h = MergeRound(h, v3);
        h = MergeRound(h, v4);
    } else {
        h = seed + kPrime5;
    }
    h += static_cast<std::uint64_t>(length);
    while (p + 8 <= end) {
        h ^= Round(0, Read64(p));
        h = Rotl(h, 27) * kPrime1 + kPrime4;
        p += 8;
    }
    if (p + 4 <= end) {
        h ^= static_cast<std::uint64_t>(Read32(p)) * kPrime1;
        h = Rotl(h, 23) * kPrime2 + kPrime3;
        p += 4;
    }
    while (p < end) {
        h ^= static_cast<std::uint64_t>(*p) * kPrime5;
        h = Rotl(h, 11) * kPrime1;
        ++p;
    }
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

namespace {

using Xxh3Function = unsigned long long (*)(const void*, std::size_t);

Xxh3Function ChooseXxh3() {
    return __builtin_cpu_supports("avx2") ? Xxh3Avx2 : Xxh3Sse2;
}

}  // namespace

std::uint64_t Xxh3Hash64(const void* data, std::size_t length) {
    static const Xxh3Function xxh3 = ChooseXxh3();
    return xxh3(data, length);
}

std::uint64_t PageHash(const void* data, std::size_t length, std::uint32_t version) {
    return version == kFirstFormatVersion ? Hash64(data, length) : Xxh3Hash64(data, length);
}

}  // namespace tsrn::journal
