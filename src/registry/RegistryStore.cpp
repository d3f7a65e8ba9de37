#include "registry/RegistryStore.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace tsrn::registry {
namespace {

// The readers' buffer: a text and its NUL must fit.
constexpr std::size_t kStringBufferSize = kMaxStringLength + 1;

std::span<const std::uint8_t> BytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

RegistryStore::RegistryStore(RegistryDatabase& database, Hive hive, std::string base)
    : database_(database), hive_(hive), base_(std::move(base)) {}

// Reads do not create missing keys: nothing depends on it, and a read then
// never writes to the registry.
bool RegistryStore::ReadString(std::string_view subkey, std::string_view name, std::string& out,
                               std::string_view defaultText) {
    const auto value = database_.QueryValue(hive_, base_ + std::string(subkey), name);
    if (value && value->data.size() <= kStringBufferSize) {
        const auto& data = value->data;
        const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
        const auto length = static_cast<std::size_t>(end - data.begin());
        // Data that fills the whole buffer without a NUL is a text too long
        // to read.
        if (length <= kMaxStringLength) {
            out.assign(data.begin(), end);
            return true;
        }
    }
    out.assign(defaultText);
    return false;
}

std::string RegistryStore::GetString(std::string_view subkey, std::string_view name,
                                     std::string_view defaultText) {
    std::string text;
    ReadString(subkey, name, text, defaultText);
    return text;
}

bool RegistryStore::GetBinary(std::string_view subkey, std::string_view name, std::uint8_t* out,
                              std::size_t capacity) {
    const auto value = database_.QueryValue(hive_, base_ + std::string(subkey), name);
    if (!value || value->type != kRegBinary || value->data.size() > capacity) {
        return false;
    }
    if (!value->data.empty()) {
        if (out == nullptr) {
            return false;
        }
        std::memcpy(out, value->data.data(), value->data.size());
    }
    return true;
}

int RegistryStore::GetInt(std::string_view subkey, std::string_view name, int defaultValue) {
    std::string text;
    if (!ReadString(subkey, name, text, {})) {
        return defaultValue;
    }
    return DecimalToInt(text);
}

bool RegistryStore::SetString(std::string_view subkey, std::string_view name,
                              std::string_view text) {
    // The stored text ends at its first NUL, as a C string would.
    std::string data(text.substr(0, text.find('\0')));
    data.push_back('\0');
    return database_.SetValue(hive_, base_ + std::string(subkey), name, kRegSz, BytesOf(data));
}

bool RegistryStore::SetInt(std::string_view subkey, std::string_view name, int value) {
    return SetString(subkey, name, std::to_string(value));
}

bool RegistryStore::SetBinary(std::string_view subkey, std::string_view name,
                              const std::uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr && length > 0) {
        return false;
    }
    return database_.SetValue(hive_, base_ + std::string(subkey), name, kRegBinary,
                              {bytes, length});
}

bool RegistryStore::DeleteValue(std::string_view subkey, std::string_view name) {
    return database_.DeleteValue(hive_, base_ + std::string(subkey), name);
}

int DecimalToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Out-of-range numbers saturate instead of overflowing.
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return static_cast<int>(std::min(magnitude, static_cast<long long>(INT_MAX)));
}

}  // namespace tsrn::registry
