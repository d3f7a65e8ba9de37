#pragma once
// What governs one path: the innermost registered folder that contains it,
// its state word and the key in force. Slot 0 means no folder governs it.

#include <cstdint>

#include "crypto/Cipher.h"
#include "driver/FolderState.h"

namespace tsrn::vx {

using driver::folder_state::kForbidDelete;
using driver::folder_state::kForbidOpen;
using driver::folder_state::kForbidSearch;
using driver::folder_state::kForbidWrite;

// A working folder's state word; without its key it would pass ciphertext
// off as plaintext.
constexpr bool WorkingState(std::uint32_t state) {
    return driver::folder_state::CipherState(state) == driver::folder_state::kWorking;
}

struct FolderRules {
    std::uint32_t slot = 0;
    std::uint32_t state = 0;
    bool keySet = false;
    crypto::CipherKey key{};

    bool Forbids(std::uint32_t bit) const { return (state & bit) != 0; }
    // Only a working folder with a key is ciphered; every other state passes
    // contents unchanged.
    bool Ciphered() const { return slot != 0 && WorkingState(state) && keySet; }
};

}  // namespace tsrn::vx
