#include "platform/Paths.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"

namespace tsrn {
namespace {

// Runs the test from inside a fresh directory and goes back afterwards.
class PathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        here_ = std::filesystem::canonical(dir_.Path()).string();
        std::filesystem::current_path(here_);
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    test::TempDir dir_{"tsrn-paths"};
    std::filesystem::path previous_;
    std::string here_;
};

TEST_F(PathsTest, FullPathResolvesDotsAsTextFromTheCurrentDirectory) {
    struct Case {
        std::string input;
        std::string expected;  // "@" stands for the current directory
    };
    const std::vector<Case> cases = {
        {"docs", "@/docs"},
        {"./a/../b/./c", "@/b/c"},
        {"a//b///", "@/a/b"},
        {"/srv/x/./y/../z", "/srv/x/z"},
        {"/..", "/"},
        {"/a/../../..", "/"},
        {"/", "/"},
        {"..", "@parent"},
        {"not\\a\\separator", "@/not\\a\\separator"},
    };
    const std::string parent = std::filesystem::path(here_).parent_path().string();
    for (const auto& c : cases) {
        std::string expected = c.expected;
        if (expected == "@parent") {
            expected = parent;
        } else if (expected.starts_with("@")) {
            expected = here_ + expected.substr(1);
        }
        EXPECT_EQ(FullPath(c.input), expected) << c.input;
    }
}

TEST_F(PathsTest, FullPathRefusesWhatCannotBeAPath) {
    const std::size_t limit = PATH_MAX - 1;  // PATH_MAX counts the NUL
    EXPECT_EQ(FullPath("/" + std::string(limit - 1, 'x')), "/" + std::string(limit - 1, 'x'));
    EXPECT_EQ(FullPath("/" + std::string(limit, 'x')), std::nullopt);
    // Only the result counts: a long input that shrinks is fine.
    EXPECT_EQ(FullPath("/" + std::string(limit * 2, 'x') + "/../a"), "/a");
    EXPECT_EQ(FullPath(""), std::nullopt);
    EXPECT_EQ(FullPath(std::string("/a\0b", 4)), std::nullopt);
}

TEST_F(PathsTest, ShortPathResolvesLinksOfExistingPathsOnly) {
    std::filesystem::create_directories("real/inner");
    std::filesystem::create_directory_symlink("real", "link");

    EXPECT_EQ(ShortPath(here_ + "/link/inner"), here_ + "/real/inner");
    EXPECT_EQ(ShortPath("link/./inner/.."), here_ + "/real");
    EXPECT_EQ(ShortPath(here_ + "/link/missing"), here_ + "/link/missing");
    EXPECT_EQ(ShortPath(""), "");
}

}  // namespace
}  // namespace tsrn
