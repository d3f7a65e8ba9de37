#include "checkword/ProgramCheckWord.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "FileHelpers.h"
#include "TempDir.h"

namespace tsrn {
namespace {

namespace fs = std::filesystem;

// Only the two bytes at `offset` may differ, and they hold `word` little-endian.
void ExpectOnlyWordChanged(const std::vector<std::uint8_t>& before,
                           const std::vector<std::uint8_t>& after, std::size_t offset,
                           std::uint16_t word) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i == offset) {
            EXPECT_EQ(after[i], word & 0xFF);
        } else if (i == offset + 1) {
            EXPECT_EQ(after[i], word >> 8);
        } else {
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
}

const std::uint16_t kWords[] = {0x0000, 0x1234, 0xA55A, 0xFFFF};

TEST(ProgramCheckWord, ElfProgramKeepsRunningWithTheWordAtByteTen) {
    test::TempDir dir;
    const fs::path program = dir / "prog";
    fs::copy_file("/bin/true", program);
    const auto original = test::ReadBytes(program);
    for (std::uint16_t word : kWords) {
        ASSERT_TRUE(WriteProgramCheckWord(program, word));
        ExpectOnlyWordChanged(original, test::ReadBytes(program), kElfCheckWordOffset, word);
        EXPECT_EQ(ReadProgramCheckWord(program), word);
        const std::string command = "'" + program.string() + "'";
        int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the program no longer runs with word " << word;
    }
}

TEST(ProgramCheckWord, PeProgramGetsTheWordAtByteEighteen) {
    test::TempDir dir;
    const fs::path program = dir / "prog.exe";
    std::vector<std::uint8_t> image(64, 0x11);
    image[0] = 'M';
    image[1] = 'Z';
    test::WriteBytes(program, image);
    for (std::uint16_t word : kWords) {
        ASSERT_TRUE(WriteProgramCheckWord(program, word));
        ExpectOnlyWordChanged(image, test::ReadBytes(program), kPeCheckWordOffset, word);
        EXPECT_EQ(ReadProgramCheckWord(program), word);
    }
}

TEST(ProgramCheckWord, RefusesWhatItCannotPlaceSafely) {
    test::TempDir dir;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"script", std::vector<std::uint8_t>{'#', '!', '/', 'b', 'i', 'n', '/',  's', 'h', '\n',
                                             'e', 'x', 'i', 't', ' ', '0', '\n', ' ', ' ', ' '}},
        {"short PE", {'M', 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"short ELF", {0x7F, 'E', 'L', 'F', 2, 1, 1}},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        const fs::path file = dir / c.name;
        test::WriteBytes(file, c.bytes);
        EXPECT_FALSE(WriteProgramCheckWord(file, 0x1234)) << c.name;
        EXPECT_EQ(test::ReadBytes(file), c.bytes) << c.name << " was changed";
        EXPECT_FALSE(ReadProgramCheckWord(file).has_value()) << c.name;
    }
    EXPECT_FALSE(WriteProgramCheckWord(dir / "missing", 1));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_FALSE(ReadProgramCheckWord(dir / "missing").has_value());
}

}  // namespace
}  // namespace tsrn
