#pragma once
// The buffer kernels of each form. Internal to the cipher: callers use
// Cipher.h. A kernel handles `blocks` whole blocks from src to dst (which may
// be the same memory), each mixed with position + 8 * index.

#include <cstdint>

namespace tsrn::crypto::detail {

struct Subkeys {
    std::uint32_t k0;
    std::uint32_t k1;
};

using BufferKernel = void (*)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                              std::uint32_t position, Subkeys keys);

void EncipherPortable(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                      std::uint32_t position, Subkeys keys);
void DecipherPortable(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                      std::uint32_t position, Subkeys keys);

bool CpuHasAvx2();
void EncipherAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                  std::uint32_t position, Subkeys keys);
void DecipherAvx2(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                  std::uint32_t position, Subkeys keys);

bool CpuHasAvx512Vbmi();
void EncipherAvx512(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                    std::uint32_t position, Subkeys keys);
void DecipherAvx512(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t blocks,
                    std::uint32_t position, Subkeys keys);

}  // namespace tsrn::crypto::detail
