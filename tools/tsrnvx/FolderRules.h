#pragma once
// What governs one path: the innermost registered folder that contains it,
// its state word and the key in force. Slot 0 means no folder governs it.

#include <cstdint>

#include "crypto/Cipher.h"

namespace tsrn::vx {

inline constexpr std::uint32_t kForbidOpen = 0x10;
inline constexpr std::uint32_t kForbidWrite = 0x20;
inline constexpr std::uint32_t kForbidSearch = 0x40;
inline constexpr std::uint32_t kForbidDelete = 0x80;
inline constexpr std::uint32_t kProtectionBits = 0xF0;

enum class CipherState : std::uint32_t { InitError = 0, Working = 1, Stopped = 2, NotEncoded = 3 };

struct FolderRules {
    std::uint32_t slot = 0;
    std::uint32_t state = 0;
    bool keySet = false;
    crypto::CipherKey key{};

    bool Forbids(std::uint32_t bit) const { return (state & bit) != 0; }
    CipherState Cipher() const { return static_cast<CipherState>(state & 3u); }
    // Only a working folder with a key is ciphered; every other state passes
    // contents unchanged.
    bool Ciphered() const { return slot != 0 && Cipher() == CipherState::Working && keySet; }
};

}  // namespace tsrn::vx
