#pragma once
// Every user-visible text of Tessaryn, keyed by its numeric id. The table's
// text is the only format string ever used: user data (paths, numbers) only
// ever travels as an argument, and the arguments are checked against the
// text's own %s / %i / %d before anything is formatted.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tsrn::text {

// The text of `id`; empty for an id the table does not hold.
std::string_view Text(int id);
bool HasText(int id);

using TextArg = std::variant<std::string_view, long long>;

// Formats the text of `id` with `args`: %s takes a string, %i and %d an
// integer, %% is a percent sign. Nothing when the number or the kinds of the
// arguments do not match the text (or the id is unknown).
std::optional<std::string> Format(int id, std::initializer_list<TextArg> args);

}  // namespace tsrn::text
