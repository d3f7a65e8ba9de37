#pragma once
// The file version our shared libraries carry in an ELF note: owner
// "Tessaryn", type 1, and 8 bytes of description holding two 32-bit words in
// the file's byte order, the high word (major << 16 | minor) first, then the
// low word (patch << 16 | build). Together they form one 64-bit version.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace tsrn::setup {

inline constexpr std::string_view kVersionNoteOwner = "Tessaryn";
inline constexpr std::uint32_t kVersionNoteType = 1;

// The version in an ELF image held in memory; nothing when the image is not
// ELF or carries no well-formed version note.
[[nodiscard]] std::optional<std::uint64_t> ParseVersionNote(std::span<const std::uint8_t> image);

// The same for a file; nothing when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> ReadVersionNote(const std::filesystem::path& file);

// Whether a runtime library from the medium replaces the installed one: yes
// when the installed one is missing or carries no version, or the source has
// none; otherwise only when the source's version is greater.
bool ShouldCopyLibrary(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace tsrn::setup
