#include "crypto/Cipher.h"

#include "crypto/CipherKernels.h"
#include "crypto/KeyDerivation.h"
#include "crypto/SubstitutionTables.h"

namespace tsrn::crypto {
namespace {

using detail::BufferKernel;
using detail::Subkeys;

struct FormKernels {
    BufferKernel encipher;
    BufferKernel decipher;
};

FormKernels KernelsOf(CipherForm form) {
    switch (form) {
        case CipherForm::Avx512Vbmi:
            if (detail::CpuHasAvx512Vbmi()) {
                return {detail::EncipherAvx512, detail::DecipherAvx512};
            }
            break;
        case CipherForm::Avx2:
            if (detail::CpuHasAvx2()) {
                return {detail::EncipherAvx2, detail::DecipherAvx2};
            }
            break;
        case CipherForm::Portable:
            break;
    }
    return {detail::EncipherPortable, detail::DecipherPortable};
}

CipherForm SelectForm() {
    if (detail::CpuHasAvx512Vbmi()) {
        return CipherForm::Avx512Vbmi;
    }
    if (detail::CpuHasAvx2()) {
        return CipherForm::Avx2;
    }
    return CipherForm::Portable;
}

const FormKernels& ActiveKernels() {
    static const FormKernels kernels = KernelsOf(ActiveForm());
    return kernels;
}

Subkeys SubkeysOf(const CipherKey& key) {
    return {key.k0(), key.k1()};
}

void Run(BufferKernel kernel, const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
         std::uint32_t position, const CipherKey& key) {
    const std::uint32_t blocks = length / 8;
    if (blocks != 0) {
        kernel(src, dst, blocks, position, SubkeysOf(key));
    }
}

// The tail stream of a region: the bytes after its last whole block, mixed
// with their own file offsets.
void RegionTail(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                std::uint32_t position, const CipherKey& key) {
    const std::uint32_t whole = length - length % 8;
    CipherTail(src + whole, dst + whole, length - whole, position + whole, key);
}

void Rounds(std::uint32_t& a, std::uint32_t& b, const std::array<int, 8>& schedule,
            const CipherKey& key) {
    const std::uint32_t k[2] = {key.k0(), key.k1()};
    std::uint32_t x = a;
    std::uint32_t y = b;
    for (std::size_t r = 0; r < 8; r += 2) {
        y ^= RoundFunction(x, k[schedule[r]]);
        x ^= RoundFunction(y, k[schedule[r + 1]]);
    }
    // After an even number of rounds the pair is (x, y); the block ends swapped.
    a = y;
    b = x;
}

}  // namespace

std::uint32_t CipherKey::k0() const {
    return detail::LoadLittleEndian(bytes.data());
}
std::uint32_t CipherKey::k1() const {
    return detail::LoadLittleEndian(bytes.data() + 4);
}

std::uint32_t RoundFunction(std::uint32_t a, std::uint32_t k) {
    return detail::SubstituteAndRotate(a + k);
}

void EncipherBlock(std::uint32_t& a, std::uint32_t& b, const CipherKey& key) {
    Rounds(a, b, detail::kEncipherSchedule, key);
}

void DecipherBlock(std::uint32_t& a, std::uint32_t& b, const CipherKey& key) {
    Rounds(a, b, detail::kDecipherSchedule, key);
}

void EncipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key) {
    Run(ActiveKernels().encipher, src, dst, length, position, key);
}

void DecipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key) {
    Run(ActiveKernels().decipher, src, dst, length, position, key);
}

void CipherTail(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                std::uint32_t position, const CipherKey& key) {
    const auto mask = static_cast<std::uint8_t>(key.bytes[0] ^ key.bytes[1]);
    for (std::uint32_t j = 0; j < length; ++j) {
        dst[j] = static_cast<std::uint8_t>(src[j] ^ mask ^ ((position + j) & 0xFF));
    }
}

void EncipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key, bool fileEnd) {
    EncipherBuffer(src, dst, length, position, key);
    if (fileEnd) {
        RegionTail(src, dst, length, position, key);
    }
}

void DecipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, const CipherKey& key, bool fileEnd) {
    DecipherBuffer(src, dst, length, position, key);
    if (fileEnd) {
        RegionTail(src, dst, length, position, key);
    }
}

void EncipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot) {
    EncipherBuffer(src, dst, length, position, KeySlots::Instance().Key(slot));
}

void DecipherBuffer(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot) {
    DecipherBuffer(src, dst, length, position, KeySlots::Instance().Key(slot));
}

void CipherTail(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                std::uint32_t position, KeySlot slot) {
    CipherTail(src, dst, length, position, KeySlots::Instance().Key(slot));
}

void EncipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot, bool fileEnd) {
    EncipherRegion(src, dst, length, position, KeySlots::Instance().Key(slot), fileEnd);
}

void DecipherRegion(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t length,
                    std::uint32_t position, KeySlot slot, bool fileEnd) {
    DecipherRegion(src, dst, length, position, KeySlots::Instance().Key(slot), fileEnd);
}

CipherForm ActiveForm() {
    static const CipherForm form = SelectForm();
    return form;
}

bool FormAvailable(CipherForm form) {
    switch (form) {
        case CipherForm::Portable:
            return true;
        case CipherForm::Avx2:
            return detail::CpuHasAvx2();
        case CipherForm::Avx512Vbmi:
            return detail::CpuHasAvx512Vbmi();
    }
    return false;
}

const char* FormName(CipherForm form) {
    switch (form) {
        case CipherForm::Portable:
            return "portable";
        case CipherForm::Avx2:
            return "avx2";
        case CipherForm::Avx512Vbmi:
            return "avx512vbmi";
    }
    return "unknown";
}

void EncipherBufferWith(CipherForm form, const std::uint8_t* src, std::uint8_t* dst,
                        std::uint32_t length, std::uint32_t position, const CipherKey& key) {
    Run(KernelsOf(form).encipher, src, dst, length, position, key);
}

void DecipherBufferWith(CipherForm form, const std::uint8_t* src, std::uint8_t* dst,
                        std::uint32_t length, std::uint32_t position, const CipherKey& key) {
    Run(KernelsOf(form).decipher, src, dst, length, position, key);
}

}  // namespace tsrn::crypto
