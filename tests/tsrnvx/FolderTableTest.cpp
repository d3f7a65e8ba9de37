#include "FolderTable.h"

#include <gtest/gtest.h>

namespace tsrn::vx {
namespace {

FolderTable::Slot Folder(const std::string& path, std::uint32_t state, bool isDirectory = true) {
    FolderTable::Slot slot;
    slot.longPath = path;
    slot.canonicalLong = path;
    slot.state = state;
    slot.isDirectory = isDirectory;
    return slot;
}

TEST(FolderTableTest, InnermostRegisteredFolderDecides) {
    FolderTable table;
    table.Put(1, Folder("/data", 0x81));
    table.Put(2, Folder("/data/inner", 0x22));
    table.Put(3, Folder("/var/reg/system.db", 0x83, false));
    struct Case {
        const char* path;
        std::uint32_t slot;
    };
    const Case cases[] = {
        {"/data", 1},
        {"/data/file", 1},
        {"/data/inner", 2},
        {"/data/inner/deep/file", 2},
        {"/data/innerfile", 1},  // a name prefix is not a folder
        {"/database", 0},
        {"/var/reg/system.db", 3},
        {"/var/reg/user.db", 0},
        {"/", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(table.RulesFor(c.path).slot, c.slot) << c.path;
    }
}

TEST(FolderTableTest, ShortPathNamesTheSameFolder) {
    FolderTable table;
    FolderTable::Slot slot = Folder("/home/u/Long Name", 0x41);
    slot.canonicalShort = "/mnt/real";
    table.Put(4, slot);
    EXPECT_EQ(table.RulesFor("/mnt/real/x").slot, 4u);
    EXPECT_EQ(table.RulesFor("/home/u/Long Name/x").slot, 4u);
}

TEST(FolderTableTest, OneMountPerOutermostFolder) {
    FolderTable table;
    table.Put(1, Folder("/a/b", 1));
    table.Put(2, Folder("/a/b/c", 1));
    table.Put(3, Folder("/a/bc", 1));
    table.Put(7, Folder("/a/b-c/d", 1));  // sorts between /a/b and /a/b/c
    table.Put(4, Folder("/r/user.db", 0x83, false));
    table.Put(5, Folder("/r/system.db", 0x83, false));
    EXPECT_EQ(table.MountTargets(), (std::vector<std::string>{"/a/b", "/a/b-c/d", "/a/bc", "/r"}));
    table.Put(6, Folder("/a", 2));
    EXPECT_EQ(table.MountTargets(), (std::vector<std::string>{"/a", "/r"}));
}

TEST(FolderTableTest, RegisteredFoldersBelowAPathAreFound) {
    FolderTable table;
    table.Put(1, Folder("/a/b/c", 1));
    EXPECT_TRUE(table.HoldsRegisteredFolder("/a/b"));
    EXPECT_TRUE(table.HoldsRegisteredFolder("/a/b/c"));
    EXPECT_FALSE(table.HoldsRegisteredFolder("/a/b/c/d"));
    EXPECT_FALSE(table.HoldsRegisteredFolder("/a/bb"));
}

}  // namespace
}  // namespace tsrn::vx
