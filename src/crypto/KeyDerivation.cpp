#include "crypto/KeyDerivation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tsrn::crypto {
namespace {

// The password behind a prefix chosen by its length mod 4; the prefix
// lengths 4, 7, 6, 5 make the whole a multiple of 4 bytes. Read in place, so
// any password length works without a working buffer.
class WorkingString {
  public:
    WorkingString(const std::array<std::string_view, 4>& prefixes, std::string_view password)
        : prefix_(prefixes[password.size() % 4]), password_(password) {}

    std::size_t size() const { return prefix_.size() + password_.size(); }

    // Byte i as a signed 8-bit value sign-extended to 32 bits.
    std::uint32_t operator[](std::size_t i) const {
        const char c = i < prefix_.size() ? prefix_[i] : password_[i - prefix_.size()];
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(c)));
    }

  private:
    std::string_view prefix_;
    std::string_view password_;
};

constexpr std::array<std::string_view, 4> kKeyPrefixes = {"Kq7z", "Mox_Tal", "MoxTal", "K_Tal"};
constexpr std::array<std::string_view, 4> kCheckPrefixes = {"Brvo", "BrvoJet", "Barvon", "BrvoJ"};

bool IsEvenGroup(std::size_t g) {
    return g % 8 == 0;
}

std::uint8_t SumOfBytes(std::uint32_t s) {
    return static_cast<std::uint8_t>(s + (s >> 8) + (s >> 16) + (s >> 24));
}

}  // namespace

bool PasswordLengthAllowed(std::string_view password) {
    return password.size() <= kMaxPasswordLength;
}

void StepCounters(std::uint32_t& u, std::uint32_t& v) {
    u += 0x01010101u;
    const std::uint32_t before = v;
    v += 0x01010104u;
    if (v < before) {
        v += 1;  // end-around carry
    }
}

CipherKey DeriveKey(std::string_view password) {
    const WorkingString w(kKeyPrefixes, password);
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    CipherKey key;
    for (std::uint8_t& keyByte : key.bytes) {
        for (std::size_t g = 0; g < w.size(); g += 4) {
            const std::uint32_t low = w[g] + 256 * w[g + 1];
            const std::uint32_t high = w[g + 2] + 256 * w[g + 3];
            if (IsEvenGroup(g)) {
                x += low * 65536;
                y += high;
            } else {
                x += low;
                y += high * 65536;
            }
            StepCounters(x, y);
        }
        keyByte = SumOfBytes(x + y);
    }
    return key;
}

std::uint32_t PasswordCheckValue(std::string_view password) {
    const WorkingString w(kCheckPrefixes, password);
    std::uint32_t p = 0;
    std::uint32_t q = 0;
    std::uint32_t r = 0;
    for (int pass = 0; pass < 8; ++pass) {
        for (std::size_t g = 0; g < w.size(); g += 4) {
            const std::uint32_t front = 256 * w[g] + w[g + 1];
            const std::uint32_t back = 256 * w[g + 2] + w[g + 3];
            if (IsEvenGroup(g)) {
                p += back * 65536;
                q += front;
            } else {
                p += back;
                q += front * 65536;
            }
            StepCounters(p, q);
            r += p + q;
        }
    }
    return r;
}

}  // namespace tsrn::crypto
