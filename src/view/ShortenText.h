#pragma once
// How a cell text that does not fit its cell is cut: characters come off the
// end until the rest, the margin and "..." fit; the dots are left off when
// even they are wider than the cell.

#include <functional>
#include <string>
#include <string_view>

namespace tsrn::view {

// The pixel width of a text in the font it is drawn with.
using TextMeasure = std::function<int(std::string_view)>;

struct ShortenedText {
    std::string text;
    bool shortened = false;
};

// `text` is UTF-8; a character is never split.
ShortenedText ShortenText(std::string_view text, int width, int margin, const TextMeasure& measure);

}  // namespace tsrn::view
