#include "registry/RegistryBatch.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TempDir.h"

namespace tsrn::registry {
namespace {

std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string TextOf(const std::optional<RegistryValue>& value) {
    return value ? std::string(value->data.begin(), value->data.end()) : "<missing>";
}

constexpr const char* kList = "SOFTWARE\\Tessaryn\\path";

class RegistryBatchTest : public ::testing::Test {
  protected:
    test::TempDir dir_{"tsrn-batch"};
    RegistryDatabase db_{dir_.Path()};
};

TEST_F(RegistryBatchTest, OthersSeeTheWritesOnlyOnceCommitted) {
    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, kList, "PathNum", kRegSz, BytesOf("1")));
    RegistryDatabase other(dir_.Path());
    {
        RegistryBatch batch(db_, Hive::LocalMachine);
        ASSERT_TRUE(batch.Begun());
        EXPECT_TRUE(db_.SetValue(Hive::LocalMachine, kList, "PathNum", kRegSz, BytesOf("2")));
        EXPECT_TRUE(db_.SetValue(Hive::ClassesRoot, ".htm", "", kRegSz, BytesOf("htmlfile")));
        EXPECT_EQ(TextOf(db_.QueryValue(Hive::LocalMachine, kList, "PathNum")), "2");
        EXPECT_EQ(TextOf(other.QueryValue(Hive::LocalMachine, kList, "PathNum")), "1");
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(TextOf(other.QueryValue(Hive::LocalMachine, kList, "PathNum")), "2");
    EXPECT_EQ(TextOf(other.QueryValue(Hive::ClassesRoot, ".htm", "")), "htmlfile");
}

TEST_F(RegistryBatchTest, AnUncommittedBatchLeavesNothingBehind) {
    {
        // On a fresh file, so the tables themselves are rolled back too.
        RegistryBatch batch(db_, Hive::LocalMachine);
        ASSERT_TRUE(batch.Begun());
        EXPECT_TRUE(db_.SetValue(Hive::LocalMachine, kList, "0", kRegSz, BytesOf("/a")));
        EXPECT_TRUE(db_.DeleteKey(Hive::LocalMachine, kList));
        EXPECT_TRUE(db_.SetValue(Hive::LocalMachine, kList, "1", kRegSz, BytesOf("/b")));
    }
    EXPECT_FALSE(db_.KeyExists(Hive::LocalMachine, kList));
    EXPECT_FALSE(RegistryDatabase(dir_.Path()).KeyExists(Hive::LocalMachine, kList));
    // Writes after it work as usual.
    EXPECT_TRUE(db_.SetValue(Hive::LocalMachine, kList, "0", kRegSz, BytesOf("/c")));
    EXPECT_EQ(TextOf(RegistryDatabase(dir_.Path()).QueryValue(Hive::LocalMachine, kList, "0")),
              "/c");
}

TEST_F(RegistryBatchTest, OneBatchPerHiveFileAtATime) {
    RegistryBatch machine(db_, Hive::LocalMachine);
    ASSERT_TRUE(machine.Begun());
    EXPECT_FALSE(RegistryBatch(db_, Hive::ClassesRoot).Begun());  // same file
    RegistryBatch user(db_, Hive::CurrentUser);
    EXPECT_TRUE(user.Begun());
    EXPECT_TRUE(machine.Commit());
    EXPECT_TRUE(user.Commit());
}

// Each process saves whole lists of its own entries: whoever saved last, the
// stored list is all one process's.
TEST(RegistryBatchProcessesTest, ListsSavedByTwoProcessesNeverInterleave) {
    test::TempDir dir("tsrn-batch-mp");
    constexpr int kSaves = 15;
    constexpr int kEntries = 8;
    auto saveLists = [&](const std::string& tag) {
        RegistryDatabase db(dir.Path());
        int failures = 0;
        for (int save = 0; save < kSaves; ++save) {
            RegistryBatch batch(db, Hive::LocalMachine);
            for (int i = 0; i < kEntries; ++i) {
                // One that fails under the other writer fails the commit, counted below.
                (void)db.SetValue(Hive::LocalMachine, kList, std::to_string(i), kRegSz,
                                  BytesOf(tag + std::to_string(save)));
            }
            failures += batch.Commit() ? 0 : 1;
        }
        return failures;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(saveLists("child") == 0 ? 0 : 1);
    }
    EXPECT_EQ(saveLists("parent"), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    RegistryDatabase db(dir.Path());
    const std::string first = TextOf(db.QueryValue(Hive::LocalMachine, kList, "0"));
    EXPECT_TRUE(first == "child" + std::to_string(kSaves - 1) ||
                first == "parent" + std::to_string(kSaves - 1))
        << first;
    for (int i = 1; i < kEntries; ++i) {
        EXPECT_EQ(TextOf(db.QueryValue(Hive::LocalMachine, kList, std::to_string(i))), first);
    }
}

}  // namespace
}  // namespace tsrn::registry
