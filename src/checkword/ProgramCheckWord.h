#pragma once
// The installation password's 16-bit check word kept inside the installed
// program file, little-endian. Where it lives depends on the file's format:
// in an ELF program it sits in the unused identification padding at byte 10
// (byte 18 is e_machine there and writing it would break the program); in a
// PE ("MZ") program it is the DOS header checksum at byte 18. Any other file
// is refused rather than guessed at.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace tsrn {

inline constexpr std::size_t kElfCheckWordOffset = 10;
inline constexpr std::size_t kPeCheckWordOffset = 18;

// The offset for a file that starts with `head`; nothing for an unknown format
// or a head too short to hold the word.
[[nodiscard]] std::optional<std::size_t> CheckWordOffset(std::span<const std::uint8_t> head);

// Reads the word; nothing when the file cannot be read or has an unknown format.
[[nodiscard]] std::optional<std::uint16_t> ReadProgramCheckWord(
    const std::filesystem::path& program);

// Writes the word in place (no truncation, no other byte changes); false when
// the file cannot be opened for update, has an unknown format or the write fails.
[[nodiscard]] bool WriteProgramCheckWord(const std::filesystem::path& program, std::uint16_t word);

}  // namespace tsrn
