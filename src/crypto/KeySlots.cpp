#include <cstdint>

#include "crypto/KeyDerivation.h"

namespace tsrn::crypto {

KeySlots& KeySlots::Instance() {
    static KeySlots slots;
    return slots;
}

namespace {

bool ValidSlot(KeySlot slot) {
    return slot == KeySlot::Current || slot == KeySlot::New;
}

}  // namespace

bool KeySlots::DeriveKey(std::string_view password, KeySlot slot) {
    if (!ValidSlot(slot) || !PasswordLengthAllowed(password)) {
        return false;
    }
    slots_[static_cast<int>(slot)] = crypto::DeriveKey(password);
    return true;
}

const CipherKey& KeySlots::Key(KeySlot slot) const {
    static const CipherKey kNoKey{};
    return ValidSlot(slot) ? slots_[static_cast<int>(slot)] : kNoKey;
}

void KeySlots::Clear() {
    // Volatile stores so the wipe is not dropped as a dead store.
    for (CipherKey& key : slots_) {
        volatile std::uint8_t* bytes = key.bytes.data();
        for (std::size_t i = 0; i < key.bytes.size(); ++i) {
            bytes[i] = 0;
        }
    }
}

}  // namespace tsrn::crypto
