#include "CipherOracle.h"

namespace tsrn::test {
namespace {

const std::uint8_t kSBox[8][16] = {
    {4, 15, 7, 9, 2, 13, 11, 1, 6, 12, 3, 0, 5, 14, 8, 10},
    {2, 11, 8, 14, 12, 5, 3, 7, 10, 0, 6, 1, 4, 15, 13, 9},
    {1, 8, 4, 15, 7, 6, 12, 0, 14, 3, 13, 2, 10, 11, 9, 5},
    {7, 2, 15, 3, 10, 12, 6, 11, 1, 8, 4, 14, 13, 9, 5, 0},
    {15, 5, 11, 6, 9, 1, 7, 14, 2, 10, 8, 4, 0, 3, 12, 13},
    {8, 14, 2, 4, 11, 9, 0, 6, 3, 13, 15, 7, 12, 5, 10, 1},
    {6, 3, 5, 8, 13, 4, 14, 2, 7, 9, 0, 12, 11, 10, 1, 15},
    {5, 0, 14, 13, 6, 11, 15, 9, 12, 1, 10, 8, 7, 4, 2, 3},
};

std::uint32_t Word(const crypto::CipherKey& key, int first) {
    std::uint32_t w = 0;
    for (int i = 3; i >= 0; --i) {
        w = w * 256 + key.bytes[static_cast<std::size_t>(first + i)];
    }
    return w;
}

void Network(std::uint32_t& a, std::uint32_t& b, const std::uint32_t (&subkeys)[8]) {
    std::uint32_t left = a;
    std::uint32_t right = b;
    for (std::uint32_t k : subkeys) {
        const std::uint32_t newLeft = OracleRound(left, k) ^ right;
        right = left;
        left = newLeft;
    }
    a = right;
    b = left;
}

std::uint32_t ReadWord(const Bytes& in, std::size_t at) {
    return in[at] | in[at + 1] << 8 | in[at + 2] << 16 |
           static_cast<std::uint32_t>(in[at + 3]) << 24;
}

void WriteWord(Bytes& out, std::size_t at, std::uint32_t w) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(w >> (8 * i));
    }
}

}  // namespace

std::uint32_t OracleRound(std::uint32_t a, std::uint32_t k, OracleOptions options) {
    const std::uint32_t s = a + k;
    std::uint32_t nibble[8];
    for (int i = 0; i < 8; ++i) {
        nibble[i] = (s >> (4 * i)) & 0xF;
    }
    std::uint32_t out[8];
    for (int i = 0; i < 7; ++i) {
        out[i] = kSBox[i][nibble[i]];
    }
    out[7] = kSBox[7][options.eighthByTopNibble ? nibble[7] : out[6]];
    std::uint32_t w = 0;
    for (int i = 0; i < 8; ++i) {
        w |= out[i] << (4 * i);
    }
    return (w << 11) | (w >> 21);
}

void OracleEncipherBlock(std::uint32_t& a, std::uint32_t& b, const crypto::CipherKey& key) {
    const std::uint32_t k0 = Word(key, 0);
    const std::uint32_t k1 = Word(key, 4);
    const std::uint32_t subkeys[8] = {k0, k1, k0, k1, k0, k1, k1, k0};
    Network(a, b, subkeys);
}

void OracleDecipherBlock(std::uint32_t& a, std::uint32_t& b, const crypto::CipherKey& key) {
    const std::uint32_t k0 = Word(key, 0);
    const std::uint32_t k1 = Word(key, 4);
    const std::uint32_t subkeys[8] = {k0, k1, k1, k0, k1, k0, k1, k0};
    Network(a, b, subkeys);
}

Bytes OracleEncipherBuffer(const Bytes& in, std::uint32_t position, const crypto::CipherKey& key) {
    Bytes out = in;
    for (std::size_t i = 0; i + 8 <= in.size(); i += 8) {
        const std::uint32_t p = position + static_cast<std::uint32_t>(i);
        std::uint32_t a = ReadWord(in, i) ^ p;
        std::uint32_t b = ReadWord(in, i + 4) ^ (p + 4);
        OracleEncipherBlock(a, b, key);
        WriteWord(out, i, a);
        WriteWord(out, i + 4, b);
    }
    return out;
}

Bytes OracleDecipherBuffer(const Bytes& in, std::uint32_t position, const crypto::CipherKey& key) {
    Bytes out = in;
    for (std::size_t i = 0; i + 8 <= in.size(); i += 8) {
        const std::uint32_t p = position + static_cast<std::uint32_t>(i);
        std::uint32_t a = ReadWord(in, i);
        std::uint32_t b = ReadWord(in, i + 4);
        OracleDecipherBlock(a, b, key);
        WriteWord(out, i, a ^ p);
        WriteWord(out, i + 4, b ^ (p + 4));
    }
    return out;
}

Bytes OracleEncipherFile(const Bytes& plain, const crypto::CipherKey& key) {
    Bytes out = OracleEncipherBuffer(plain, 0, key);
    const std::uint8_t m = key.bytes[0] ^ key.bytes[1];
    for (std::size_t j = plain.size() - plain.size() % 8; j < plain.size(); ++j) {
        out[j] = static_cast<std::uint8_t>(plain[j] ^ m ^ (j & 0xFF));
    }
    return out;
}

}  // namespace tsrn::test
