#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/KeyDerivation.h"

namespace tsrn::test {
namespace {

using crypto::CipherKey;
using crypto::KeySlot;

// A straightforward second reading of the key derivation: the working string
// is built as a list of sign-extended bytes, the counters are stepped with
// 64-bit arithmetic and reduced by hand.
struct Reference {
    static std::vector<std::int64_t> Working(const char* const (&prefixes)[4],
                                             const std::string& pw) {
        std::vector<std::int64_t> w;
        for (const char* p = prefixes[pw.size() % 4]; *p != '\0'; ++p) {
            w.push_back(static_cast<signed char>(*p));
        }
        for (char c : pw) {
            w.push_back(static_cast<signed char>(c));
        }
        return w;
    }

    static std::uint64_t Mod32(std::int64_t v) {
        constexpr std::int64_t kModulus = std::int64_t{1} << 32;
        return static_cast<std::uint64_t>(((v % kModulus) + kModulus) % kModulus);
    }

    static void Step(std::uint64_t& u, std::uint64_t& v) {
        u = Mod32(static_cast<std::int64_t>(u + 0x01010101));
        v += 0x01010104;
        if (v >= (std::uint64_t{1} << 32)) {
            v = v - (std::uint64_t{1} << 32) + 1;
        }
    }

    static CipherKey Key(const std::string& pw) {
        static const char* const kPrefixes[4] = {"Kq7z", "Mox_Tal", "MoxTal", "K_Tal"};
        const auto w = Working(kPrefixes, pw);
        std::uint64_t x = 0, y = 0;
        CipherKey key;
        for (int pass = 0; pass < 8; ++pass) {
            for (std::size_t g = 0; g < w.size(); g += 4) {
                const std::int64_t lo = w[g] + 256 * w[g + 1];
                const std::int64_t hi = w[g + 2] + 256 * w[g + 3];
                const bool even = g % 8 == 0;
                x = Mod32(static_cast<std::int64_t>(x) + (even ? lo * 65536 : lo));
                y = Mod32(static_cast<std::int64_t>(y) + (even ? hi : hi * 65536));
                Step(x, y);
            }
            const std::uint64_t s = Mod32(static_cast<std::int64_t>(x + y));
            key.bytes[static_cast<std::size_t>(pass)] = static_cast<std::uint8_t>(
                ((s & 0xFF) + ((s >> 8) & 0xFF) + ((s >> 16) & 0xFF) + (s >> 24)) % 256);
        }
        return key;
    }

    static std::uint32_t Check(const std::string& pw) {
        static const char* const kPrefixes[4] = {"Brvo", "BrvoJet", "Barvon", "BrvoJ"};
        const auto w = Working(kPrefixes, pw);
        std::uint64_t p = 0, q = 0, r = 0;
        for (int pass = 1; pass <= 8; ++pass) {
            for (std::size_t g = 0; g < w.size(); g += 4) {
                const std::int64_t front = 256 * w[g] + w[g + 1];
                const std::int64_t back = 256 * w[g + 2] + w[g + 3];
                const bool even = g % 8 == 0;
                p = Mod32(static_cast<std::int64_t>(p) + (even ? back * 65536 : back));
                q = Mod32(static_cast<std::int64_t>(q) + (even ? front : front * 65536));
                Step(p, q);
                r = Mod32(static_cast<std::int64_t>(r + p + q));
            }
        }
        return static_cast<std::uint32_t>(r);
    }
};

std::string RandomPassword(std::mt19937& rng, std::size_t length) {
    std::string pw(length, '\0');
    for (char& c : pw) {
        c = static_cast<char>(1 + rng() % 255);  // any byte but NUL, high ones included
    }
    return pw;
}

TEST(StepCounters, AddsAndFoldsTheCarryOfTheSecondCounter) {
    struct Case {
        std::uint32_t u, v, wantU, wantV;
    };
    const Case cases[] = {
        {0, 0, 0x01010101, 0x01010104},
        {0xFFFFFFFF, 0xFEFEFEFB, 0x01010100, 0xFFFFFFFF},  // no carry; u simply wraps
        {0, 0xFEFEFEFC, 0x01010101, 0x00000001},           // sum exactly 2^32
        {0, 0xFFFFFFFF, 0x01010101, 0x01010104},           // the folded 1 lands in bit 0
    };
    for (const Case& c : cases) {
        std::uint32_t u = c.u, v = c.v;
        crypto::StepCounters(u, v);
        EXPECT_EQ(u, c.wantU) << std::hex << c.u << " " << c.v;
        EXPECT_EQ(v, c.wantV) << std::hex << c.u << " " << c.v;
    }
}

TEST(KeyDerivation, KnownValues) {
    // Computed independently of this code from the written algorithm.
    struct Case {
        std::string password;
        std::uint64_t key;  // bytes 0..7, byte 0 first
        std::uint32_t check;
    };
    const Case cases[] = {
        {"", 0x78f069e25cd44ec6, 0xefeda0bc},
        {"a", 0x2b5987b4e10f3c69, 0xf9b8daf8},
        {"ab", 0x2e5f90c0f0215182, 0x1dec1670},
        {"abc", 0x07111b242c363f49, 0xf8b45b78},
        {"abcd", 0x0d1d2c3b4b5b6a7a, 0xb8f49bb8},
        {"Password", 0xe4c8ac91765a3e23, 0xd3766ac4},
        {"password", 0x04080c11161a1f24, 0x53766ac4},
        {"p\xc3\xa4ssw\xc3\xb6rd", 0x050c131a21282f36, 0xba2cb8d8},
        {"\xff\x80\x7f", 0xdebe9f7f5e3e1eff, 0xdffbe278},
        {std::string(252, 'z'), 0xa143e6882cce7114, 0x10823829},
    };
    for (const Case& c : cases) {
        CipherKey want;
        for (std::size_t i = 0; i < 8; ++i) {
            want.bytes[i] = static_cast<std::uint8_t>(c.key >> (56 - 8 * i));
        }
        EXPECT_EQ(crypto::DeriveKey(c.password), want) << "length " << c.password.size();
        EXPECT_EQ(crypto::PasswordCheckValue(c.password), c.check)
            << "length " << c.password.size();
        EXPECT_EQ(crypto::StoredCheckWord(c.password), c.check & 0xFFFF);
    }
}

TEST(KeyDerivation, MatchesTheReferenceOverManyPasswords) {
    std::mt19937 rng(11);
    std::vector<std::string> passwords = {"", "A", "a", "\x80", "\xff"};
    for (std::size_t length = 0; length <= 260; ++length) {
        passwords.push_back(RandomPassword(rng, length));
        passwords.push_back(std::string(length, static_cast<char>(0xE9)));
    }
    for (int i = 0; i < 2000; ++i) {
        passwords.push_back(RandomPassword(rng, rng() % 24));
    }
    for (const std::string& pw : passwords) {
        ASSERT_EQ(crypto::DeriveKey(pw), Reference::Key(pw)) << "length " << pw.size();
        ASSERT_EQ(crypto::PasswordCheckValue(pw), Reference::Check(pw)) << "length " << pw.size();
    }
}

TEST(KeyDerivation, OnlyPasswordsUpTo252BytesAreAllowed) {
    EXPECT_TRUE(crypto::PasswordLengthAllowed(""));
    EXPECT_TRUE(crypto::PasswordLengthAllowed(std::string(252, 'x')));
    EXPECT_FALSE(crypto::PasswordLengthAllowed(std::string(253, 'x')));
}

class KeySlotsTest : public ::testing::Test {
  protected:
    void TearDown() override { slots.Clear(); }
    crypto::KeySlots& slots = crypto::KeySlots::Instance();
};

TEST_F(KeySlotsTest, EachSlotKeepsItsOwnKey) {
    ASSERT_TRUE(slots.DeriveKey("old", KeySlot::Current));
    ASSERT_TRUE(slots.DeriveKey("new", KeySlot::New));
    EXPECT_EQ(slots.Key(KeySlot::Current), crypto::DeriveKey("old"));
    EXPECT_EQ(slots.Key(KeySlot::New), crypto::DeriveKey("new"));
    ASSERT_TRUE(slots.DeriveKey("old", KeySlot::New));
    EXPECT_EQ(slots.Key(KeySlot::New), slots.Key(KeySlot::Current));
}

TEST_F(KeySlotsTest, ATooLongPasswordIsRefusedAndTheSlotKept) {
    ASSERT_TRUE(slots.DeriveKey("kept", KeySlot::Current));
    EXPECT_FALSE(slots.DeriveKey(std::string(253, 'x'), KeySlot::Current));
    EXPECT_EQ(slots.Key(KeySlot::Current), crypto::DeriveKey("kept"));
    EXPECT_TRUE(slots.DeriveKey(std::string(252, 'x'), KeySlot::Current));
    EXPECT_EQ(slots.Key(KeySlot::Current), crypto::DeriveKey(std::string(252, 'x')));
}

TEST_F(KeySlotsTest, ClearWipesBothSlots) {
    ASSERT_TRUE(slots.DeriveKey("a", KeySlot::Current));
    ASSERT_TRUE(slots.DeriveKey("b", KeySlot::New));
    slots.Clear();
    EXPECT_EQ(slots.Key(KeySlot::Current), CipherKey{});
    EXPECT_EQ(slots.Key(KeySlot::New), CipherKey{});
}

}  // namespace
}  // namespace tsrn::test
