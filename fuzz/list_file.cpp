// The list file parser over arbitrary bytes: it must not crash, and every
// name it returns is a non-empty text without NUL, line end or trailing blank.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "folders/ListFileParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto& name : tsrn::folders::ParseListFile(bytes)) {
        if (name.empty() || name.size() > tsrn::folders::kListFileLineBuffer ||
            name.find_first_of(std::string_view("\0\n", 2)) != std::string_view::npos ||
            name.back() == ' ' || name.back() == '\t') {
            __builtin_trap();
        }
    }
    return 0;
}
