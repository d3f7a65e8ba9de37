#pragma once
// The state word of one folder as the driver receives it (SetFolderState):
// cipher state in bits 0-1, prohibitions in bits 4-7, every other bit 0.
// Dependency-free, so the driver shares it with the program.

#include <cstdint>

namespace tsrn::driver::folder_state {

inline constexpr std::uint32_t kCipherMask = 0x3;
inline constexpr std::uint32_t kInitError = 0;
inline constexpr std::uint32_t kWorking = 1;
inline constexpr std::uint32_t kStopped = 2;
inline constexpr std::uint32_t kNotEncoded = 3;  // registry file entries only

inline constexpr std::uint32_t kForbidOpen = 0x10;
inline constexpr std::uint32_t kForbidWrite = 0x20;  // write and create
inline constexpr std::uint32_t kForbidSearch = 0x40;
inline constexpr std::uint32_t kForbidDelete = 0x80;
inline constexpr std::uint32_t kProtectionMask = 0xF0;
inline constexpr std::uint32_t kValidBits = kProtectionMask | kCipherMask;

constexpr std::uint32_t CipherState(std::uint32_t state) {
    return state & kCipherMask;
}
// The word with its cipher state replaced (bits above 7 are dropped).
constexpr std::uint32_t WithCipherState(std::uint32_t state, std::uint32_t cipher) {
    return (state & 0xFCu) | cipher;
}

}  // namespace tsrn::driver::folder_state
