#include "view/CommandRules.h"

#include <filesystem>
#include <system_error>

#include "driver/FolderState.h"
#include "resources/ResourceIds.h"

namespace tsrn::view {

namespace fs = driver::folder_state;
using folders::FolderKind;

bool CommandEnabled(int commandId, const std::optional<SelectedRecord>& selected) {
    switch (commandId) {
        case res::cmd::kDeleteFolder:
        case res::cmd::kFolderProtection:
            return selected.has_value();
        case res::cmd::kStartCiphering:
            return selected && fs::CipherState(selected->state) != fs::kWorking &&
                   selected->kind != FolderKind::RegistryFile;
        case res::cmd::kStopCiphering:
            return selected && fs::CipherState(selected->state) == fs::kWorking &&
                   selected->kind != FolderKind::RegistryFile;
        default:
            return true;
    }
}

KeyAction ActionForKey(Key key, bool shiftDown, bool rowSelected) {
    switch (key) {
        case Key::Shift:
            return KeyAction::ShiftDown;
        case Key::Enter:
            return KeyAction::EnterAction;
        case Key::Insert:
            return KeyAction::AddFolder;
        case Key::Delete:
            return KeyAction::DeleteFolder;
        case Key::F5:
            return KeyAction::Refresh;
        case Key::F10:
            return shiftDown && rowSelected ? KeyAction::ContextMenu : KeyAction::None;
        case Key::Other:
            break;
    }
    return KeyAction::None;
}

Toggle ToggleFor(const std::optional<SelectedRecord>& selected) {
    // Registry file entries are never started or stopped from the list.
    if (!selected || selected->kind == FolderKind::RegistryFile)
        return Toggle::Nothing;
    switch (fs::CipherState(selected->state)) {
        case fs::kWorking:
            return Toggle::Stop;
        case fs::kStopped:
            return Toggle::Start;
        default:
            return Toggle::Nothing;
    }
}

DropCase ClassifyDrop(const std::vector<std::string>& paths) {
    if (paths.size() != 1)
        return DropCase::SeveralItems;
    std::error_code error;
    const auto status = std::filesystem::status(paths.front(), error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_directory(status))
        return DropCase::NotAFolder;
    return DropCase::AddFolder;
}

}  // namespace tsrn::view
