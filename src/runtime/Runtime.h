#pragma once
// The two runtime libraries' entry points: each reports its own version as
// (major << 16 | minor) << 32 | patch << 16.

#include <cstdint>

#define TSRN_RUNTIME_API __attribute__((visibility("default")))

extern "C" {
TSRN_RUNTIME_API std::uint64_t tsrn_framework_version();
TSRN_RUNTIME_API std::uint64_t tsrn_runtime_version();
}
