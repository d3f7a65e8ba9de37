#pragma once
// Every user-visible text of Tessaryn, keyed by its numeric id. The table's
// text is the only format string ever used: user data (paths, numbers) only
// ever travels as an argument, and the arguments are checked against the
// text's own %s / %i / %d before anything is formatted.
//
//   text::Text(res::str::kCaptionError)                -> "Tessaryn: Error"
//   text::FormatText<res::str::kFileAccessError>(path) -> checked while compiling
//   text::Format(id, {path})                           -> checked at run time
//
// The setup program has its own table (text::setup), since some of its ids
// are used by the main program for other texts.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "resources/ResourceIds.h"
#include "resources/StringTableData.h"
#include "resources/TextFormat.h"

namespace tsrn::text {

// The text of `id`; empty for an id the table does not hold.
std::string_view Text(int id);
bool HasText(int id);

// Formats the text of `id` with `args`: %s takes a string, %i and %d an
// integer, %% is a percent sign. Nothing when the number or the kinds of the
// arguments do not match the text (or the id is unknown).
std::optional<std::string> Format(int id, std::initializer_list<TextArg> args);

// A command's status-bar prompt (its text before "\n") and its tooltip (the
// text after "\n"; empty when it has none).
std::string_view Prompt(int commandId);
std::string_view Tooltip(int commandId);

// The texts shown when a link cannot be opened: the prefix and the text for
// the shell's error `code` ("Unknown Error (<code>) occurred." for other codes).
std::string LinkErrorText(int code);

namespace detail {
template <const auto& Table, int Id, typename... Args>
std::string FormatChecked(const Args&... args) {
    constexpr std::string_view text = Lookup(Table, Id);
    static_assert(!text.empty(), "the string table holds no text with this id");
    constexpr std::array<ArgKind, sizeof...(Args)> kinds{KindOf<Args>()...};
    static_assert(ArgsFit(text, kinds),
                  "the arguments do not match the text's %s / %i / %d conversions");
    const std::array<TextArg, sizeof...(Args)> values{ToArg(args)...};
    return FormatWith(text, values).value_or(std::string{});
}
}  // namespace detail

// The text of `Id` formatted with `args`; a text that does not take exactly
// these arguments (strings for %s, integers for %i / %d) does not compile.
template <int Id, typename... Args>
std::string FormatText(const Args&... args) {
    return detail::FormatChecked<detail::kMainTexts, Id>(args...);
}

namespace setup {
std::string_view Text(int id);
bool HasText(int id);
std::optional<std::string> Format(int id, std::initializer_list<TextArg> args);

template <int Id, typename... Args>
std::string FormatText(const Args&... args) {
    return text::detail::FormatChecked<text::detail::kSetupTexts, Id>(args...);
}
}  // namespace setup

}  // namespace tsrn::text
