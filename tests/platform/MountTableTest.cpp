#include "platform/MountTable.h"

#include <gtest/gtest.h>

namespace tsrn {
namespace {

TEST(MountTableTest, FindsTheDriversMountsInAMountinfoText) {
    const char* fixture =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:35 / /home/ann/secret rw,nosuid,nodev,relatime shared:20 - fuse.tsrnvx tsrnvx "
        "rw,user_id=1000,group_id=1000\n"
        "41 22 0:36 / /home/ann/two\\040words rw,relatime - fuse.tsrnvx tsrnvx rw\n"
        "42 22 0:37 / /mnt/other rw,relatime master:3 - fuse.sshfs host:/ rw\n"
        "43 22 0:38 / /mnt/fake\\040-\\040fuse.tsrnvx rw - tmpfs tmpfs rw\n"
        "44 22 0:39 / /media/opt rw,relatime shared:9 master:2 - fuse.tsrnvx tsrnvx rw\n"
        "garbage line\n"
        "45 22 0:40 / /no/type rw -\n";
    EXPECT_EQ(ServedFoldersIn(fixture),
              (std::vector<std::string>{"/home/ann/secret", "/home/ann/two words", "/media/opt"}));
    EXPECT_TRUE(ServedFoldersIn("").empty());
}

}  // namespace
}  // namespace tsrn
