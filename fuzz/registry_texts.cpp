// Stored integers, column widths and folder paths come from a file anyone with
// the user's rights may edit: their readers must hold for any bytes.

#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Paths.h"
#include "registry/RegistryStore.h"
#include "view/ColumnWidths.h"
#include "view/EnterAction.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        abort();
    }
}

// The C library's reading of the same text, limited to the int range.
int ReferenceDecimal(std::string_view text) {
    const std::string copy(text);
    const long long value = strtoll(copy.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void CheckFullPath(std::string_view text) {
    const auto full = tsrn::FullPath(text);
    if (!full) {
        return;
    }
    const std::string& path = *full;
    Check(!path.empty() && path.front() == '/' && path.size() < PATH_MAX);
    Check(path.find("//") == std::string::npos);
    Check(path == "/" || path.back() != '/');
    const std::string wrapped = path + "/";
    Check(wrapped.find("/./") == std::string::npos && wrapped.find("/../") == std::string::npos);
    Check(tsrn::FullPath(path) == full);
}

void CheckColumns(std::string_view text) {
    const auto widths = tsrn::view::ParseColumns(text);
    if (std::all_of(widths.begin(), widths.end(), [](int w) { return w > 0 && w < 1000000; })) {
        Check(tsrn::view::ParseColumns(tsrn::view::FormatColumns(widths, 100)) == widths);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(tsrn::registry::DecimalToInt(text) == ReferenceDecimal(text));
    Check(tsrn::view::ParseEnterAction(text) == (ReferenceDecimal(text) == 1 ? 1 : 0));
    CheckColumns(text);
    CheckFullPath(text);
    return 0;
}
