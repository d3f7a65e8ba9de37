#include "app/ProgramCheckWord.h"

#include <array>
#include <cstdio>
#include <memory>

namespace tsrn::app {
namespace {

constexpr std::size_t kHeadLength = 20;
constexpr std::size_t kElfOffset = 10;
constexpr std::size_t kDefaultOffset = 18;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::size_t CheckWordOffset(std::span<const std::uint8_t> head) {
    const bool elf =
        head.size() >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
    return elf ? kElfOffset : kDefaultOffset;
}

std::optional<std::uint16_t> ReadProgramCheckWord(const std::filesystem::path& program) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(program.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    std::array<std::uint8_t, kHeadLength> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
    const std::span<const std::uint8_t> read(head.data(), got);
    const std::size_t offset = CheckWordOffset(read);
    if (got < offset + 2)
        return std::nullopt;
    return static_cast<std::uint16_t>(head[offset] | (head[offset + 1] << 8));
}

}  // namespace tsrn::app
