#include "bulk/FolderWalker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TreeHelpers.h"

namespace tsrn::bulk {
namespace {

using test::MakeFile;
namespace fs = std::filesystem;

std::vector<std::string> WalkAll(const std::string& folder, int* steps = nullptr) {
    FolderWalker walker(folder);
    std::vector<std::string> seen;
    walker.SetFileHandler([&](const std::string& path) {
        seen.push_back(path);
        return true;
    });
    int result = 0;
    int count = 0;
    while ((result = walker.WalkStep()) == 0) {
        ++count;
    }
    EXPECT_EQ(result, 1);
    if (steps != nullptr)
        *steps = count;
    EXPECT_EQ(seen, walker.Processed().Ordered());
    return seen;
}

TEST(FolderWalker, DepthFirstPreOrderFilesBeforeSubfolders) {
    test::TempDir dir;
    const std::string root = dir.Path().string() + "/";
    MakeFile(dir / "one", 1);
    MakeFile(dir / "two", 2);
    MakeFile(dir / "s/three", 3);
    MakeFile(dir / "s/t/four", 4);
    MakeFile(dir / "a.dir/x", 5);
    MakeFile(dir / "noext", 6);
    fs::create_directories(dir / "empty/deeper");
    MakeFile(dir / "b/c/d/e", 7);
    MakeFile(dir / "b/f", 8);

    std::vector<std::string> expected;
    test::ExpectedOrder(root, expected);
    ASSERT_EQ(expected.size(), 8u);
    EXPECT_EQ(WalkAll(dir.Path().string()), expected);
    // A trailing separator gives the same paths.
    EXPECT_EQ(WalkAll(root), expected);
}

TEST(FolderWalker, OnlyRegularFilesAreHandedOnAndLinksAreNotFollowed) {
    test::TempDir dir;
    MakeFile(dir / "plain", 10);
    MakeFile(dir / "sub/inner", 10);
    fs::create_symlink("plain", dir / "link-to-file");
    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");
    fs::create_symlink("missing", dir / "dangling");
    fs::create_directory_symlink("..", dir / "sub/up");  // a loop if followed
    fs::create_directory_symlink("/", dir / "outside");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    test::MakeSocket(dir / "socket");

    std::vector<std::string> seen = WalkAll(dir.Path().string());
    std::sort(seen.begin(), seen.end());
    const std::vector<std::string> expected{(dir / "plain").string(), (dir / "sub/inner").string()};
    EXPECT_EQ(seen, expected);
}

TEST(FolderWalker, SubfoldersMadeWhileAFolderIsWalkedAreStillFound) {
    // Whether a folder has subfolders is asked when its own files are done,
    // not when its listing began: a folder that had none at first may have
    // some by then.
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::string trigger;  // while this file is handled...
        std::string made;     // ...this one is made
    };
    const Case cases[] = {
        {"the root", {"a"}, "a", "new/x"},
        {"the root, deeper", {"a"}, "a", "new/deeper/y"},
        {"a subfolder", {"a", "leaf/b"}, "leaf/b", "leaf/new/z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        std::vector<std::string> expected;
        for (const std::string& file : c.files) {
            MakeFile(dir / file, 1);
            expected.push_back((dir / file).string());
        }
        expected.push_back((dir / c.made).string());
        FolderWalker walker(dir.Path().string());
        std::vector<std::string> seen;
        walker.SetFileHandler([&](const std::string& path) {
            if (path == (dir / c.trigger).string())
                MakeFile(dir / c.made, 1);
            seen.push_back(path);
            return true;
        });
        while (walker.WalkStep() == 0) {
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST(FolderWalker, WideAndDeepTreeInListingOrder) {
    test::TempDir dir;
    for (int i = 0; i < 6; ++i) {
        const std::string folder = "d" + std::to_string(i);
        for (int j = 0; j < 4; ++j)
            MakeFile(dir / folder / ("f" + std::to_string(j)), 1);
        if (i % 2 == 0)
            MakeFile(dir / folder / "inner" / "deep" / "g", 1);
        if (i == 3)
            fs::create_directories(dir / folder / "empty");
    }
    std::vector<std::string> expected;
    test::ExpectedOrder(dir.Path().string() + "/", expected);
    ASSERT_EQ(expected.size(), 27u);
    EXPECT_EQ(WalkAll(dir.Path().string()), expected);
}

TEST(FolderWalker, EmptyFolderFindsNothingThenFinishes) {
    test::TempDir dir;
    FolderWalker walker(dir.Path().string());
    EXPECT_EQ(walker.WalkStep(), 0);
    EXPECT_TRUE(walker.Processed().Empty());
    EXPECT_EQ(walker.WalkStep(), 1);
    EXPECT_TRUE(walker.Processed().Empty());
}

TEST(FolderWalker, AtMostOneFilePerStep) {
    test::TempDir dir;
    for (int i = 0; i < 5; ++i)
        MakeFile(dir / ("f" + std::to_string(i)), 1);
    MakeFile(dir / "s/g", 1);
    FolderWalker walker(dir.Path().string());
    std::size_t before = 0;
    int result = 0;
    while ((result = walker.WalkStep()) == 0) {
        EXPECT_LE(walker.Processed().Size(), before + 1);
        before = walker.Processed().Size();
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(walker.Processed().Size(), 6u);
}

TEST(FolderWalker, HandlerStopsTheWalk) {
    test::TempDir dir;
    MakeFile(dir / "a", 1);
    MakeFile(dir / "s/b", 1);
    FolderWalker walker(dir.Path().string());
    walker.SetFileHandler([](const std::string&) { return false; });
    int result = 0;
    while ((result = walker.WalkStep()) == 0) {
    }
    EXPECT_EQ(result, -1);
}

TEST(FolderWalker, AFileListedTwiceIsHandedOnOnce) {
    FolderWalker walker("");
    int calls = 0;
    walker.SetFileHandler([&](const std::string&) {
        ++calls;
        return true;
    });
    EXPECT_TRUE(walker.ProcessFile("x/a", 0));
    EXPECT_TRUE(walker.ProcessFile("x/a", 0));
    EXPECT_TRUE(walker.ProcessFile("x/A", 0));  // case counts
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(walker.Processed().Size(), 2u);
}

TEST(FolderWalker, CountingPassAddsSizesAndRewinds) {
    test::TempDir dir;
    MakeFile(dir / "a", 100);
    MakeFile(dir / "s/b", 5000);
    MakeFile(dir / "s/t/c", 0);
    fs::create_symlink("a", dir / "link");
    FolderWalker walker(dir.Path().string());
    int handled = 0;
    walker.SetFileHandler([&](const std::string&) {
        ++handled;
        return true;
    });
    EXPECT_EQ(walker.CountingPass(), 1);
    EXPECT_EQ(walker.TotalBytes(), 5100u);
    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(walker.Processed().Empty());
    while (walker.WalkStep() == 0) {
    }
    EXPECT_EQ(handled, 3);
}

TEST(FolderWalker, PathBeyondPathMaxIsRefusedWithoutOverflow) {
    test::TempDir dir;
    MakeFile(dir / "shallow", 10);
    std::string deepest;
    const std::string chainName = test::MakeDeepChain(dir.Path(), deepest);
    FolderWalker walker(dir.Path().string());
    EXPECT_EQ(walker.CountingPass(), -1);
    EXPECT_GE(walker.RefusedPath().size(), static_cast<std::size_t>(PATH_MAX));
    EXPECT_EQ(walker.RefusedPath().compare(0, dir.Path().string().size(), dir.Path().string()), 0);

    int parent = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    test::RemoveTreeAt(parent, chainName.c_str());
    close(parent);
}

}  // namespace
}  // namespace tsrn::bulk
