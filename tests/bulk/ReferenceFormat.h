#pragma once
// A plain, independent rendering of the enciphered file format for tests:
// whole blocks mixed with their file offset and enciphered one by one, the
// last length-mod-8 bytes XORed with the key's tail byte and their offset.

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "crypto/Cipher.h"

namespace tsrn::test {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t LoadLe(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void StoreLe(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// `base` is the file offset of data[0] (a multiple of 8).
inline Bytes ReferenceEncipher(Bytes data, const crypto::CipherKey& key, std::uint64_t base = 0) {
    const std::size_t whole = data.size() - data.size() % 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        const auto p = static_cast<std::uint32_t>(base + i);
        std::uint32_t a = LoadLe(&data[i]) ^ p;
        std::uint32_t b = LoadLe(&data[i + 4]) ^ (p + 4);
        crypto::EncipherBlock(a, b, key);
        StoreLe(&data[i], a);
        StoreLe(&data[i + 4], b);
    }
    const std::uint8_t m = key.bytes[0] ^ key.bytes[1];
    for (std::size_t j = whole; j < data.size(); ++j) {
        data[j] ^= static_cast<std::uint8_t>(m ^ static_cast<std::uint8_t>(base + j));
    }
    return data;
}

inline Bytes ReferenceDecipher(Bytes data, const crypto::CipherKey& key) {
    const std::size_t whole = data.size() - data.size() % 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        const auto p = static_cast<std::uint32_t>(i);
        std::uint32_t a = LoadLe(&data[i]);
        std::uint32_t b = LoadLe(&data[i + 4]);
        crypto::DecipherBlock(a, b, key);
        StoreLe(&data[i], a ^ p);
        StoreLe(&data[i + 4], b ^ (p + 4));
    }
    const std::uint8_t m = key.bytes[0] ^ key.bytes[1];
    for (std::size_t j = whole; j < data.size(); ++j) {
        data[j] ^= static_cast<std::uint8_t>(m ^ static_cast<std::uint8_t>(j));
    }
    return data;
}

inline Bytes RandomBytes(std::size_t length, std::uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes data(length);
    for (std::size_t i = 0; i < length; i += 4) {
        const auto word = static_cast<std::uint32_t>(generator());
        for (std::size_t j = i; j < i + 4 && j < length; ++j) {
            data[j] = static_cast<std::uint8_t>(word >> (8 * (j - i)));
        }
    }
    return data;
}

inline crypto::CipherKey KeyOf(std::uint64_t value) {
    crypto::CipherKey key;
    for (int i = 0; i < 8; ++i) {
        key.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return key;
}

}  // namespace tsrn::test
