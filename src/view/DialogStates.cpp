#include "view/DialogStates.h"

#include "driver/FolderState.h"
#include "resources/ResourceIds.h"

namespace tsrn::view {

namespace fs = driver::folder_state;

Prohibitions ProhibitionsOf(std::uint32_t state) {
    return {(state & fs::kForbidDelete) != 0, (state & fs::kForbidWrite) != 0,
            (state & fs::kForbidSearch) != 0, (state & fs::kForbidOpen) != 0};
}

std::uint32_t ProhibitionBits(const Prohibitions& prohibitions) {
    return (prohibitions.forbidDelete ? fs::kForbidDelete : 0U) |
           (prohibitions.forbidSearch ? fs::kForbidSearch : 0U) |
           (prohibitions.forbidWrite ? fs::kForbidWrite : 0U) |
           (prohibitions.forbidOpen ? fs::kForbidOpen : 0U);
}

std::uint32_t AddedFolderState(const Prohibitions& prohibitions, bool startCiphering) {
    return ProhibitionBits(prohibitions) | (startCiphering ? fs::kWorking : fs::kStopped);
}

std::uint32_t ProtectedFolderState(std::uint32_t currentState, const Prohibitions& prohibitions) {
    return fs::CipherState(currentState) | ProhibitionBits(prohibitions);
}

CipheringControls CipheringControlsFor(std::uint32_t state, folders::FolderKind kind) {
    if (kind == folders::FolderKind::RegistryFile)
        return {res::str::kStateNotEncoded, res::str::kButtonStart, false};
    switch (fs::CipherState(state)) {
        case fs::kWorking:
            return {res::str::kStateWorking, res::str::kButtonStop, true};
        case fs::kStopped:
            return {res::str::kStateStopped, res::str::kButtonStart, true};
        default:
            return {res::str::kStateInitError, res::str::kButtonStart, true};
    }
}

}  // namespace tsrn::view
