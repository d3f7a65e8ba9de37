#pragma once
// Column widths: stored as percentages (the "columns" text), applied to the
// window width at start.

#include <array>
#include <string>
#include <string_view>

#include "view/RowTexts.h"

namespace tsrn::view {

using ColumnArray = std::array<int, kColumnCount>;

inline constexpr ColumnArray kDefaultColumnPercents{30, 13, 20, 16, 20};
ColumnArray ParseColumns(std::string_view text);
// Each width as a whole percentage of the client width followed by a blank;
// empty when the client width is not positive.
std::string FormatColumns(const ColumnArray& widths, int clientWidth);

// The pixel width of each column for a window `windowWidth` wide. A stored
// percentage below 1 (a negative number read back) takes the built-in width
// of its column instead of hiding it; one above 100 is the whole width.
ColumnArray ColumnPixels(const ColumnArray& percents, int windowWidth);

}  // namespace tsrn::view
