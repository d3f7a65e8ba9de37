#pragma once
// Passwords to keys and to check values. Passwords are byte strings (UTF-8 as
// typed); each byte counts as a signed 8-bit value in the sums.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crypto/Cipher.h"

namespace tsrn::crypto {

// The longest password the program accepts: with its prefix the working
// string is then 256 bytes. Longer ones are refused wherever a password enters.
inline constexpr std::size_t kMaxPasswordLength = 252;

[[nodiscard]] bool PasswordLengthAllowed(std::string_view password);

void StepCounters(std::uint32_t& u, std::uint32_t& v);
// Pure functions, defined for a password of any length (the working string is
// never cut); whether a password may be used is PasswordLengthAllowed's call.
CipherKey DeriveKey(std::string_view password);
std::uint32_t PasswordCheckValue(std::string_view password);
// The 16 bits that are stored and compared.
inline std::uint16_t StoredCheckWord(std::string_view password) {
    return static_cast<std::uint16_t>(PasswordCheckValue(password) & 0xFFFFu);
}

// The two process-wide key slots. DeriveKey(password, slot) is the only writer.
// Slots are meant to be used from one thread, and never rewritten while a
// transform that reads them runs.
class KeySlots {
  public:
    static KeySlots& Instance();
    // False, and the slot unchanged, for a password longer than
    // kMaxPasswordLength.
    [[nodiscard]] bool DeriveKey(std::string_view password, KeySlot slot);
    const CipherKey& Key(KeySlot slot) const;
    void Clear();  // wipes both slots

  private:
    CipherKey slots_[2]{};
};

}  // namespace tsrn::crypto
