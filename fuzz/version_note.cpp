// Any bytes given as a library image: the reader must stay inside them and
// either find a version or report none.

#include <cstddef>
#include <cstdint>
#include <span>

#include "setup/VersionNote.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)tsrn::setup::ParseVersionNote(std::span<const std::uint8_t>(data, size));
    return 0;
}
