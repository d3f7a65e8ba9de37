#pragma once
// Passwords to keys and to check values. Passwords are byte strings (UTF-8 as
// typed); each byte counts as a signed 8-bit value in the sums.

#include <cstdint>
#include <string_view>

#include "crypto/Cipher.h"

namespace tsrn::crypto {

// The working string admits passwords of up to this many bytes.
inline constexpr std::size_t kMaxPasswordLength = 252;

bool PasswordLengthAllowed(std::string_view password);

void StepCounters(std::uint32_t& u, std::uint32_t& v);
// Callers must check PasswordLengthAllowed first; a longer password yields
// an all-zero key (never a key derived from a cut password).
CipherKey DeriveKey(std::string_view password);
std::uint32_t PasswordCheckValue(std::string_view password);
// The 16 bits that are stored and compared.
inline std::uint16_t StoredCheckWord(std::string_view password) {
    return static_cast<std::uint16_t>(PasswordCheckValue(password) & 0xFFFFu);
}

// The two process-wide key slots. DeriveKey(password, slot) is the only writer.
class KeySlots {
public:
    static KeySlots& Instance();
    void DeriveKey(std::string_view password, KeySlot slot);
    const CipherKey& Key(KeySlot slot) const;
    void Clear();  // wipes both slots

private:
    CipherKey slots_[2]{};
};

}  // namespace tsrn::crypto
