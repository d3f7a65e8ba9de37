#pragma once
// Which folder commands are enabled, what each key of the list does, and how
// a drop is classified. The selected record is given as its state and kind,
// or nothing when no row is selected (always so while locked).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "folders/FolderRecord.h"

namespace tsrn::view {

struct SelectedRecord {
    std::uint32_t state = 0;
    folders::FolderKind kind = folders::FolderKind::User;
};

// Answers for every id 32771-32782: the four commands that need a selection
// have their rule, every other id of the range is enabled.
bool CommandEnabled(int commandId, const std::optional<SelectedRecord>& selected);

enum class Key { Shift, Enter, Insert, Delete, F5, F10, Other };

enum class KeyAction {
    None,
    ShiftDown,
    EnterAction,
    AddFolder,
    DeleteFolder,
    Refresh,
    ContextMenu,
};

// F10 acts only with Shift held and a row selected.
KeyAction ActionForKey(Key key, bool shiftDown, bool rowSelected);

// What ToggleCiphering does with the selected record.
enum class Toggle { Nothing, Stop, Start };
Toggle ToggleFor(const std::optional<SelectedRecord>& selected);

enum class DropCase {
    SeveralItems,  // 259
    NotAFolder,    // 260
    AddFolder,     // a folder, or a name that cannot be looked up (a root)
};
DropCase ClassifyDrop(const std::vector<std::string>& paths);

}  // namespace tsrn::view
