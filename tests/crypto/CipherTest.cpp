#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "CipherOracle.h"
#include "crypto/Cipher.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::test {
namespace {

using crypto::CipherForm;
using crypto::CipherKey;

CipherKey RandomKey(std::mt19937& rng) {
    CipherKey key;
    for (auto& b : key.bytes) {
        b = static_cast<std::uint8_t>(rng());
    }
    return key;
}

Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    Bytes out(n);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

// Positions that matter: the start of a file, arbitrary ones, and ones whose
// blocks cross the wrap at 2^32.
std::uint32_t RandomPosition(std::mt19937& rng) {
    switch (rng() % 4) {
        case 0:
            return 0;
        case 1:
            return 0u - 8u * static_cast<std::uint32_t>(1 + rng() % 200);
        default:
            return static_cast<std::uint32_t>(rng());
    }
}

TEST(RoundFunction, WorkedValueAndTheWrongEighthSubstitution) {
    EXPECT_EQ(crypto::RoundFunction(0, 0), 0x7B8927B4u);
    EXPECT_EQ(OracleRound(0, 0), 0x7B8927B4u);
    EXPECT_EQ(OracleRound(0, 0, {.eighthByTopNibble = true}), 0x7B8922B4u);
    // Only the sum counts, and the top nibble of the sum never does.
    EXPECT_EQ(crypto::RoundFunction(0x12345678u, 0u - 0x12345678u), 0x7B8927B4u);
    EXPECT_EQ(crypto::RoundFunction(0xF0000000u, 0), 0x7B8927B4u);
}

TEST(RoundFunction, MatchesTheOracle) {
    std::mt19937 rng(1);
    for (int i = 0; i < 200000; ++i) {
        const auto a = static_cast<std::uint32_t>(rng());
        const auto k = static_cast<std::uint32_t>(rng());
        ASSERT_EQ(crypto::RoundFunction(a, k), OracleRound(a, k)) << a << " " << k;
    }
}

TEST(Block, MatchesTheOracleAndDecipherUndoesEncipher) {
    std::mt19937 rng(2);
    for (int i = 0; i < 20000; ++i) {
        const CipherKey key = RandomKey(rng);
        const auto a0 = static_cast<std::uint32_t>(rng());
        const auto b0 = static_cast<std::uint32_t>(rng());
        std::uint32_t a = a0, b = b0, oa = a0, ob = b0;
        crypto::EncipherBlock(a, b, key);
        OracleEncipherBlock(oa, ob, key);
        ASSERT_EQ(a, oa);
        ASSERT_EQ(b, ob);
        crypto::DecipherBlock(a, b, key);
        ASSERT_EQ(a, a0);
        ASSERT_EQ(b, b0);
    }
}

// Every fast form against the oracle, out of place and in place, with guard
// bytes after the buffer that must stay untouched.
class FormTest : public ::testing::TestWithParam<CipherForm> {
  protected:
    void SetUp() override {
        if (!crypto::FormAvailable(GetParam())) {
            GTEST_SKIP() << "this CPU lacks the " << crypto::FormName(GetParam()) << " form";
        }
    }

    void CheckAgainstOracle(std::mt19937& rng, std::size_t length) {
        const CipherKey key = RandomKey(rng);
        const std::uint32_t position = RandomPosition(rng);
        const Bytes plain = RandomBytes(rng, length);
        const auto len = static_cast<std::uint32_t>(length);
        const Bytes expected = OracleEncipherBuffer(plain, position, key);

        Bytes out(length + kGuard, kGuardByte);
        crypto::EncipherBufferWith(GetParam(), plain.data(), out.data(), len, position, key);
        const Bytes guard(out.begin() + static_cast<std::ptrdiff_t>(length), out.end());
        ASSERT_EQ(guard, Bytes(kGuard, kGuardByte)) << "wrote past the buffer";
        out.resize(length);
        // Bytes after the last whole block are not written at all.
        for (std::size_t i = length - length % 8; i < length; ++i) {
            ASSERT_EQ(out[i], kGuardByte) << "length " << length;
            out[i] = plain[i];
        }
        ASSERT_EQ(out, expected) << "length " << length << " position " << position;

        Bytes inPlace = expected;
        crypto::DecipherBufferWith(GetParam(), inPlace.data(), inPlace.data(), len, position, key);
        ASSERT_EQ(inPlace, plain) << "length " << length << " position " << position;
        ASSERT_EQ(OracleDecipherBuffer(expected, position, key), plain);
    }

    static constexpr std::size_t kGuard = 16;
    static constexpr std::uint8_t kGuardByte = 0xA5;
};

TEST_P(FormTest, MatchesTheOracleOverRandomLengthsKeysAndPositions) {
    std::mt19937 rng(3);
    for (std::size_t length = 0; length <= 1100; ++length) {
        CheckAgainstOracle(rng, length);
    }
    for (std::size_t length : {4095u, 4096u, 4097u, 4098u, 4099u, 8191u, 12288u}) {
        CheckAgainstOracle(rng, length);
    }
}

TEST_P(FormTest, MatchesTheOracleOnAMultiMebibyteBuffer) {
    std::mt19937 rng(4);
    CheckAgainstOracle(rng, (3u << 20) + 5);
}

TEST_P(FormTest, BlocksAcrossTheWrapAtTwoToThe32) {
    // Blocks before the wrap use positions near 2^32, the ones after 0, 8, ...
    std::mt19937 rng(5);
    const CipherKey key = RandomKey(rng);
    const Bytes plain = RandomBytes(rng, 1024);
    const std::uint32_t start = 0u - 512u;
    Bytes whole(plain.size());
    crypto::EncipherBufferWith(GetParam(), plain.data(), whole.data(), 1024, start, key);
    Bytes split(plain.size());
    crypto::EncipherBufferWith(GetParam(), plain.data(), split.data(), 512, start, key);
    crypto::EncipherBufferWith(GetParam(), plain.data() + 512, split.data() + 512, 512, 0, key);
    EXPECT_EQ(whole, split);
}

INSTANTIATE_TEST_SUITE_P(AllForms, FormTest,
                         ::testing::Values(CipherForm::Portable, CipherForm::Avx2,
                                           CipherForm::Avx512Vbmi),
                         [](const auto& param) {
                             return std::string(crypto::FormName(param.param));
                         });

TEST(Forms, TheBestAvailableFormIsActive) {
    const CipherForm active = crypto::ActiveForm();
    EXPECT_TRUE(crypto::FormAvailable(active));
    if (crypto::FormAvailable(CipherForm::Avx512Vbmi)) {
        EXPECT_EQ(active, CipherForm::Avx512Vbmi);
    } else if (crypto::FormAvailable(CipherForm::Avx2)) {
        EXPECT_EQ(active, CipherForm::Avx2);
    }
}

TEST(FileFormat, KnownCiphertextOfASmallFile) {
    // Computed independently of this code from the written algorithm.
    const std::string text = "Tessaryn file, 29 bytes long.";
    const Bytes plain(text.begin(), text.end());
    const Bytes expected = {0x2f, 0x8e, 0xed, 0xc7, 0x7f, 0x31, 0x11, 0xeb, 0x5a, 0x95,
                            0x32, 0x94, 0xb8, 0xc2, 0x7b, 0xbc, 0x89, 0xfe, 0xbf, 0x80,
                            0x8a, 0x23, 0x93, 0xf1, 0x58, 0x5a, 0x58, 0x50, 0x1e};
    const CipherKey key = crypto::DeriveKey("Password");
    Bytes out(plain.size());
    crypto::EncipherRegion(plain.data(), out.data(), 29, 0, key, true);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(OracleEncipherFile(plain, key), expected);
}

TEST(FileFormat, BufferLeavesShortAndTrailingBytesAlone) {
    const CipherKey key = crypto::DeriveKey("k");
    struct Case {
        std::uint32_t length;
        std::uint32_t changed;  // bytes the buffer operations may change
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{7, 0}, Case{8, 8}, Case{13, 8}}) {
        const Bytes plain(c.length, 0x3C);
        for (bool encipher : {true, false}) {
            Bytes out = plain;
            if (encipher) {
                crypto::EncipherBuffer(out.data(), out.data(), c.length, 0, key);
            } else {
                crypto::DecipherBuffer(out.data(), out.data(), c.length, 0, key);
            }
            EXPECT_EQ(Bytes(out.begin() + c.changed, out.end()),
                      Bytes(plain.begin() + c.changed, plain.end()))
                << "length " << c.length;
            EXPECT_EQ(c.changed == 0, out == plain) << "length " << c.length;
        }
    }
}

// A file enciphered at once equals the file enciphered in chunks of whole
// blocks, each at its own offset, with the tail stream on the last one; and
// the region operations read it back, in place.
TEST(FileFormat, RegionsMatchTheWholeFileHoweverItIsCut) {
    std::mt19937 rng(6);
    const std::vector<std::size_t> lengths = {
        0, 1, 2, 3, 4, 5, 6, 7, 8, 13, 16, 4095, 4096, 4097, 4098, 4099, (2u << 20) + 3};
    for (std::size_t length : lengths) {
        const CipherKey key = RandomKey(rng);
        const Bytes plain = RandomBytes(rng, length);
        const Bytes expected = OracleEncipherFile(plain, key);
        const auto len = static_cast<std::uint32_t>(length);

        Bytes whole(length);
        crypto::EncipherRegion(plain.data(), whole.data(), len, 0, key, true);
        ASSERT_EQ(whole, expected) << "length " << length;

        Bytes chunked = plain;
        std::uint32_t at = 0;
        while (at < len) {
            const std::uint32_t chunk = std::min<std::uint32_t>(
                len - at, 8 * (1 + static_cast<std::uint32_t>(rng() % 700)));
            const bool last = at + chunk == len;
            crypto::EncipherRegion(chunked.data() + at, chunked.data() + at, chunk, at, key, last);
            at += chunk;
        }
        ASSERT_EQ(chunked, expected) << "length " << length;

        crypto::DecipherRegion(chunked.data(), chunked.data(), len, 0, key, true);
        ASSERT_EQ(chunked, plain) << "length " << length;
    }
}

TEST(FileFormat, TailStreamIsItsOwnInverseAndUsesTheLowPositionByte) {
    CipherKey key;
    key.bytes = {0x0F, 0xF0, 1, 2, 3, 4, 5, 6};  // mask 0xFF
    const Bytes zeros(5, 0);
    Bytes out(5);
    crypto::CipherTail(zeros.data(), out.data(), 5, 0x1FE, key);
    EXPECT_EQ(out, (Bytes{0x01, 0x00, 0xFF, 0xFE, 0xFD}));
    crypto::CipherTail(out.data(), out.data(), 5, 0x1FE, key);
    EXPECT_EQ(out, zeros);
}

TEST(KeySlotCipher, UsesTheKeyInTheNamedSlot) {
    auto& slots = crypto::KeySlots::Instance();
    ASSERT_TRUE(slots.DeriveKey("current", crypto::KeySlot::Current));
    ASSERT_TRUE(slots.DeriveKey("new", crypto::KeySlot::New));
    std::mt19937 rng(7);
    const Bytes plain = RandomBytes(rng, 29);
    for (auto [slot, password] :
         {std::pair{crypto::KeySlot::Current, "current"}, std::pair{crypto::KeySlot::New, "new"}}) {
        Bytes bySlot(29), byKey(29);
        crypto::EncipherRegion(plain.data(), bySlot.data(), 29, 0, slot, true);
        crypto::EncipherRegion(plain.data(), byKey.data(), 29, 0, crypto::DeriveKey(password),
                               true);
        EXPECT_EQ(bySlot, byKey);
        crypto::DecipherRegion(bySlot.data(), bySlot.data(), 29, 0, slot, true);
        EXPECT_EQ(bySlot, plain);
    }
    slots.Clear();
}

}  // namespace
}  // namespace tsrn::test
