#include "view/ShortenText.h"

#include <cstddef>

namespace tsrn::view {

namespace {
constexpr std::string_view kDots = "...";

// The length of `text` without its last UTF-8 character.
std::size_t WithoutLastCharacter(std::string_view text) {
    std::size_t end = text.size();
    if (end == 0)
        return 0;
    --end;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0U) == 0x80U)
        --end;
    return end;
}
}  // namespace

ShortenedText ShortenText(std::string_view text, int width, int margin,
                          const TextMeasure& measure) {
    if (text.empty() || measure(text) + margin <= width)
        return {std::string(text), false};
    const int dots = measure(kDots);
    std::string_view kept = text;
    while (!kept.empty() && measure(kept) + margin + dots > width)
        kept = kept.substr(0, WithoutLastCharacter(kept));
    std::string out(kept);
    if (dots <= width)
        out += kDots;
    return {std::move(out), true};
}

}  // namespace tsrn::view
