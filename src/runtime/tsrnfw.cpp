#include "runtime/EmbeddedVersion.h"
#include "runtime/Runtime.h"

namespace {
TSRN_EMBED_VERSION_NOTE(TSRN_VERSION_HIGH, TSRN_VERSION_LOW);
}  // namespace

std::uint64_t tsrn_framework_version() {
    return (static_cast<std::uint64_t>(TSRN_VERSION_HIGH) << 32) | TSRN_VERSION_LOW;
}
