#include "bulk/ProcessedFiles.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tsrn::bulk {
namespace {

std::vector<std::string> ManyPaths(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/tree/d" + std::to_string(i / 100) + "/f" + std::to_string(i));
    return paths;
}

void ExpectExactly(const ProcessedFiles& files, const std::vector<std::string>& expected) {
    ASSERT_EQ(files.Ordered(), expected);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(files.Contains(expected[i])) << expected[i];
        EXPECT_EQ(files.At(i), expected[i]);
    }
}

TEST(ProcessedFiles, KeepsOrderAndRefusesDuplicatesAcrossGrowth) {
    ProcessedFiles files;
    const std::vector<std::string> paths = ManyPaths(5000);
    for (const std::string& path : paths)
        EXPECT_TRUE(files.Add(path));
    for (const std::string& path : paths)
        EXPECT_FALSE(files.Add(path));
    EXPECT_FALSE(files.Contains("/tree/d0/f"));
    EXPECT_FALSE(files.Contains("/tree/D0/f0"));  // case counts
    ExpectExactly(files, paths);
}

TEST(ProcessedFiles, RemovingKeepsEveryOtherEntryFindable) {
    struct Case {
        const char* name;
        std::vector<int> removed;  // positions in the original list, in removal order
    };
    const int count = 3000;
    std::vector<int> everyThird;
    for (int i = count - 1; i >= 0; i -= 3)
        everyThird.push_back(i);
    for (int i = 1; i < count; i += 3)
        everyThird.push_back(i);
    const Case cases[] = {
        {"last", {count - 1}},
        {"first", {0}},
        {"middle", {count / 2}},
        {"many, from both ends", everyThird},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessedFiles files;
        std::vector<std::string> expected = ManyPaths(count);
        for (const std::string& path : expected)
            files.Add(path);
        const std::vector<std::string> all = expected;
        for (int position : c.removed) {
            const std::string& path = all[static_cast<std::size_t>(position)];
            EXPECT_TRUE(files.Remove(path)) << path;
            EXPECT_FALSE(files.Remove(path)) << path;
            EXPECT_FALSE(files.Contains(path)) << path;
            std::erase(expected, path);
        }
        ExpectExactly(files, expected);
        // A removed path can come back; it goes to the end.
        const std::string& back = all[static_cast<std::size_t>(c.removed.front())];
        EXPECT_TRUE(files.Add(back));
        expected.push_back(back);
        ExpectExactly(files, expected);
    }
}

TEST(ProcessedFiles, ClearForgetsEverything) {
    ProcessedFiles files;
    const std::vector<std::string> paths = ManyPaths(300);
    for (const std::string& path : paths)
        files.Add(path);
    files.Clear();
    EXPECT_TRUE(files.Empty());
    EXPECT_FALSE(files.Contains(paths[7]));
    EXPECT_FALSE(files.Remove(paths[7]));
    EXPECT_TRUE(files.Add(paths[7]));
    ExpectExactly(files, {paths[7]});
}

}  // namespace
}  // namespace tsrn::bulk
