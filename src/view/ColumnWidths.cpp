#include "view/ColumnWidths.h"

#include <algorithm>
#include <cstddef>

#include "registry/RegistryStore.h"

namespace tsrn::view {

ColumnArray ParseColumns(std::string_view text) {
    ColumnArray widths = kDefaultColumnPercents;
    std::size_t position = 0;
    for (std::size_t column = 0; column < widths.size() && !text.empty(); ++column) {
        std::size_t end = std::min(text.find(' ', position), text.size());
        const int width = registry::DecimalToInt(text.substr(position, end - position));
        if (width == 0) {
            break;  // this and the remaining columns keep their built-in widths
        }
        widths[column] = width;
        position = std::min(text.find_first_not_of(' ', end), text.size());
    }
    return widths;
}

std::string FormatColumns(const ColumnArray& widths, int clientWidth) {
    std::string text;
    if (clientWidth <= 0) {
        return text;  // no client area: there is no proportion to store
    }
    for (int width : widths) {
        text += std::to_string(static_cast<long long>(width) * 100 / clientWidth);
        text += ' ';
    }
    return text;
}

ColumnArray ColumnPixels(const ColumnArray& percents, int windowWidth) {
    ColumnArray pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        int percent = percents[i] > 0 ? percents[i] : kDefaultColumnPercents[i];
        if (percent > 100)
            percent = 100;
        pixels[i] = static_cast<int>(static_cast<long long>(windowWidth) * percent / 100);
    }
    return pixels;
}

}  // namespace tsrn::view
