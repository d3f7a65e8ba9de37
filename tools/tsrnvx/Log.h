#pragma once
// Diagnostics go to standard error (the journal when run as a service), never
// into a file: a file could land inside a protected folder.

#include <cstdio>

namespace tsrn::vx {

template <typename... Args>
void Log(const char* format, Args... args) {
    std::fputs("tsrnvx: ", stderr);
    if constexpr (sizeof...(Args) == 0) {
        std::fputs(format, stderr);
    } else {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::fprintf(stderr, format, args...);
#pragma GCC diagnostic pop
    }
    std::fputc('\n', stderr);
}

}  // namespace tsrn::vx
