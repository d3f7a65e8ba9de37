#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "folders/FolderPaths.h"

namespace tsrn::folders {
namespace {

struct OverlapCase {
    std::string a;
    std::string b;
    int expected;
};

TEST(ComparePathsTest, DecidesOverAndSubFoldersByPrefixAndSeparatorCount) {
    const std::vector<OverlapCase> cases = {
        {"D:\\DATA", "D:\\DATA\\SUB", 1},
        {"D:\\DATA\\SUB", "D:\\DATA", -1},
        {"D:\\AB", "D:\\ABC\\X", 1},  // the prefix need not end at a separator
        {"D:\\", "D:\\DATA", 0},      // one separator each
        {"D:\\X", "D:\\X\\", 1},      // a trailing separator: the folder contains itself
        {"D:\\DATA", "D:\\DATA", 0},
        {"D:\\data", "D:\\DATA\\SUB", 0},  // case counts
        {"/home/a", "/home/a/b", 1},
        {"/home/a/b/c", "/home/a", -1},
        {"/home\\a", "/home/a/b", 0},  // both separators count, but the texts differ
        {"/srv/x", "/srv/y/z", 0},
        {"", "/a", 1},  // the empty text is a prefix of everything
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " vs " + c.b);
        EXPECT_EQ(ComparePaths(c.a, c.b), c.expected);
    }
}

// Folders reached through links are the folders themselves; paths that do
// not exist keep only the text rule.
TEST(CompareFoldersTest, ComparesTheFoldersThroughTheirLinks) {
    test::TempDir dir("tsrn-folders");
    namespace fs = std::filesystem;
    const fs::path real = fs::canonical(dir.Path()) / "real";
    fs::create_directories(real / "sub" / "deeper");
    fs::create_directories(real.parent_path() / "realm");
    fs::create_directory_symlink(real, dir / "alias");
    fs::create_directory_symlink(real / "sub", dir / "subalias");
    const std::string alias = (dir / "alias").string();
    const std::string subalias = (dir / "subalias").string();
    struct Case {
        std::string a;
        std::string b;
        int relation;
        bool overlap;
    };
    const std::vector<Case> cases = {
        {alias, real.string(), 2, true},
        {alias + "/", real.string(), 2, true},
        {alias, (real / "sub").string(), 1, true},
        {subalias, real.string(), -1, true},
        {subalias + "/deeper", alias, -1, true},
        {real.string(), (real.parent_path() / "realm").string(), 0, false},  // names, not prefixes
        {"/", alias, 1, true},
        {"/", "/no-such-tsrn/x", 0, true},  // "/" overlaps everything, existing or not
        {alias, "/no-such-tsrn/x", 0, false},
        {"/no-such-tsrn/x", "/no-such-tsrn/x/", 0, true},  // the text rule alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a + " vs " + c.b);
        EXPECT_EQ(CompareFolders(c.a, c.b), c.relation);
        EXPECT_EQ(FoldersOverlap(c.a, c.b), c.overlap);
        EXPECT_EQ(FoldersOverlap(c.b, c.a), c.overlap);
    }
}

TEST(UpperCaseTest, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCase("/home/ä/Data_1"), "/HOME/ä/DATA_1");
}

}  // namespace
}  // namespace tsrn::folders
