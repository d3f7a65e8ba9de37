#pragma once
// The block cipher and the file format of enciphered files: a 64-bit Feistel
// cipher of 8 rounds, each block mixed with its own file position, and a XOR
// stream over the last length-mod-8 bytes so a file keeps its length. This is
// a fixed format shared with the driver: not one bit may change.
//
// Lengths are 32-bit as in the format; positions are file offsets modulo 2^32.
// Nothing here allocates or keeps state between calls; the operations are safe
// to call from several threads at once with their own buffers.

#include <array>
#include <cstdint>

namespace tsrn::crypto {

// 8 key bytes; k0 is bytes 0-3 and k1 bytes 4-7, both little-endian.
struct CipherKey {
    std::array<std::uint8_t, 8> bytes{};

    std::uint32_t k0() const;
    std::uint32_t k1() const;
    friend bool operator==(const CipherKey&, const CipherKey&) = default;
};

// Slot 0 holds the key of the password in force, slot 1 a new password's key
// while files are reciphered.
enum class KeySlot : int { Current = 0, New = 1 };

std::uint32_t RoundFunction(std::uint32_t a, std::uint32_t k);
void EncipherBlock(std::uint32_t& a, std::uint32_t& b, const CipherKey& key);
void DecipherBlock(std::uint32_t& a, std::uint32_t& b, const CipherKey& key);

// Whole blocks of src -> dst (src == dst allowed); the bytes after the last
// whole block are neither read nor written.
void EncipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key);
void DecipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key);
// The byte-wise stream for the tail of a file; its own inverse.
void CipherTail(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                std::uint32_t position, const CipherKey& key);

// A whole region of a file in the format: the whole blocks with the block
// cipher and, when `fileEnd` is true, the last length-mod-8 bytes with the tail
// stream. `position` must be a multiple of 8.
void EncipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key, bool fileEnd);
void DecipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key, bool fileEnd);

// The same operations with the key held in a process-wide slot (see KeySlots
// in KeyDerivation.h), for callers that only know which password is meant.
void EncipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot);
void DecipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot);
void CipherTail(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                std::uint32_t position, KeySlot slot);
void EncipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot, bool fileEnd);
void DecipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot, bool fileEnd);

// The fast forms, selected once at start by the CPU's features. Every form
// gives exactly the portable form's bytes.
enum class CipherForm { Portable, Avx2, Avx512Vbmi };
CipherForm ActiveForm();
bool FormAvailable(CipherForm form);
const char* FormName(CipherForm form);
// For tests and benchmarks: run the buffer operations with a given form. A
// form this CPU lacks falls back to the portable form.
void EncipherBufferWith(CipherForm form, const std::uint8_t* src, std::uint8_t* dst,
                        std::uint32_t length, std::uint32_t position, const CipherKey& key);
void DecipherBufferWith(CipherForm form, const std::uint8_t* src, std::uint8_t* dst,
                        std::uint32_t length, std::uint32_t position, const CipherKey& key);

}  // namespace tsrn::crypto
