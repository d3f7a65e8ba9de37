#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(UpperCaseTest, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCase("/home/ä/Data_1"), "/HOME/ä/DATA_1");
}

}  // namespace
}  // namespace tsrn::folders
