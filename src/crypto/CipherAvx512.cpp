// The AVX-512 form: sixteen blocks per register, their left halves in one
// vector and right halves in another. Byte permutes do the nibble look-ups of
// all sixteen at once; blocks are independent because each is mixed with its
// own position. Compiled with a function-level target so the library still
// runs on CPUs without these instructions.
#include <array>
#include <cstdint>

#include "crypto/CipherKernels.h"
#include "crypto/SubstitutionTables.h"

#if defined(__x86_64__) || defined(__i386__)
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 reports the deliberately undefined vectors inside its own AVX-512
// intrinsics as maybe-uninitialized at -O3.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define TSRN_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

namespace tsrn::crypto::detail {
namespace {

constexpr std::uint32_t kBlocksPerVector = 16;
constexpr std::uint32_t kBytesPerVector = 8 * kBlocksPerVector;
// Vectors processed together so the permutes of one hide the latency of another.
constexpr int kInterleave = 4;

struct Constants {
    __m512i lowTable;
    __m512i highTable;
    __m512i nibbleMask;
    __m512i positionBits;  // bits 4-5 of each byte: its position in the word
    __m512i subkeys[2];
    __m512i blockOffsets;  // byte offset of the block in each lane
};

TSRN_AVX512 Constants MakeConstants(Subkeys keys) {
    // After the deinterleave lane 4L+j holds block 2L+j of the first 64 bytes
    // (j < 2) or block 8+2L+j-2 of the second 64 bytes.
    const __m512i offsets =
        _mm512_set_epi32(120, 112, 56, 48, 104, 96, 40, 32, 88, 80, 24, 16, 72, 64, 8, 0);
    return {_mm512_load_si512(kLowNibbleTable.data()),
            _mm512_load_si512(kHighNibbleTable.data()),
            _mm512_set1_epi32(0x0F0F0F0F),
            _mm512_set1_epi32(0x30201000),
            {_mm512_set1_epi32(static_cast<int>(keys.k0)),
             _mm512_set1_epi32(static_cast<int>(keys.k1))},
            offsets};
}

// F(x + k) for 16 words: the two look-up indices carry the nibble in bits 0-3
// and the byte's position in bits 4-5 (the permute ignores bits 6-7).
TSRN_AVX512 inline __m512i Round(__m512i x, __m512i k, const Constants& c) {
    constexpr int kOrAnd = 0xEA;  // (A & B) | C
    const __m512i s = _mm512_add_epi32(x, k);
    const __m512i lowIndex = _mm512_ternarylogic_epi32(s, c.nibbleMask, c.positionBits, kOrAnd);
    const __m512i highIndex =
        _mm512_ternarylogic_epi32(_mm512_srli_epi32(s, 4), c.nibbleMask, c.positionBits, kOrAnd);
    const __m512i out = _mm512_or_si512(_mm512_permutexvar_epi8(lowIndex, c.lowTable),
                                        _mm512_permutexvar_epi8(highIndex, c.highTable));
    return _mm512_rol_epi32(out, kRoundRotation);
}

template <int N, bool Encipher>
TSRN_AVX512 inline void ProcessGroup(const std::uint8_t* src, std::uint8_t* dst,
                                     std::uint32_t position, const Constants& c) {
    const std::array<int, 8>& schedule = Encipher ? kEncipherSchedule : kDecipherSchedule;
    const __m512i four = _mm512_set1_epi32(4);
    __m512i a[N];
    __m512i b[N];
    __m512i mixA[N];
    for (int n = 0; n < N; ++n) {
        mixA[n] = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(
                                       position + kBytesPerVector * static_cast<std::uint32_t>(n))),
                                   c.blockOffsets);
        const __m512 lo = _mm512_castsi512_ps(_mm512_loadu_si512(src + kBytesPerVector * n));
        const __m512 hi = _mm512_castsi512_ps(_mm512_loadu_si512(src + kBytesPerVector * n + 64));
        a[n] = _mm512_castps_si512(_mm512_shuffle_ps(lo, hi, 0x88));
        b[n] = _mm512_castps_si512(_mm512_shuffle_ps(lo, hi, 0xDD));
        if constexpr (Encipher) {
            a[n] = _mm512_xor_si512(a[n], mixA[n]);
            b[n] = _mm512_xor_si512(b[n], _mm512_add_epi32(mixA[n], four));
        }
    }
    for (std::size_t r = 0; r < 8; r += 2) {
        const __m512i even = c.subkeys[schedule[r]];
        const __m512i odd = c.subkeys[schedule[r + 1]];
        for (int n = 0; n < N; ++n) {
            b[n] = _mm512_xor_si512(b[n], Round(a[n], even, c));
        }
        for (int n = 0; n < N; ++n) {
            a[n] = _mm512_xor_si512(a[n], Round(b[n], odd, c));
        }
    }
    // The block ends swapped: its left half is b, its right half a.
    for (int n = 0; n < N; ++n) {
        __m512i left = b[n];
        __m512i right = a[n];
        if constexpr (!Encipher) {
            left = _mm512_xor_si512(left, mixA[n]);
            right = _mm512_xor_si512(right, _mm512_add_epi32(mixA[n], four));
        }
        const __m512 l = _mm512_castsi512_ps(left);
        const __m512 r = _mm512_castsi512_ps(right);
        _mm512_storeu_si512(dst + kBytesPerVector * n,
                            _mm512_castps_si512(_mm512_unpacklo_ps(l, r)));
        _mm512_storeu_si512(dst + kBytesPerVector * n + 64,
                            _mm512_castps_si512(_mm512_unpackhi_ps(l, r)));
    }
}

template <bool Encipher>
TSRN_AVX512 void ProcessAll(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
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

bool CpuHasAvx512Vbmi() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

void EncipherAvx512(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                    std::uint32_t position, Subkeys keys) {
    ProcessAll<true>(src, dst, blocks, position, keys);
}

void DecipherAvx512(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                    std::uint32_t position, Subkeys keys) {
    ProcessAll<false>(src, dst, blocks, position, keys);
}

}  // namespace tsrn::crypto::detail

#else  // not x86: the form is never available

namespace tsrn::crypto::detail {

bool CpuHasAvx512Vbmi() {
    return false;
}

void EncipherAvx512(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                    std::uint32_t position, Subkeys keys) {
    EncipherPortable(src, dst, blocks, position, keys);
}

void DecipherAvx512(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                    std::uint32_t position, Subkeys keys) {
    DecipherPortable(src, dst, blocks, position, keys);
}

}  // namespace tsrn::crypto::detail

#endif
