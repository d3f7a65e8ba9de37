#pragma once
// Menus, toolbars and accelerators of the main program, with their visible
// texts. A menu is a flat list: a popup's entries sit between its PopupBegin
// and PopupEnd, so nested popups need no allocation. "&" marks the mnemonic
// and "\t" separates the shortcut shown at the right of an item.

#include <span>
#include <string_view>

namespace tsrn::res {

enum class MenuEntryKind { Item, Separator, PopupBegin, PopupEnd };

struct MenuEntry {
    MenuEntryKind kind;
    int commandId;  // Item only
    std::string_view text;
    bool grayed;  // initially
};

// Menu 128 (unlocked), 147 (locked) or 146 (the list's context menu, one
// untitled popup); empty for another id.
std::span<const MenuEntry> Menu(int menuId);

// The command ids of toolbar 128 or 147 in button order; kToolbarSeparator
// marks a separator. Empty for another id.
inline constexpr int kToolbarSeparator = 0;
std::span<const int> ToolbarButtons(int toolbarId);

struct Accelerator {
    std::string_view keys;  // as a key sequence text, e.g. "Shift+F1"
    int commandId;
};

// Accelerator table 128; empty for another id.
std::span<const Accelerator> Accelerators(int acceleratorsId);

}  // namespace tsrn::res
