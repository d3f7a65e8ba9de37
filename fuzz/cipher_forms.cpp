// Differential fuzzing of the cipher's forms: every form available on this CPU
// must give the portable form's bytes, and deciphering must restore the input.
// Input: 8 key bytes, 4 position bytes, then the data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/Cipher.h"

using tsrn::crypto::CipherForm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 12) {
        return 0;
    }
    tsrn::crypto::CipherKey key;
    std::memcpy(key.bytes.data(), data, 8);
    std::uint32_t position = 0;
    std::memcpy(&position, data + 8, 4);
    const std::vector<std::uint8_t> plain(data + 12, data + size);
    const auto length = static_cast<std::uint32_t>(plain.size());

    std::vector<std::uint8_t> expected(plain);
    tsrn::crypto::EncipherBufferWith(CipherForm::Portable, plain.data(), expected.data(), length,
                                     position, key);
    for (CipherForm form : {CipherForm::Avx2, CipherForm::Avx512Vbmi}) {
        if (!tsrn::crypto::FormAvailable(form)) {
            continue;
        }
        std::vector<std::uint8_t> out(plain);
        tsrn::crypto::EncipherBufferWith(form, out.data(), out.data(), length, position, key);
        if (out != expected) {
            std::abort();
        }
        tsrn::crypto::DecipherBufferWith(form, out.data(), out.data(), length, position, key);
        if (out != plain) {
            std::abort();
        }
    }
    std::vector<std::uint8_t> region(plain);
    tsrn::crypto::EncipherRegion(region.data(), region.data(), length, position, key, true);
    tsrn::crypto::DecipherRegion(region.data(), region.data(), length, position, key, true);
    if (region != plain) {
        std::abort();
    }
    return 0;
}
