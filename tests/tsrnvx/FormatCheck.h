#pragma once
// The stored bytes a plaintext must have in the enciphered format, computed
// with the reference cipher, for comparing against what the driver wrote.

#include <cstdint>
#include <vector>

#include "crypto/Cipher.h"

namespace tsrn::vx::test {

inline std::vector<std::uint8_t> StoredForm(const std::vector<std::uint8_t>& plain,
                                            const crypto::CipherKey& key) {
    std::vector<std::uint8_t> stored = plain;
    auto length = static_cast<std::uint32_t>(plain.size());
    std::uint32_t tail = length - length % 8;
    crypto::EncipherBuffer(stored.data(), stored.data(), tail, 0, key);
    crypto::CipherTail(stored.data() + tail, stored.data() + tail, length - tail, tail, key);
    return stored;
}

inline std::vector<std::uint8_t> Deciphered(const std::vector<std::uint8_t>& stored,
                                            const crypto::CipherKey& key) {
    std::vector<std::uint8_t> plain = stored;
    auto length = static_cast<std::uint32_t>(stored.size());
    std::uint32_t tail = length - length % 8;
    crypto::DecipherBuffer(plain.data(), plain.data(), tail, 0, key);
    crypto::CipherTail(plain.data() + tail, plain.data() + tail, length - tail, tail, key);
    return plain;
}

}  // namespace tsrn::vx::test
