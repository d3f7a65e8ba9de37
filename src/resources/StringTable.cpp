#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace tsrn::text {
namespace detail {
namespace {

template <std::size_t N>
constexpr bool SortedByUniqueId(const TextEntry (&table)[N]) {
    return std::adjacent_find(std::begin(table), std::end(table), [](const auto& a, const auto& b) {
               return a.id >= b.id;
           }) == std::end(table);
}

template <std::size_t N>
constexpr bool AllWellFormed(const TextEntry (&table)[N]) {
    return std::all_of(std::begin(table), std::end(table),
                       [](const TextEntry& e) { return !e.text.empty() && WellFormed(e.text); });
}

static_assert(SortedByUniqueId(kMainTexts), "main string table: ids out of order or repeated");
static_assert(SortedByUniqueId(kSetupTexts), "setup string table: ids out of order or repeated");
static_assert(AllWellFormed(kMainTexts), "main string table: a text has a bad % conversion");
static_assert(AllWellFormed(kSetupTexts), "setup string table: a text has a bad % conversion");

ArgKind KindOfArg(const TextArg& arg) {
    return std::holds_alternative<long long>(arg) ? ArgKind::Integer : ArgKind::String;
}

struct LinkError {
    int code;
    std::string_view text;
};

// Shell error codes of a failed link open and what the user is told.
constexpr LinkError kLinkErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
     "processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};
constexpr std::string_view kLinkErrorPrefix = "Unable to open hyperlink:\n\n";
constexpr std::string_view kUnknownLinkError = "Unknown Error (%d) occurred.";

}  // namespace

std::optional<std::string> FormatWith(std::string_view text, std::span<const TextArg> args) {
    std::vector<ArgKind> kinds;
    kinds.reserve(args.size());
    std::transform(args.begin(), args.end(), std::back_inserter(kinds), KindOfArg);
    if (!ArgsFit(text, kinds))
        return std::nullopt;

    std::string out;
    out.reserve(text.size() + 64);
    auto next = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const char conversion = text[++i];
        if (conversion == '%') {
            out += '%';
        } else if (conversion == 's') {
            out += std::get<std::string_view>(*next++);
        } else {
            out += std::to_string(std::get<long long>(*next++));
        }
    }
    return out;
}

}  // namespace detail

std::string_view Text(int id) {
    return detail::Lookup(detail::kMainTexts, id);
}

bool HasText(int id) {
    return !Text(id).empty();
}

std::optional<std::string> Format(int id, std::initializer_list<TextArg> args) {
    if (!HasText(id))
        return std::nullopt;
    return detail::FormatWith(Text(id), std::span(args.begin(), args.size()));
}

std::string_view Prompt(int commandId) {
    const std::string_view text = Text(commandId);
    return text.substr(0, text.find('\n'));
}

std::string_view Tooltip(int commandId) {
    const std::string_view text = Text(commandId);
    const auto split = text.find('\n');
    return split == std::string_view::npos ? std::string_view{} : text.substr(split + 1);
}

std::string LinkErrorText(int code) {
    std::string message(detail::kLinkErrorPrefix);
    const auto* known = std::find_if(std::begin(detail::kLinkErrors), std::end(detail::kLinkErrors),
                                     [code](const auto& e) { return e.code == code; });
    if (known != std::end(detail::kLinkErrors)) {
        message += known->text;
    } else {
        const TextArg arg{static_cast<long long>(code)};
        message += detail::FormatWith(detail::kUnknownLinkError, std::span(&arg, 1)).value_or("");
    }
    return message;
}

namespace setup {

std::string_view Text(int id) {
    return text::detail::Lookup(text::detail::kSetupTexts, id);
}

bool HasText(int id) {
    return !Text(id).empty();
}

std::optional<std::string> Format(int id, std::initializer_list<TextArg> args) {
    if (!HasText(id))
        return std::nullopt;
    return text::detail::FormatWith(Text(id), std::span(args.begin(), args.size()));
}

}  // namespace setup
}  // namespace tsrn::text
