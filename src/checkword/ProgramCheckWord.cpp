#include "checkword/ProgramCheckWord.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

#include "platform/UniqueFd.h"

namespace tsrn {
namespace {

constexpr std::size_t kHeadSize = 20;

bool ReadExactly(int fd, std::uint8_t* out, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::size_t> OffsetOfOpenFile(int fd) {
    std::array<std::uint8_t, kHeadSize> head{};
    if (!ReadExactly(fd, head.data(), head.size(), 0)) {
        return std::nullopt;
    }
    return CheckWordOffset(head);
}

}  // namespace

std::optional<std::size_t> CheckWordOffset(std::span<const std::uint8_t> head) {
    if (head.size() >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') {
        return kElfCheckWordOffset;
    }
    if (head.size() >= kPeCheckWordOffset + 2 && head[0] == 'M' && head[1] == 'Z') {
        return kPeCheckWordOffset;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> ReadProgramCheckWord(const std::filesystem::path& program) {
    UniqueFd file(open(program.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        return std::nullopt;
    }
    auto offset = OffsetOfOpenFile(file.Get());
    std::array<std::uint8_t, 2> word{};
    if (!offset ||
        !ReadExactly(file.Get(), word.data(), word.size(), static_cast<off_t>(*offset))) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(word[0] | (word[1] << 8));
}

bool WriteProgramCheckWord(const std::filesystem::path& program, std::uint16_t word) {
    UniqueFd file(open(program.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.Valid()) {
        return false;
    }
    auto offset = OffsetOfOpenFile(file.Get());
    if (!offset) {
        return false;
    }
    const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8)};
    ssize_t written = pwrite(file.Get(), bytes.data(), bytes.size(), static_cast<off_t>(*offset));
    bool closed = file.Close();
    return written == static_cast<ssize_t>(bytes.size()) && closed;
}

}  // namespace tsrn
