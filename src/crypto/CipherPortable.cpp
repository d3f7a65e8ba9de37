// The portable form: four byte look-ups per round, two blocks interleaved so
// the look-ups of one hide the latency of the other.
#include <array>
#include <cstdint>

#include "crypto/CipherKernels.h"
#include "crypto/SubstitutionTables.h"

namespace tsrn::crypto::detail {
namespace {

struct Block {
    std::uint32_t a;
    std::uint32_t b;
};

// The eight subkeys in round order.
using RoundKeys = std::array<std::uint32_t, 8>;

RoundKeys RoundKeysOf(const std::array<int, 8>& schedule, Subkeys keys) {
    RoundKeys out{};
    for (std::size_t r = 0; r < 8; ++r) {
        out[r] = schedule[r] == 0 ? keys.k0 : keys.k1;
    }
    return out;
}

template <std::size_t N>
inline void Rounds(std::array<Block, N>& blocks, const RoundKeys& k) {
    for (std::size_t r = 0; r < 8; r += 2) {
        for (Block& x : blocks) {
            x.b ^= SubstituteAndRotate(x.a + k[r]);
        }
        for (Block& x : blocks) {
            x.a ^= SubstituteAndRotate(x.b + k[r + 1]);
        }
    }
}

template <std::size_t N, bool Encipher>
inline void Process(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t position,
                    const RoundKeys& keys) {
    std::array<Block, N> blocks{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint32_t p = Encipher ? position + static_cast<std::uint32_t>(8 * i) : 0;
        blocks[i].a = LoadLittleEndian(src + 8 * i) ^ p;
        blocks[i].b = LoadLittleEndian(src + 8 * i + 4) ^ (Encipher ? p + 4 : 0);
    }
    Rounds(blocks, keys);
    // The halves come out swapped: the last round's pair is (a, b), the block (b, a).
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint32_t p = Encipher ? 0 : position + static_cast<std::uint32_t>(8 * i);
        StoreLittleEndian(dst + 8 * i, blocks[i].b ^ p);
        StoreLittleEndian(dst + 8 * i + 4, blocks[i].a ^ (Encipher ? 0 : p + 4));
    }
}

template <bool Encipher>
void ProcessAll(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                std::uint32_t position, Subkeys keys) {
    constexpr std::uint32_t kGroup = 4;
    const RoundKeys roundKeys = RoundKeysOf(Encipher ? kEncipherSchedule : kDecipherSchedule, keys);
    std::uint32_t i = 0;
    for (; i + kGroup <= blocks; i += kGroup) {
        Process<kGroup, Encipher>(src + 8 * std::size_t{i}, dst + 8 * std::size_t{i},
                                  position + 8 * i, roundKeys);
    }
    for (; i < blocks; ++i) {
        Process<1, Encipher>(src + 8 * std::size_t{i}, dst + 8 * std::size_t{i}, position + 8 * i,
                             roundKeys);
    }
}

}  // namespace

void EncipherPortable(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                      std::uint32_t position, Subkeys keys) {
    ProcessAll<true>(src, dst, blocks, position, keys);
}

void DecipherPortable(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                      std::uint32_t position, Subkeys keys) {
    ProcessAll<false>(src, dst, blocks, position, keys);
}

}  // namespace tsrn::crypto::detail
