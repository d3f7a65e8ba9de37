#include "setup/VersionNote.h"

#include <gtest/gtest.h>

#include "SetupFixture.h"

namespace tsrn::setup::test {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& image) {
    return {reinterpret_cast<const std::uint8_t*>(image.data()), image.size()};
}

TEST(VersionNote, ReadFromEveryElfLayout) {
    const std::uint64_t version = 0x0001000200030004ull;
    for (bool big : {false, true}) {
        for (bool wide : {false, true}) {
            SCOPED_TRACE(std::to_string(big) + std::to_string(wide));
            EXPECT_EQ(ParseVersionNote(Bytes(ElfWithVersion(version, big, wide))), version);
            EXPECT_EQ(ParseVersionNote(Bytes(ElfWithVersion(std::nullopt, big, wide))),
                      std::nullopt);
        }
    }
}

TEST(VersionNote, DamagedImagesReadAsHavingNoVersion) {
    const std::string good = ElfWithVersion(0x0001000000000000ull);
    std::vector<std::string> damaged;
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{20}, std::size_t{70},
                            std::size_t{100}, good.size() - 16}) {
        damaged.push_back(good.substr(0, cut));
    }
    std::string farTable = good;
    farTable[0x28 + 7] = '\x7F';  // section table far beyond the end
    damaged.push_back(farTable);
    std::string hugeNote = good;
    hugeNote[64 + 20 + 3] = '\x7F';  // our note's name size
    damaged.push_back(hugeNote);
    std::string notElf = good;
    notElf[1] = 'X';
    damaged.push_back(notElf);
    for (const auto& image : damaged) {
        EXPECT_EQ(ParseVersionNote(Bytes(image)), std::nullopt) << image.size();
    }
}

// The project version as a version note: (major << 16 | minor, patch << 16).
constexpr std::uint64_t kProjectVersionNote = (std::uint64_t{TSRN_VERSION_MAJOR} << 48) |
                                              (std::uint64_t{TSRN_VERSION_MINOR} << 32) |
                                              (std::uint64_t{TSRN_VERSION_PATCH} << 16);

TEST(VersionNote, OurRuntimeLibrariesCarryTheProjectVersion) {
    for (const char* library : {TSRN_FRAMEWORK_LIBRARY, TSRN_RUNTIME_LIBRARY}) {
        EXPECT_EQ(ReadVersionNote(library), kProjectVersionNote) << library;
    }
    EXPECT_EQ(ReadVersionNote("/bin/true"), std::nullopt);
}

}  // namespace
}  // namespace tsrn::setup::test
