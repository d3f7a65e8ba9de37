#include "registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "TempDir.h"

namespace tsrn::registry {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

class RegistryStoreTest : public ::testing::Test {
  protected:
    // Stores a raw value under HKLM\SOFTWARE\Tessaryn\<subkey> as setup or an
    // older program might have left it.
    void Put(std::string_view subkey, std::string_view name, std::uint32_t type,
             const Bytes& data) {
        ASSERT_TRUE(db_.SetValue(
            Hive::LocalMachine, std::string(kStorageRoot) + std::string(subkey), name, type, data));
    }

    test::TempDir dir_{"tsrn-store"};
    RegistryDatabase db_{dir_.Path()};
    RegistryStore store_{db_};
};

TEST_F(RegistryStoreTest, GetBinaryAcceptsOnlyBinaryValuesThatFit) {
    struct Case {
        const char* what;
        std::uint32_t type;
        Bytes stored;
        bool accepted;
        std::uint32_t word;  // the reader's 4-byte buffer afterwards, starting at 0xAABBCCDD
    };
    const std::vector<Case> cases = {
        {"4-byte check value", kRegBinary, {0x34, 0x12, 0, 0}, true, 0x00001234},
        {"2-byte state fills the low half", kRegBinary, {0x83, 0x00}, true, 0xAABB0083},
        {"empty binary", kRegBinary, {}, true, 0xAABBCCDD},
        {"8 bytes is too big", kRegBinary, {1, 2, 3, 4, 5, 6, 7, 8}, false, 0xAABBCCDD},
        {"text is not binary", kRegSz, {'1', '2', '3', 0}, false, 0xAABBCCDD},
        {"dword is not binary", kRegDword, {1, 0, 0, 0}, false, 0xAABBCCDD},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put("settings\\", "pwd", c.type, c.stored);
        std::uint8_t buffer[4] = {0xDD, 0xCC, 0xBB, 0xAA};
        EXPECT_EQ(store_.GetBinary("settings\\", "pwd", buffer, sizeof buffer), c.accepted);
        const std::uint32_t word = buffer[0] | buffer[1] << 8 | buffer[2] << 16 |
                                   static_cast<std::uint32_t>(buffer[3]) << 24;
        EXPECT_EQ(word, c.word);
    }
    std::uint8_t untouched = 7;
    EXPECT_FALSE(store_.GetBinary("settings\\", "missing", &untouched, 1));
    EXPECT_EQ(untouched, 7);
}

TEST_F(RegistryStoreTest, StringsReadAsThroughA260ByteBuffer) {
    struct Case {
        const char* what;
        std::uint32_t type;
        Bytes stored;
        bool read;
        std::string text;
    };
    const std::string s259(259, 'p');
    const std::string s260(260, 'p');
    auto withNul = [](const std::string& s) { return BytesOf(std::string(s) + '\0'); };
    const std::vector<Case> cases = {
        {"259 characters", kRegSz, withNul(s259), true, s259},
        {"260 characters", kRegSz, withNul(s260), false, "default"},
        {"260 bytes without a NUL", kRegSz, BytesOf(s260), false, "default"},
        {"a NUL ends the text", kRegSz, BytesOf(std::string("ab\0cd\0", 6)), true, "ab"},
        {"no NUL", kRegSz, BytesOf("abc"), true, "abc"},
        {"type is not examined", kRegBinary, {'4', '2'}, true, "42"},
        {"empty data", kRegSz, {}, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put("path\\", "0", c.type, c.stored);
        std::string out = "stale";
        EXPECT_EQ(store_.ReadString("path\\", "0", out, "default"), c.read);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(store_.GetString("path\\", "0", "default"), c.text);
    }
    std::string out;
    EXPECT_FALSE(store_.ReadString("path\\", "missing", out, ".\\"));
    EXPECT_EQ(out, ".\\");
}

TEST_F(RegistryStoreTest, WritesStoreTheDesignedTypesAndBytes) {
    ASSERT_TRUE(store_.SetString("settings\\", "version", "1.0"));
    ASSERT_TRUE(store_.SetInt("settings\\", "x", -40));
    const std::uint8_t state[4] = {0x81, 0, 0, 0};
    ASSERT_TRUE(store_.SetBinary("path\\", "0s", state, sizeof state));

    const std::string settings = std::string(kStorageRoot) + "settings";
    auto version = db_.QueryValue(Hive::LocalMachine, settings, "version");
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->type, kRegSz);
    EXPECT_EQ(version->data, BytesOf(std::string("1.0\0", 4)));
    auto x = db_.QueryValue(Hive::LocalMachine, settings, "x");
    ASSERT_TRUE(x.has_value());
    EXPECT_EQ(x->data, BytesOf(std::string("-40\0", 4)));
    auto s = db_.QueryValue(Hive::LocalMachine, std::string(kStorageRoot) + "path", "0s");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->type, kRegBinary);
    EXPECT_EQ(s->data, (Bytes{0x81, 0, 0, 0}));

    EXPECT_EQ(store_.GetInt("settings\\", "x", 5), -40);
    EXPECT_TRUE(store_.DeleteValue("settings\\", "x"));
    EXPECT_FALSE(store_.DeleteValue("settings\\", "x"));
    EXPECT_EQ(store_.GetInt("settings\\", "x", 5), 5);
}

TEST_F(RegistryStoreTest, GetIntConvertsAnyReadableTextAndDefaultsOnlyWhenUnreadable) {
    Put("settings\\", "cx", kRegSz, BytesOf(std::string("wide\0", 5)));
    EXPECT_EQ(store_.GetInt("settings\\", "cx", 640), 0);
    Put("settings\\", "cx", kRegSz, BytesOf(std::string(300, '7')));
    EXPECT_EQ(store_.GetInt("settings\\", "cx", 640), 640);
}

TEST_F(RegistryStoreTest, AnotherBaseKeyAndHive) {
    RegistryStore run(db_, Hive::LocalMachine, std::string(kWindowsRunRoot));
    ASSERT_TRUE(run.SetString(kRunServicesKey, "Tessaryn", "/opt/t/tsrn /service"));
    EXPECT_TRUE(db_.QueryValue(Hive::LocalMachine,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
                               "Tessaryn"));
    EXPECT_EQ(store_.GetString(kRunServicesKey, "Tessaryn", "none"), "none");
}

TEST(DecimalToIntTest, ReadsLikeTheStoredIntegersAreRead) {
    struct Case {
        std::string text;
        int value;
    };
    const std::vector<Case> cases = {
        {"42", 42},
        {"  \t-17px", -17},
        {"+8", 8},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"--5", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecimalToInt(c.text), c.value) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace tsrn::registry
