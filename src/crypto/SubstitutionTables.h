#pragma once
// The substitution table of the round function and the look-up tables the
// fast forms derive from it at compile time. Internal to the cipher.

#include <array>
#include <cstdint>

namespace tsrn::crypto::detail {

// Row i substitutes nibble i of the round input. Row 7 is indexed by row 6's
// output, not by nibble 7, so the top nibble of the input never counts.
inline constexpr std::uint8_t kSBoxTable[8][16] = {
    {4, 15, 7, 9, 2, 13, 11, 1, 6, 12, 3, 0, 5, 14, 8, 10},
    {2, 11, 8, 14, 12, 5, 3, 7, 10, 0, 6, 1, 4, 15, 13, 9},
    {1, 8, 4, 15, 7, 6, 12, 0, 14, 3, 13, 2, 10, 11, 9, 5},
    {7, 2, 15, 3, 10, 12, 6, 11, 1, 8, 4, 14, 13, 9, 5, 0},
    {15, 5, 11, 6, 9, 1, 7, 14, 2, 10, 8, 4, 0, 3, 12, 13},
    {8, 14, 2, 4, 11, 9, 0, 6, 3, 13, 15, 7, 12, 5, 10, 1},
    {6, 3, 5, 8, 13, 4, 14, 2, 7, 9, 0, 12, 11, 10, 1, 15},
    {5, 0, 14, 13, 6, 11, 15, 9, 12, 1, 10, 8, 7, 4, 2, 3},
};

inline constexpr int kRoundRotation = 11;

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// The substituted output byte for input byte `value` at byte position
// `index` (0 = least significant) of the round input.
constexpr std::uint8_t SubstitutedByte(int index, std::uint8_t value) {
    const std::uint8_t low = kSBoxTable[2 * index][value & 0x0F];
    const std::uint8_t high =
        index == 3 ? kSBoxTable[7][low] : kSBoxTable[2 * index + 1][value >> 4];
    return static_cast<std::uint8_t>(low | (high << 4));
}

// Table t[i][x]: substitution and rotation of byte x at position i, so a round
// is four look-ups XORed together. t[3] depends only on the low nibble of x.
using ByteTables = std::array<std::array<std::uint32_t, 256>, 4>;

constexpr ByteTables MakeByteTables() {
    ByteTables t{};
    for (int i = 0; i < 4; ++i) {
        for (int x = 0; x < 256; ++x) {
            const std::uint32_t out = SubstitutedByte(i, static_cast<std::uint8_t>(x));
            t[static_cast<std::size_t>(i)][static_cast<std::size_t>(x)] =
                RotateLeft(out << (8 * i), kRoundRotation);
        }
    }
    return t;
}

inline constexpr ByteTables kByteTables = MakeByteTables();

// Nibble tables for byte permutes: entry 16*i + n. The low table gives the
// whole output byte at position 3 (both of its substitutions depend on the
// low nibble), so the high table has zeros there.
using NibbleTable = std::array<std::uint8_t, 64>;

constexpr NibbleTable MakeLowNibbleTable() {
    NibbleTable t{};
    for (int i = 0; i < 4; ++i) {
        for (int n = 0; n < 16; ++n) {
            t[static_cast<std::size_t>(16 * i + n)] =
                i == 3 ? SubstitutedByte(3, static_cast<std::uint8_t>(n)) : kSBoxTable[2 * i][n];
        }
    }
    return t;
}

constexpr NibbleTable MakeHighNibbleTable() {
    NibbleTable t{};
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n < 16; ++n) {
            t[static_cast<std::size_t>(16 * i + n)] =
                static_cast<std::uint8_t>(kSBoxTable[2 * i + 1][n] << 4);
        }
    }
    return t;
}

alignas(64) inline constexpr NibbleTable kLowNibbleTable = MakeLowNibbleTable();
alignas(64) inline constexpr NibbleTable kHighNibbleTable = MakeHighNibbleTable();

// Subkey order of the eight rounds (0 = k0, 1 = k1).
inline constexpr std::array<int, 8> kEncipherSchedule = {0, 1, 0, 1, 0, 1, 1, 0};
inline constexpr std::array<int, 8> kDecipherSchedule = {0, 1, 1, 0, 1, 0, 1, 0};

}  // namespace tsrn::crypto::detail

namespace tsrn::crypto::detail {

// Substitution and rotation of a round input s (the sum of half and subkey).
inline std::uint32_t SubstituteAndRotate(std::uint32_t s) {
    return kByteTables[0][s & 0xFF] ^ kByteTables[1][(s >> 8) & 0xFF] ^
           kByteTables[2][(s >> 16) & 0xFF] ^ kByteTables[3][(s >> 24) & 0x0F];
}

inline std::uint32_t LoadLittleEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void StoreLittleEndian(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace tsrn::crypto::detail
