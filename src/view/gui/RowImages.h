#pragma once
// The six 16 x 16 row images of the folder list, drawn for the project:
// 0 folder with a red key, 1 plain folder, 2 folder with a blue question
// mark, 3 document, 4 document with a red key, 5 document with a black
// question mark.

#include <QImage>

namespace tsrn::view {

inline constexpr int kRowImageCount = 6;
inline constexpr int kRowImageSize = 16;

// Image `index` of the strip; a null pixmap for another index.
const QImage& RowImage(int index);

}  // namespace tsrn::view
