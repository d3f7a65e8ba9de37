// The AVX2 form: eight blocks per register, left halves in one vector and
// right halves in another. A byte shuffle looks up one 16-entry table for
// every byte at once, so each of the seven substitutions that depend on the
// input is one shuffle whose other bytes are masked to zero (index bit 7).
// Compiled with a function-level target so the library still runs on CPUs
// without AVX2.
#include <array>
#include <cstdint>

#include "crypto/CipherKernels.h"
#include "crypto/SubstitutionTables.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define TSRN_AVX2 __attribute__((target("avx2")))

namespace tsrn::crypto::detail {
namespace {

constexpr std::uint32_t kBlocksPerVector = 8;
constexpr std::uint32_t kBytesPerVector = 8 * kBlocksPerVector;
constexpr int kInterleave = 4;

struct Constants {
    __m256i lowTables[4];   // substitution of the low nibble of byte j (whole byte for j = 3)
    __m256i highTables[3];  // substitution of the high nibble of byte j, in bits 4-7
    __m256i onlyByte[4];    // 0x80 in every byte but byte j of each word
    __m256i lowSeven;
    __m256i nibbleMask;
    __m256i subkeys[2];
    __m256i blockOffsets;
};

TSRN_AVX2 __m256i BroadcastRow(const NibbleTable& table, int row) {
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data() + 16 * row));
    return _mm256_broadcastsi128_si256(r);
}

TSRN_AVX2 Constants MakeConstants(Subkeys keys) {
    Constants c{};
    for (int j = 0; j < 4; ++j) {
        c.lowTables[j] = BroadcastRow(kLowNibbleTable, j);
        c.onlyByte[j] = _mm256_set1_epi32(static_cast<int>(0x80808080u & ~(0xFFu << (8 * j))));
    }
    for (int j = 0; j < 3; ++j) {
        c.highTables[j] = BroadcastRow(kHighNibbleTable, j);
    }
    c.lowSeven = _mm256_set1_epi32(0x7F7F7F7F);
    c.nibbleMask = _mm256_set1_epi32(0x0F0F0F0F);
    c.subkeys[0] = _mm256_set1_epi32(static_cast<int>(keys.k0));
    c.subkeys[1] = _mm256_set1_epi32(static_cast<int>(keys.k1));
    // After the deinterleave lane 4L+j holds block 2L+j of the first 32 bytes
    // (j < 2) or block 4+2L+j-2 of the second 32 bytes.
    c.blockOffsets = _mm256_set_epi32(56, 48, 24, 16, 40, 32, 8, 0);
    return c;
}

TSRN_AVX2 inline __m256i Lookup(__m256i table, __m256i index, __m256i onlyByte) {
    return _mm256_shuffle_epi8(table, _mm256_or_si256(index, onlyByte));
}

TSRN_AVX2 inline __m256i Round(__m256i x, __m256i k, const Constants& c) {
    const __m256i s = _mm256_add_epi32(x, k);
    const __m256i low = _mm256_and_si256(s, c.lowSeven);  // the shuffle reads bits 0-3 and 7
    const __m256i high = _mm256_and_si256(_mm256_srli_epi32(s, 4), c.nibbleMask);
    __m256i out = Lookup(c.lowTables[0], low, c.onlyByte[0]);
    out = _mm256_or_si256(out, Lookup(c.lowTables[1], low, c.onlyByte[1]));
    out = _mm256_or_si256(out, Lookup(c.lowTables[2], low, c.onlyByte[2]));
    out = _mm256_or_si256(out, Lookup(c.lowTables[3], low, c.onlyByte[3]));
    out = _mm256_or_si256(out, Lookup(c.highTables[0], high, c.onlyByte[0]));
    out = _mm256_or_si256(out, Lookup(c.highTables[1], high, c.onlyByte[1]));
    out = _mm256_or_si256(out, Lookup(c.highTables[2], high, c.onlyByte[2]));
    return _mm256_or_si256(_mm256_slli_epi32(out, kRoundRotation),
                           _mm256_srli_epi32(out, 32 - kRoundRotation));
}

template <int N, bool Encipher>
TSRN_AVX2 inline void ProcessGroup(const std::uint8_t* src, std::uint8_t* dst,
                                   std::uint32_t position, const Constants& c) {
    const std::array<int, 8>& schedule = Encipher ? kEncipherSchedule : kDecipherSchedule;
    const __m256i four = _mm256_set1_epi32(4);
    __m256i a[N];
    __m256i b[N];
    __m256i mixA[N];
    for (int n = 0; n < N; ++n) {
        mixA[n] = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(
                                       position + kBytesPerVector * static_cast<std::uint32_t>(n))),
                                   c.blockOffsets);
        const auto* in = reinterpret_cast<const __m256i*>(src + kBytesPerVector * n);
        const __m256 lo = _mm256_castsi256_ps(_mm256_loadu_si256(in));
        const __m256 hi = _mm256_castsi256_ps(_mm256_loadu_si256(in + 1));
        a[n] = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, 0x88));
        b[n] = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, 0xDD));
        if constexpr (Encipher) {
            a[n] = _mm256_xor_si256(a[n], mixA[n]);
            b[n] = _mm256_xor_si256(b[n], _mm256_add_epi32(mixA[n], four));
        }
    }
    for (std::size_t r = 0; r < 8; r += 2) {
        const __m256i even = c.subkeys[schedule[r]];
        const __m256i odd = c.subkeys[schedule[r + 1]];
        for (int n = 0; n < N; ++n) {
            b[n] = _mm256_xor_si256(b[n], Round(a[n], even, c));
        }
        for (int n = 0; n < N; ++n) {
            a[n] = _mm256_xor_si256(a[n], Round(b[n], odd, c));
        }
    }
    // The block ends swapped: its left half is b, its right half a.
    for (int n = 0; n < N; ++n) {
        __m256i left = b[n];
        __m256i right = a[n];
        if constexpr (!Encipher) {
            left = _mm256_xor_si256(left, mixA[n]);
            right = _mm256_xor_si256(right, _mm256_add_epi32(mixA[n], four));
        }
        const __m256 l = _mm256_castsi256_ps(left);
        const __m256 r = _mm256_castsi256_ps(right);
        auto* out = reinterpret_cast<__m256i*>(dst + kBytesPerVector * n);
        _mm256_storeu_si256(out, _mm256_castps_si256(_mm256_unpacklo_ps(l, r)));
        _mm256_storeu_si256(out + 1, _mm256_castps_si256(_mm256_unpackhi_ps(l, r)));
    }
}

template <bool Encipher>
TSRN_AVX2 void ProcessAll(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                          std::uint32_t position, Subkeys keys) {
    const Constants c = MakeConstants(keys);
    std::uint32_t done = 0;
    for (; blocks - done >= kInterleave * kBlocksPerVector;
         done += kInterleave * kBlocksPerVector) {
        ProcessGroup<kInterleave, Encipher>(src + 8 * std::size_t{done},
                                            dst + 8 * std::size_t{done}, position + 8 * done, c);
    }
    for (; blocks - done >= kBlocksPerVector; done += kBlocksPerVector) {
        ProcessGroup<1, Encipher>(src + 8 * std::size_t{done}, dst + 8 * std::size_t{done},
                                  position + 8 * done, c);
    }
    if (done < blocks) {
        const BufferKernel rest = Encipher ? EncipherPortable : DecipherPortable;
        rest(src + 8 * std::size_t{done}, dst + 8 * std::size_t{done}, blocks - done,
             position + 8 * done, keys);
    }
}

}  // namespace

bool CpuHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

void EncipherAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                  std::uint32_t position, Subkeys keys) {
    ProcessAll<true>(src, dst, blocks, position, keys);
}

void DecipherAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                  std::uint32_t position, Subkeys keys) {
    ProcessAll<false>(src, dst, blocks, position, keys);
}

}  // namespace tsrn::crypto::detail

#else  // not x86: the form is never available

namespace tsrn::crypto::detail {

bool CpuHasAvx2() {
    return false;
}

void EncipherAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                  std::uint32_t position, Subkeys keys) {
    EncipherPortable(src, dst, blocks, position, keys);
}

void DecipherAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                  std::uint32_t position, Subkeys keys) {
    DecipherPortable(src, dst, blocks, position, keys);
}

}  // namespace tsrn::crypto::detail

#endif
