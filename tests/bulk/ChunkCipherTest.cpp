#include "bulk/ChunkCipher.h"

#include <gtest/gtest.h>

#include "ReferenceFormat.h"

namespace tsrn::bulk {
namespace {

using test::Bytes;
using test::KeyOf;
using test::RandomBytes;
using test::ReferenceDecipher;
using test::ReferenceEncipher;

const KeyPair kKeys{KeyOf(0x0123456789ABCDEFull), KeyOf(0xFEDCBA9876543210ull)};

TEST(ChunkCipher, OffsetsBeyond4GiBCountModulo2To32) {
    struct Case {
        std::uint64_t offset;
        std::uint64_t sameAs;  // the offset the cipher must see
    };
    const Case cases[] = {
        {(1ull << 32) + 8, 8},
        {(1ull << 33) + 4096, 4096},
        {(1ull << 31), (1ull << 31)},
        {(1ull << 32) - 8, (1ull << 32) - 8},  // blocks wrap to position 0 inside the chunk
    };
    const Bytes plain = RandomBytes(64, 7);
    for (const Case& c : cases) {
        Bytes data = plain;
        ChunkCipher(CipherMode::Encipher, false, kKeys)
            .Apply(data.data(), data.size(), c.offset, false);
        EXPECT_EQ(data, ReferenceEncipher(plain, kKeys.current, c.sameAs)) << c.offset;
    }
}

TEST(ChunkCipher, TailBytesOnlyAtTheFileEnd) {
    const Bytes plain = RandomBytes(13, 3);
    Bytes notEnd = plain;
    ChunkCipher(CipherMode::Encipher, false, kKeys).Apply(notEnd.data(), notEnd.size(), 0, false);
    EXPECT_TRUE(std::equal(plain.begin() + 8, plain.end(), notEnd.begin() + 8));
    Bytes end = plain;
    ChunkCipher(CipherMode::Encipher, false, kKeys).Apply(end.data(), end.size(), 0, true);
    EXPECT_EQ(end, ReferenceEncipher(plain, kKeys.current));
}

TEST(ChunkCipher, EveryModeAndItsRollbackRow) {
    const Bytes plain = RandomBytes(8 * 5 + 3, 11);
    const Bytes oldCipher = ReferenceEncipher(plain, kKeys.current);
    const Bytes newCipher = ReferenceEncipher(plain, kKeys.next);
    struct Case {
        CipherMode mode;
        Bytes before;
        Bytes after;
    };
    const Case cases[] = {
        {CipherMode::Encipher, plain, oldCipher},
        {CipherMode::Decipher, oldCipher, plain},
        {CipherMode::Recipher, oldCipher, newCipher},
    };
    for (const Case& c : cases) {
        Bytes data = c.before;
        ChunkCipher forward(c.mode, false, kKeys);
        forward.Apply(data.data(), data.size(), 0, true);
        EXPECT_EQ(data, c.after) << static_cast<int>(c.mode);
        ChunkCipher(c.mode, true, kKeys).Apply(data.data(), data.size(), 0, true);
        EXPECT_EQ(data, c.before) << static_cast<int>(c.mode);
    }
    EXPECT_EQ(ReferenceDecipher(oldCipher, kKeys.current), plain);
}

}  // namespace
}  // namespace tsrn::bulk
