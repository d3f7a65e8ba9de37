#include "view/ColumnWidths.h"

#include <cstddef>

#include "registry/RegistryStore.h"

namespace tsrn::view {

ColumnArray ColumnPixels(const ColumnArray& percents, int windowWidth) {
    ColumnArray pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        int percent = percents[i] > 0 ? percents[i] : registry::kDefaultColumnPercents[i];
        if (percent > 100)
            percent = 100;
        pixels[i] = static_cast<int>(static_cast<long long>(windowWidth) * percent / 100);
    }
    return pixels;
}

}  // namespace tsrn::view
