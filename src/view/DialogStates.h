#pragma once
// The state arithmetic of the two folder dialogs: the add-folder dialog (168)
// and the folder protection dialog (150).

#include <cstdint>

#include "folders/FolderRecord.h"

namespace tsrn::view {

// The four prohibition check boxes 1007-1010.
struct Prohibitions {
    bool forbidDelete = false;  // 1007, 0x80
    bool forbidWrite = false;   // 1008, 0x20
    bool forbidSearch = false;  // 1009, 0x40
    bool forbidOpen = false;    // 1010, 0x10

    friend bool operator==(const Prohibitions&, const Prohibitions&) = default;
};

Prohibitions ProhibitionsOf(std::uint32_t state);
std::uint32_t ProhibitionBits(const Prohibitions& prohibitions);

// Dialog 168 after OK: the prohibitions, and working (1012 on) or stopped.
std::uint32_t AddedFolderState(const Prohibitions& prohibitions, bool startCiphering);

// Dialog 150 after OK: the record's cipher state as it is now with the new
// prohibitions.
std::uint32_t ProtectedFolderState(std::uint32_t currentState, const Prohibitions& prohibitions);

// The "Ciphering" group of dialog 150 for the state copied at opening.
struct CipheringControls {
    int stateTextId = 0;   // 1005
    int buttonTextId = 0;  // 1004
    bool buttonVisible = true;
};
CipheringControls CipheringControlsFor(std::uint32_t state, folders::FolderKind kind);

// The description edit of dialog 150 takes at most this many characters.
inline constexpr int kDescriptionLimit = 255;

}  // namespace tsrn::view
