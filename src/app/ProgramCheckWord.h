#pragma once
// The installation password's 16-bit check word kept inside the installed
// program file. In an ELF program it sits in the unused identification padding
// at byte 10 (byte 18 is e_machine and must stay intact); in a PE ("MZ") file
// and anything else it sits at byte 18. Little-endian in both.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace tsrn::app {

// The offset of the word for a file that starts with `head`.
std::size_t CheckWordOffset(std::span<const std::uint8_t> head);

// Reads the first 20 bytes of `program` and returns the word; nothing when the
// file cannot be read or is too short to hold it.
std::optional<std::uint16_t> ReadProgramCheckWord(const std::filesystem::path& program);

}  // namespace tsrn::app
