#include "registry/RegistryDatabase.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "TempDir.h"

namespace tsrn::registry {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

using test::ReadText;
using test::WriteText;

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class RegistryDatabaseTest : public ::testing::Test {
  protected:
    test::TempDir dir_{"tsrn-registry"};
    std::filesystem::path registryDir_ = dir_.Path() / "config" / "tessaryn";
    RegistryDatabase db_{registryDir_};
};

TEST_F(RegistryDatabaseTest, ValuesKeepTypeAndExactBytesAcrossInstances) {
    struct Case {
        const char* name;
        std::uint32_t type;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"text", kRegSz, BytesOf(std::string("C:\\x\0", 5))},
        {"binary with NULs and high bytes", kRegBinary, {0x00, 0xff, 0x00, 0x80, 0x7f}},
        {"empty binary", kRegBinary, {}},
        {"", kRegSz, BytesOf(std::string("default value\0", 14))},
        {"unknown type", 0xfffffffeu, {1, 2, 3}},
        {"dword", kRegDword, {0x78, 0x56, 0x34, 0x12}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings\\", c.name,
                                 c.type, c.data))
            << c.name;
    }
    RegistryDatabase reopened(registryDir_);
    for (const auto& c : cases) {
        auto value =
            reopened.QueryValue(Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings", c.name);
        ASSERT_TRUE(value.has_value()) << c.name;
        EXPECT_EQ(value->type, c.type) << c.name;
        EXPECT_EQ(value->data, c.data) << c.name;
    }
}

TEST_F(RegistryDatabaseTest, OverwritingAValueReplacesTypeAndData) {
    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "K", "pwd", kRegBinary, Bytes{1, 2, 3, 4}));
    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "K", "pwd", kRegSz, BytesOf("ab")));
    auto value = db_.QueryValue(Hive::LocalMachine, "K", "pwd");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->data, BytesOf("ab"));
    EXPECT_EQ(db_.ValueNames(Hive::LocalMachine, "K"), std::vector<std::string>{"pwd"});
}

TEST_F(RegistryDatabaseTest, KeysAndValueNamesIgnoreCaseAndKeepFirstSpelling) {
    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "SOFTWARE\\Tessaryn\\Settings", "InstallDir",
                             kRegSz, BytesOf("a")));
    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "software\\TESSARYN\\settings\\", "INSTALLDIR",
                             kRegSz, BytesOf("b")));

    auto value = db_.QueryValue(Hive::LocalMachine, "Software\\tessaryn\\SETTINGS", "installdir");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->data, BytesOf("b"));
    EXPECT_TRUE(db_.KeyExists(Hive::LocalMachine, "sOfTwArE\\tessaryn"));
    EXPECT_EQ(db_.SubKeyNames(Hive::LocalMachine, "software\\tessaryn"),
              std::vector<std::string>{"Settings"});
    EXPECT_EQ(db_.ValueNames(Hive::LocalMachine, "software\\tessaryn\\settings"),
              std::vector<std::string>{"InstallDir"});
    // Only ASCII letters fold: UTF-8 bytes compare exactly.
    ASSERT_TRUE(db_.CreateKey(Hive::LocalMachine, "\xc3\xa4"));   // a-umlaut
    EXPECT_FALSE(db_.KeyExists(Hive::LocalMachine, "\xc3\x84"));  // A-umlaut
}

TEST_F(RegistryDatabaseTest, DeleteKeyRemovesEverythingBelowAndNothingBeside) {
    const Bytes one{1};
    for (const char* key : {"A\\B", "A\\B\\C", "A\\B\\C\\D", "A\\BB", "A\\B!", "A"}) {
        ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, key, "v", kRegBinary, one)) << key;
    }
    ASSERT_TRUE(db_.SetValue(Hive::CurrentUser, "A\\B", "v", kRegBinary, one));

    EXPECT_TRUE(db_.DeleteKey(Hive::LocalMachine, "a\\b\\"));

    for (const char* gone : {"A\\B", "A\\B\\C", "A\\B\\C\\D"}) {
        EXPECT_FALSE(db_.KeyExists(Hive::LocalMachine, gone)) << gone;
        EXPECT_FALSE(db_.QueryValue(Hive::LocalMachine, gone, "v")) << gone;
    }
    for (const char* kept : {"A\\BB", "A\\B!", "A"}) {
        EXPECT_TRUE(db_.QueryValue(Hive::LocalMachine, kept, "v")) << kept;
    }
    EXPECT_TRUE(db_.QueryValue(Hive::CurrentUser, "A\\B", "v"));
    EXPECT_EQ(db_.SubKeyNames(Hive::LocalMachine, "A"), (std::vector<std::string>{"BB", "B!"}));
    EXPECT_FALSE(db_.DeleteKey(Hive::LocalMachine, "A\\B"));
    EXPECT_FALSE(db_.DeleteKey(Hive::LocalMachine, ""));
}

TEST_F(RegistryDatabaseTest, DeleteValueTellsWhetherItExisted) {
    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "K", "x", kRegSz, BytesOf("1")));
    EXPECT_TRUE(db_.DeleteValue(Hive::LocalMachine, "k", "X"));
    EXPECT_FALSE(db_.DeleteValue(Hive::LocalMachine, "K", "x"));
    EXPECT_FALSE(db_.QueryValue(Hive::LocalMachine, "K", "x"));
    EXPECT_TRUE(db_.KeyExists(Hive::LocalMachine, "K"));
}

TEST_F(RegistryDatabaseTest, HivesMapToTheirFiles) {
    ASSERT_TRUE(db_.SetValue(Hive::ClassesRoot, ".htm", "", kRegSz, BytesOf("htmlfile")));
    ASSERT_TRUE(db_.SetValue(Hive::CurrentUser, "SOFTWARE\\Tessaryn", "u", kRegSz, BytesOf("1")));

    // The classes root is the machine hive's SOFTWARE\Classes.
    auto type = db_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Classes\\.htm", "");
    ASSERT_TRUE(type.has_value());
    EXPECT_EQ(type->data, BytesOf("htmlfile"));
    EXPECT_FALSE(db_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Tessaryn"));
    EXPECT_EQ(db_.HiveFile(Hive::LocalMachine), registryDir_ / "system.db");
    EXPECT_EQ(db_.HiveFile(Hive::ClassesRoot), registryDir_ / "system.db");
    EXPECT_EQ(db_.HiveFile(Hive::CurrentUser), registryDir_ / "user.db");
    EXPECT_FALSE(db_.DeleteKey(Hive::ClassesRoot, ""));
    EXPECT_TRUE(db_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Classes"));
}

TEST_F(RegistryDatabaseTest, ReadingCreatesNothingAndTheFirstWriteCreatesPrivateFiles) {
    EXPECT_FALSE(db_.QueryValue(Hive::LocalMachine, "K", "v"));
    EXPECT_FALSE(db_.KeyExists(Hive::LocalMachine, "K"));
    EXPECT_FALSE(db_.DeleteValue(Hive::LocalMachine, "K", "v"));
    EXPECT_FALSE(db_.DeleteKey(Hive::LocalMachine, "K"));
    EXPECT_TRUE(db_.ValueNames(Hive::LocalMachine, "K").empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "config"));

    ASSERT_TRUE(db_.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
    EXPECT_EQ(ModeOf(registryDir_), 0700u);
    EXPECT_EQ(ModeOf(dir_.Path() / "config"), 0700u);
    for (const auto& entry : std::filesystem::directory_iterator(registryDir_)) {
        EXPECT_EQ(ModeOf(entry.path()), 0600u) << entry.path();  // the journal too
    }
    EXPECT_TRUE(std::filesystem::exists(registryDir_ / "system.db"));
    EXPECT_FALSE(std::filesystem::exists(registryDir_ / "user.db"));
}

// Restores the process's umask when it goes.
class UmaskScope {
  public:
    explicit UmaskScope(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskScope() { ::umask(old_); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

  private:
    mode_t old_;
};

// Both hives, and their journals where SQLite made them.
void ExpectOwnerOnly(const std::filesystem::path& dir, const std::string& context) {
    for (const char* name : {"system.db", "user.db"}) {
        EXPECT_EQ(ModeOf(dir / name), 0600u) << name << ", " << context;
        const auto journal = dir / (std::string(name) + "-journal");
        if (std::filesystem::exists(journal)) {
            EXPECT_EQ(ModeOf(journal), 0600u) << journal << ", " << context;
        }
    }
}

TEST_F(RegistryDatabaseTest, BothHiveFilesAreOwnerOnlyWhateverTheUmask) {
    for (const mode_t mask : {mode_t{0000}, mode_t{0002}, mode_t{0022}, mode_t{0077}}) {
        test::TempDir dir{"tsrn-registry-mode"};
        const UmaskScope scope(mask);
        RegistryDatabase db(dir / "tessaryn");
        ASSERT_TRUE(db.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
        ASSERT_TRUE(db.SetValue(Hive::CurrentUser, "K", "v", kRegSz, BytesOf("1")));
        ExpectOwnerOnly(dir / "tessaryn", "umask " + std::to_string(mask));
    }
}

TEST_F(RegistryDatabaseTest, HiveFilesLeftReadableByOthersAreMadeOwnerOnly) {
    struct Case {
        const char* what;
        bool empty;  // a crash between creating the file and its first write
    } cases[] = {{"an empty file", true}, {"a registry of an earlier build", false}};
    for (const auto& c : cases) {
        test::TempDir dir{"tsrn-registry-mode"};
        const auto hives = dir / "tessaryn";
        std::filesystem::create_directories(hives);
        if (c.empty) {
            WriteText(hives / "system.db", "");
            WriteText(hives / "user.db", "");
        } else {
            RegistryDatabase earlier(hives);
            ASSERT_TRUE(earlier.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
            ASSERT_TRUE(earlier.SetValue(Hive::CurrentUser, "K", "v", kRegSz, BytesOf("1")));
        }
        for (const auto& entry : std::filesystem::directory_iterator(hives)) {
            ASSERT_EQ(::chmod(entry.path().c_str(), 0644), 0);
        }

        RegistryDatabase db(hives);
        EXPECT_EQ(db.QueryValue(Hive::LocalMachine, "K", "v").has_value(), !c.empty);
        ASSERT_TRUE(db.SetValue(Hive::CurrentUser, "K", "w", kRegSz, BytesOf("2")));
        ExpectOwnerOnly(hives, c.what);
    }
}

TEST_F(RegistryDatabaseTest, NamesHoldingNulNameNothing) {
    const std::string nulKey("A\0B", 3);
    EXPECT_FALSE(db_.SetValue(Hive::LocalMachine, nulKey, "v", kRegSz, BytesOf("1")));
    EXPECT_FALSE(db_.SetValue(Hive::LocalMachine, "A", nulKey, kRegSz, BytesOf("1")));
    EXPECT_FALSE(db_.CreateKey(Hive::LocalMachine, nulKey));
    EXPECT_FALSE(db_.KeyExists(Hive::LocalMachine, "A"));
}

TEST_F(RegistryDatabaseTest, AnEmptyHiveFileIsAFreshRegistry) {
    // What a crash between creating the file and the first write leaves.
    std::filesystem::create_directories(registryDir_);
    WriteText(registryDir_ / "system.db", "");
    EXPECT_FALSE(db_.QueryValue(Hive::LocalMachine, "K", "v"));
    EXPECT_TRUE(db_.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
    EXPECT_TRUE(db_.QueryValue(Hive::LocalMachine, "K", "v"));
}

std::string ForeignDatabase(const std::filesystem::path& scratch) {
    sqlite3* db = nullptr;
    sqlite3_open(scratch.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE notes(x); INSERT INTO notes VALUES('mine');", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    return ReadText(scratch);
}

// A registry whose only damage is the page of the key table: values can still
// be found and deleted page by page, but the file as a whole is not sound.
std::string RegistryWithOneBadPage(const std::filesystem::path& dir) {
    {
        RegistryDatabase source(dir);
        for (int i = 0; i < 12; ++i) {
            EXPECT_TRUE(source.SetValue(Hive::LocalMachine, "K\\" + std::to_string(i), "v",
                                        kRegBinary, Bytes(2000, static_cast<std::uint8_t>(i))));
        }
    }
    std::string bytes = ReadText(dir / "system.db");
    const std::size_t keyTablePage = 4096;  // page 2: the first table created
    bytes.at(keyTablePage) = '\x01';        // not a valid page type
    return bytes;
}

TEST_F(RegistryDatabaseTest, DamagedOrForeignFileReadsEmptyAndIsNeverWritten) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    test::TempDir scratch("tsrn-registry-scratch");
    const std::vector<Case> cases = {
        {"not a database", std::string(3000, 'x')},
        {"header then garbage", std::string("SQLite format 3\0", 16) + std::string(4080, '\x7f')},
        {"one bad page", RegistryWithOneBadPage(scratch.Path() / "bad")},
        {"another program's database", ForeignDatabase(scratch.Path() / "foreign.db")},
    };
    std::filesystem::create_directories(registryDir_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = registryDir_ / "system.db";
        WriteText(file, c.bytes);
        RegistryDatabase db(registryDir_);

        EXPECT_FALSE(db.QueryValue(Hive::LocalMachine, "K\\1", "v"));
        EXPECT_FALSE(db.KeyExists(Hive::LocalMachine, "K\\1"));
        EXPECT_TRUE(db.SubKeyNames(Hive::LocalMachine, "K").empty());
        EXPECT_FALSE(db.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
        EXPECT_FALSE(db.CreateKey(Hive::ClassesRoot, "x"));
        EXPECT_FALSE(db.DeleteValue(Hive::LocalMachine, "K\\1", "v"));
        EXPECT_FALSE(db.DeleteKey(Hive::LocalMachine, "K"));
        EXPECT_EQ(ReadText(file), c.bytes);
        // The other hive is unaffected.
        EXPECT_TRUE(db.SetValue(Hive::CurrentUser, "K", "v", kRegSz, BytesOf("1")));
        EXPECT_TRUE(db.QueryValue(Hive::CurrentUser, "K", "v"));
    }
}

TEST_F(RegistryDatabaseTest, UnreadableHiveReadsEmptyAndWritesFail) {
    // Something that cannot be opened as a file stands where the hive should be.
    std::filesystem::create_directories(registryDir_ / "system.db" / "inside");
    EXPECT_FALSE(db_.QueryValue(Hive::LocalMachine, "K", "v"));
    EXPECT_FALSE(db_.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
    EXPECT_TRUE(std::filesystem::is_directory(registryDir_ / "system.db" / "inside"));
    std::filesystem::remove_all(registryDir_ / "system.db");

    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root: file permissions do not stop reading";
    }
    RegistryDatabase writer(registryDir_);
    ASSERT_TRUE(writer.SetValue(Hive::LocalMachine, "K", "v", kRegSz, BytesOf("1")));
    const auto file = registryDir_ / "system.db";
    const std::string before = ReadText(file);
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);

    RegistryDatabase db(registryDir_);
    EXPECT_FALSE(db.QueryValue(Hive::LocalMachine, "K", "v"));
    EXPECT_FALSE(db.SetValue(Hive::LocalMachine, "K", "w", kRegSz, BytesOf("2")));
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(ReadText(file), before);
}

}  // namespace
}  // namespace tsrn::registry
