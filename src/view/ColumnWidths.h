#pragma once
// Column widths: stored as percentages ("columns", read and written by the
// registry store), applied to the window width at start.

#include <array>

#include "view/RowTexts.h"

namespace tsrn::view {

using ColumnArray = std::array<int, kColumnCount>;

// The pixel width of each column for a window `windowWidth` wide. A stored
// percentage below 1 (a negative number read back) takes the built-in width
// of its column instead of hiding it; one above 100 is the whole width.
ColumnArray ColumnPixels(const ColumnArray& percents, int windowWidth);

}  // namespace tsrn::view
