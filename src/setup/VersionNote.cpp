#include "setup/VersionNote.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace tsrn::setup {
namespace {

constexpr std::uint32_t kSectionTypeNote = 7;
// Libraries are small; anything bigger is not one of ours.
constexpr std::uintmax_t kMaxImageSize = 256u * 1024u * 1024u;

class ElfReader {
  public:
    ElfReader(std::span<const std::uint8_t> image, bool bigEndian)
        : image_(image), bigEndian_(bigEndian) {}

    std::optional<std::uint64_t> Word(std::uint64_t offset, std::size_t size) const {
        if (offset > image_.size() || size > image_.size() - offset) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            std::size_t at = bigEndian_ ? i : size - 1 - i;
            value = (value << 8) | image_[static_cast<std::size_t>(offset) + at];
        }
        return value;
    }

    std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t size) const {
        if (offset > image_.size() || size > image_.size() - offset) {
            return {};
        }
        return image_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    }

  private:
    std::span<const std::uint8_t> image_;
    bool bigEndian_;
};

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

std::optional<std::uint64_t> VersionInNotes(const ElfReader& reader, std::uint64_t offset,
                                            std::uint64_t size, std::uint64_t alignment) {
    std::span<const std::uint8_t> notes = reader.Bytes(offset, size);
    if (notes.size() != size) {
        return std::nullopt;
    }
    std::uint64_t at = 0;
    while (size - at >= 12) {
        auto nameSize = reader.Word(offset + at, 4);
        auto descSize = reader.Word(offset + at + 4, 4);
        auto type = reader.Word(offset + at + 8, 4);
        std::uint64_t nameAt = at + 12;
        std::uint64_t descAt = nameAt + AlignUp(*nameSize, alignment);
        std::uint64_t next = descAt + AlignUp(*descSize, alignment);
        if (descAt > size || next > size || descAt + *descSize > size) {
            return std::nullopt;
        }
        std::string_view name(reinterpret_cast<const char*>(notes.data() + nameAt),
                              static_cast<std::size_t>(*nameSize));
        bool ours = *nameSize == kVersionNoteOwner.size() + 1 &&
                    name.substr(0, kVersionNoteOwner.size()) == kVersionNoteOwner &&
                    name.back() == '\0';
        if (ours && *type == kVersionNoteType && *descSize == 8) {
            auto high = reader.Word(offset + descAt, 4);
            auto low = reader.Word(offset + descAt + 4, 4);
            return (*high << 32) | *low;
        }
        at = next;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> ParseVersionNote(std::span<const std::uint8_t> image) {
    if (image.size() < 16 || image[0] != 0x7F || image[1] != 'E' || image[2] != 'L' ||
        image[3] != 'F') {
        return std::nullopt;
    }
    const bool wide = image[4] == 2;
    if ((image[4] != 1 && image[4] != 2) || (image[5] != 1 && image[5] != 2)) {
        return std::nullopt;
    }
    ElfReader reader(image, image[5] == 2);
    auto sectionTable = reader.Word(wide ? 0x28 : 0x20, wide ? 8 : 4);
    auto entrySize = reader.Word(wide ? 0x3A : 0x2E, 2);
    auto entryCount = reader.Word(wide ? 0x3C : 0x30, 2);
    if (!sectionTable || !entrySize || !entryCount || *entrySize < (wide ? 0x40u : 0x28u)) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < *entryCount; ++i) {
        std::uint64_t entry = *sectionTable + i * *entrySize;
        auto type = reader.Word(entry + 4, 4);
        auto offset = reader.Word(entry + (wide ? 0x18 : 0x10), wide ? 8 : 4);
        auto size = reader.Word(entry + (wide ? 0x20 : 0x14), wide ? 8 : 4);
        auto alignment = reader.Word(entry + (wide ? 0x30 : 0x20), wide ? 8 : 4);
        if (!type || !offset || !size || !alignment) {
            return std::nullopt;
        }
        if (*type != kSectionTypeNote) {
            continue;
        }
        auto version = VersionInNotes(reader, *offset, *size, *alignment == 8 ? 8 : 4);
        if (version) {
            return version;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ReadVersionNote(const std::filesystem::path& file) {
    std::error_code ec;
    auto size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxImageSize || !std::filesystem::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (in.gcount() != static_cast<std::streamsize>(image.size())) {
        return std::nullopt;
    }
    return ParseVersionNote(image);
}

bool ShouldCopyLibrary(const std::filesystem::path& source, const std::filesystem::path& target) {
    auto installed = ReadVersionNote(target);
    if (!installed) {
        return true;
    }
    auto offered = ReadVersionNote(source);
    if (!offered) {
        return true;
    }
    return *offered > *installed;
}

}  // namespace tsrn::setup
