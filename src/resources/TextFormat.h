#pragma once
// The one formatter of table texts. A text is the only format string: it may
// hold %s (a string), %i or %d (an integer) and %% (a percent sign), nothing
// else. The arguments are matched against those conversions before anything
// is produced, so a path holding "%s" is copied as it is and a wrong argument
// list yields nothing instead of garbage. The match runs at compile time for
// FormatText<id> and at run time for Format(id, ...).

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace tsrn::text {

using TextArg = std::variant<std::string_view, long long>;

namespace detail {

enum class ArgKind { String, Integer, Unsupported };

// True when `text` is a well-formed table text whose conversions take exactly
// `kinds`, in order.
constexpr bool ArgsFit(std::string_view text, std::span<const ArgKind> kinds) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (++i == text.size())
            return false;
        const char conversion = text[i];
        if (conversion == '%')
            continue;
        ArgKind wanted = ArgKind::Unsupported;
        if (conversion == 's')
            wanted = ArgKind::String;
        if (conversion == 'i' || conversion == 'd')
            wanted = ArgKind::Integer;
        if (wanted == ArgKind::Unsupported || used == kinds.size() || kinds[used] != wanted) {
            return false;
        }
        ++used;
    }
    return used == kinds.size();
}

// Whether `text` could be formatted with some argument list.
constexpr bool WellFormed(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (++i == text.size())
            return false;
        const char c = text[i];
        if (c != '%' && c != 's' && c != 'i' && c != 'd')
            return false;
    }
    return true;
}

template <typename T>
constexpr ArgKind KindOf() {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, bool> || std::is_same_v<U, char> ||
                  std::is_same_v<U, signed char> || std::is_same_v<U, unsigned char> ||
                  std::is_same_v<U, char8_t> || std::is_same_v<U, char16_t> ||
                  std::is_same_v<U, char32_t> || std::is_same_v<U, wchar_t>) {
        return ArgKind::Unsupported;  // a character or a flag is no number to show
    } else if constexpr (std::is_integral_v<U>) {
        // An unsigned 64-bit value may not fit the signed integer shown.
        return std::is_signed_v<U> || sizeof(U) < sizeof(long long) ? ArgKind::Integer
                                                                    : ArgKind::Unsupported;
    } else if constexpr (std::is_convertible_v<const U&, std::string_view>) {
        return ArgKind::String;
    } else {
        return ArgKind::Unsupported;
    }
}

template <typename T>
TextArg ToArg(const T& value) {
    if constexpr (KindOf<T>() == ArgKind::Integer) {
        return TextArg{static_cast<long long>(value)};
    } else if constexpr (std::is_pointer_v<std::remove_cvref_t<T>>) {
        return TextArg{value ? std::string_view(value) : std::string_view{}};  // null: empty
    } else {
        return TextArg{std::string_view(value)};
    }
}

// Formats `text` with `args`; nothing when they do not fit.
std::optional<std::string> FormatWith(std::string_view text, std::span<const TextArg> args);

}  // namespace detail
}  // namespace tsrn::text
