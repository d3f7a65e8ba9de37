// Loading and saving the folder list with a real registry file, and the list
// file import.
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FoldersFixture.h"
#include "TempDir.h"
#include "platform/Paths.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::test {
namespace {

using driver::Request;
using Requests = std::vector<Request>;

constexpr const char* kA = "/no-such-tsrn/alpha";
constexpr const char* kB = "/no-such-tsrn/beta";

class FolderListStorageTest : public FoldersFixture {
  protected:
    void PutState(const std::string& name, std::vector<std::uint8_t> bytes) {
        store.SetBinary(registry::kPathKey, name, bytes.data(), bytes.size());
    }
    void PutState(const std::string& name, std::uint32_t word) {
        PutState(name,
                 {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                  static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)});
    }
    bool Has(const std::string& name) {
        return database.QueryValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\path\\", name)
            .has_value();
    }
    std::vector<FolderRecord> UserRecords(const ProtectedFolders& list) const {
        std::vector<FolderRecord> records;
        for (std::size_t i = 0; i < list.List().Size(); ++i) {
            if (list.List().Kind(i) == FolderKind::User) {
                records.push_back(list.List().Record(i));
            }
        }
        return records;
    }
    FolderRecord RegistryEntry(registry::Hive hive) const {
        const std::string file = database.HiveFile(hive).string();
        return {file, ShortPath(file), std::string(text::Text(res::str::kRegistryFile)), 0x83,
                FolderKind::RegistryFile};
    }

    TempDir dir{"tsrn-folder-store"};
    registry::RegistryDatabase database{dir.Path()};
    registry::RegistryStore store{database};
};

TEST_F(FolderListStorageTest, LoadSkipsGapsAndRenumbersWithoutThem) {
    store.SetInt(registry::kPathKey, "PathNum", 4);
    store.SetString(registry::kPathKey, "0", kA);
    store.SetString(registry::kPathKey, "0d", "first");
    PutState("0s", 0x91);
    store.SetString(registry::kPathKey, "1", "");  // empty: skipped
    store.SetString(registry::kPathKey, "2", kB);  // no description, no state
    store.SetString(registry::kPathKey, "3", "/no-such-tsrn/gamma");
    PutState("3s", 0x13);  // cipher state 3: not loaded

    folders.LoadFolderList(store);
    ASSERT_EQ(folders.List().Size(), 4u);
    EXPECT_EQ(folders.List().Record(0), (FolderRecord{kA, kA, "first", 0x91, FolderKind::User}));
    EXPECT_EQ(folders.List().Record(1), (FolderRecord{kB, kB, "", 1, FolderKind::User}));
    EXPECT_EQ(folders.List().Record(2), RegistryEntry(registry::Hive::CurrentUser));
    EXPECT_EQ(folders.List().Record(3), RegistryEntry(registry::Hive::LocalMachine));

    const auto& sent = driver.Requests();
    ASSERT_EQ(sent.size(), 8u);
    EXPECT_EQ(sent[1], req::SetFolderPath(kA, 1, 0x91));
    EXPECT_EQ(sent[3], req::SetFolderPath(kB, 2, 1));
    EXPECT_EQ(sent[5],
              req::SetFolderPath(database.HiveFile(registry::Hive::CurrentUser).string(), 3, 0x83));
    EXPECT_EQ(sent[7], req::SetFolderPath(database.HiveFile(registry::Hive::LocalMachine).string(),
                                          4, 0x83));
}

struct StoredStateCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t loaded;
};

TEST_F(FolderListStorageTest, LoadReadsTheStateWordByItsRules) {
    const std::vector<StoredStateCase> cases = {
        {"as stored", {0xA2, 0, 0, 0}, 0xA2},
        {"an initialization error loads as working, no prohibitions", {0xF0, 0, 0, 0}, 1},
        {"two bytes fill the low half", {0x21, 0x00}, 0x21},
        {"more than four bytes is unreadable", {0x22, 0, 0, 0, 0}, 1},
        {"bits no state has are dropped", {0x12, 0x01, 0, 0x80}, 0x12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDriver d;
        ProtectedFolders list(d, state, prompter);
        store.SetInt(registry::kPathKey, "PathNum", 1);
        store.SetString(registry::kPathKey, "0", kA);
        PutState("0s", c.bytes);
        list.LoadFolderList(store);
        EXPECT_EQ(list.List().State(0), c.loaded);
    }
    // A state of another type is unreadable too.
    TestDriver d;
    ProtectedFolders list(d, state, prompter);
    store.SetString(registry::kPathKey, "0s", "x");
    list.LoadFolderList(store);
    EXPECT_EQ(list.List().State(0), 1u);
}

TEST_F(FolderListStorageTest, LoadMakesStoredPathsAbsoluteAndKeepsLongOnes) {
    const std::string longPath = "/no-such-tsrn/" + std::string(300, 'x');
    store.SetInt(registry::kPathKey, "PathNum", 3);
    store.SetString(registry::kPathKey, "0", "rel/../data");
    store.SetString(registry::kPathKey, "1", longPath);
    store.SetString(registry::kPathKey, "2", "/" + std::string(5000, 'y'));  // beyond PATH_MAX
    folders.LoadFolderList(store);
    const auto records = UserRecords(folders);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].longPath, (std::filesystem::current_path() / "data").string());
    EXPECT_EQ(records[1].longPath, longPath) << "a path saved must come back";
}

TEST_F(FolderListStorageTest, AnOverstatedCountLoadsWhatIsStoredAndNoMore) {
    store.SetInt(registry::kPathKey, "PathNum", 2147483647);
    store.SetString(registry::kPathKey, "0", kA);
    store.SetString(registry::kPathKey, "2147483646", kB);
    store.SetString(registry::kPathKey, "5", "/no-such-tsrn/five");
    store.SetString(registry::kPathKey, "05", "/no-such-tsrn/not-a-number-the-list-writes");
    folders.LoadFolderList(store);
    const auto records = UserRecords(folders);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].longPath, "/no-such-tsrn/five");
    EXPECT_EQ(records[2].longPath, kB);
}

TEST_F(FolderListStorageTest, WithoutAStoredListOnlyTheRegistryFilesAreListed) {
    folders.LoadFolderList(store);
    ASSERT_EQ(folders.List().Size(), 2u);
    EXPECT_EQ(folders.List().Record(0), RegistryEntry(registry::Hive::CurrentUser));
}

TEST_F(FolderListStorageTest, SaveWritesUserFoldersAndRemovesLeftovers) {
    for (int i = 0; i < 5; ++i) {
        folders.AddFolder("/no-such-tsrn/f" + std::to_string(i), "d" + std::to_string(i), 1,
                          FolderKind::User);
    }
    folders.SaveFolderList(store);
    EXPECT_EQ(store.GetInt(registry::kPathKey, "PathNum", -1), 5);

    TestDriver d;
    ProtectedFolders smaller(d, state, prompter);
    smaller.AddFolder("/reg/user.db", "Registry file", 0x83, FolderKind::RegistryFile);
    smaller.AddFolder(kA, "", 0x92, FolderKind::User);  // empty description
    smaller.AddFolder(kB, "b", 0x21, FolderKind::User);
    smaller.SaveFolderList(store);

    EXPECT_EQ(store.GetInt(registry::kPathKey, "PathNum", -1), 2);
    EXPECT_EQ(store.GetString(registry::kPathKey, "0", ""), kA);
    EXPECT_FALSE(Has("0d")) << "an empty description removes the old one";
    EXPECT_EQ(store.GetString(registry::kPathKey, "1d", ""), "b");
    std::array<std::uint8_t, 4> word{};
    ASSERT_TRUE(store.GetBinary(registry::kPathKey, "0s", word.data(), word.size()));
    EXPECT_EQ(word, (std::array<std::uint8_t, 4>{0x92, 0, 0, 0}));
    for (const char* gone : {"2", "2d", "2s", "3", "3d", "3s", "4", "4d", "4s"}) {
        EXPECT_FALSE(Has(gone)) << gone;
    }

    TestDriver reloadDriver;
    ProtectedFolders reloaded(reloadDriver, state, prompter);
    reloaded.LoadFolderList(store);
    EXPECT_EQ(UserRecords(reloaded),
              (std::vector<FolderRecord>{{kA, kA, "", 0x92, FolderKind::User},
                                         {kB, kB, "b", 0x21, FolderKind::User}}));
}

TEST_F(FolderListStorageTest, NothingIsSavedWhileLockedOrFromAListFile) {
    folders.AddFolder(kA, "", 1, FolderKind::User);
    state.unlocked = false;
    folders.SaveFolderList(store);
    state.unlocked = true;
    state.listFileMode = true;
    folders.SaveFolderList(store);
    EXPECT_FALSE(Has("PathNum"));
    EXPECT_FALSE(Has("0"));
}

TEST_F(FolderListStorageTest, GlobalProtectionIsReadAndWrittenAsAFourByteWord) {
    folders.LoadGlobalProtection(store);
    EXPECT_EQ(folders.GlobalProtection(), 0u);
    folders.SetGlobalProtection(0x90);
    folders.SaveGlobalProtection(store);
    TestDriver d;
    ProtectedFolders other(d, state, prompter);
    other.LoadGlobalProtection(store);
    EXPECT_EQ(other.GlobalProtection(), 0x90u);
}

class ListFileImportTest : public FolderListStorageTest {
  protected:
    std::string WriteListFile(const std::string& text) {
        const auto path = dir.Path() / "list.txt";
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
};

TEST_F(ListFileImportTest, ImportAddsEveryNamedFolderInFileOrder) {
    const auto file =
        WriteListFile("[pathes]\npath=/no-such-tsrn/a\nPATH=rel\npath=/no-such-tsrn/a\n");
    EXPECT_EQ(folders.ImportListFile(file), 3u);
    const std::string relative = (std::filesystem::current_path() / "rel").string();
    const Requests expected = {req::SetFolderShortPath("/no-such-tsrn/a", 1, 1),
                               req::SetFolderPath("/no-such-tsrn/a", 1, 1),
                               req::SetFolderShortPath(relative, 2, 1),
                               req::SetFolderPath(relative, 2, 1),
                               req::SetFolderShortPath("/no-such-tsrn/a", 3, 1),
                               req::SetFolderPath("/no-such-tsrn/a", 3, 1)};
    EXPECT_EQ(driver.Requests(), expected);
    EXPECT_EQ(folders.List().Record(1),
              (FolderRecord{relative, relative, "", 1, FolderKind::User}));
}

TEST_F(ListFileImportTest, RefusedFoldersStayAndCountAndUnreadableFilesAddNothing) {
    driver.On(driver::RequestCode::SetFolderPath, 1, TestDriver::Refuse());
    const std::string existing = (std::filesystem::canonical(dir.Path()) / "a").string();
    std::filesystem::create_directory(existing);
    EXPECT_EQ(folders.ImportListFile(
                  WriteListFile("[pathes]\npath=" + existing + "\npath=/no-such-tsrn/b\n")),
              2u);
    EXPECT_EQ(folders.List().State(0), 0u);
    EXPECT_EQ(folders.List().State(1), 1u);

    TestDriver d;
    ProtectedFolders other(d, state, prompter);
    EXPECT_EQ(other.ImportListFile(dir.Path() / "missing.txt"), 0u);
    EXPECT_TRUE(d.Requests().empty());
}

TEST_F(ListFileImportTest, InListFileModeTheFileReplacesTheStoredListAndTheRegistryFilesFollow) {
    store.SetInt(registry::kPathKey, "PathNum", 1);
    store.SetString(registry::kPathKey, "0", kA);
    state.listFileMode = true;
    state.listFilePath = WriteListFile("[pathes]\npath=/no-such-tsrn/x\n");
    folders.LoadFolderList(store);
    ASSERT_EQ(folders.List().Size(), 3u);
    EXPECT_EQ(folders.List().LongPath(0), "/no-such-tsrn/x");
    EXPECT_EQ(folders.List().Record(1), RegistryEntry(registry::Hive::CurrentUser));
    EXPECT_EQ(folders.List().Record(2), RegistryEntry(registry::Hive::LocalMachine));
}

}  // namespace
}  // namespace tsrn::test
