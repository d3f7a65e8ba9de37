#include "app/ProgramCheckWord.h"

#include <gtest/gtest.h>

#include <fstream>

#include "AppDoubles.h"
#include "TempDir.h"

namespace tsrn::app {
namespace {

TEST(ProgramCheckWordTest, ReadsTheWordWhereTheFileTypeKeepsIt) {
    test::TempDir dir;
    test::WriteProgramFile(dir / "elf", 0xBEEF, true);
    test::WriteProgramFile(dir / "pe", 0x1234, false);
    EXPECT_EQ(ReadProgramCheckWord(dir / "elf"), 0xBEEF);
    EXPECT_EQ(ReadProgramCheckWord(dir / "pe"), 0x1234);
}

TEST(ProgramCheckWordTest, AnUnreadableOrShortFileHoldsNoWord) {
    test::TempDir dir;
    std::ofstream(dir / "short", std::ios::binary) << "MZ0123456789abcdef";  // 18 bytes
    std::ofstream(dir / "elfshort", std::ios::binary) << "\x7F"
                                                         "ELF012345";  // 10 bytes
    EXPECT_FALSE(ReadProgramCheckWord(dir / "short"));
    EXPECT_FALSE(ReadProgramCheckWord(dir / "elfshort"));
    EXPECT_FALSE(ReadProgramCheckWord(dir / "missing"));
    EXPECT_FALSE(ReadProgramCheckWord(dir.Path()));  // a folder
}

TEST(ProgramCheckWordTest, OffsetFollowsTheMagic) {
    const std::uint8_t elf[] = {0x7F, 'E', 'L', 'F'};
    const std::uint8_t pe[] = {'M', 'Z', 0, 0};
    const std::uint8_t other[] = {'#', '!', '/', 'b'};
    EXPECT_EQ(CheckWordOffset(elf), 10u);
    EXPECT_EQ(CheckWordOffset(pe), 18u);
    EXPECT_EQ(CheckWordOffset(other), 18u);
}

}  // namespace
}  // namespace tsrn::app
