#pragma once
// The file version note of our shared libraries (owner "Tessaryn", type 1,
// two 32-bit words: high, then low). The installer compares it before it
// replaces an installed library.

#include <cstdint>

namespace tsrn::runtime {

struct VersionNote {
    std::uint32_t nameSize = 9;  // "Tessaryn" and its NUL
    std::uint32_t descSize = 8;
    std::uint32_t type = 1;
    char name[12] = {'T', 'e', 's', 's', 'a', 'r', 'y', 'n', '\0', '\0', '\0', '\0'};
    std::uint32_t high = 0;
    std::uint32_t low = 0;
};

}  // namespace tsrn::runtime

// Places the note in a section of its own; sections named .note* are notes.
#define TSRN_EMBED_VERSION_NOTE(high_word, low_word)                                          \
    __attribute__((section(".note.tessaryn.version"), used, aligned(4)))                      \
    const tsrn::runtime::VersionNote kTessarynVersionNote {                                   \
        9, 8, 1, {'T', 'e', 's', 's', 'a', 'r', 'y', 'n', '\0', '\0', '\0', '\0'}, high_word, \
            low_word                                                                          \
    }
