#include "resources/MenuLayout.h"

#include <algorithm>
#include <iterator>

#include "resources/ResourceIds.h"

namespace tsrn::res {
namespace {

constexpr MenuEntry Item(int commandId, std::string_view text, bool grayed = false) {
    return {MenuEntryKind::Item, commandId, text, grayed};
}
constexpr MenuEntry Separator() {
    return {MenuEntryKind::Separator, 0, {}, false};
}
constexpr MenuEntry Popup(std::string_view text) {
    return {MenuEntryKind::PopupBegin, 0, text, false};
}
constexpr MenuEntry End() {
    return {MenuEntryKind::PopupEnd, 0, {}, false};
}

constexpr MenuEntry kMainMenu[] = {
    Popup("&File"),
    Item(cmd::kAddFolder, "&Add folder\tIns"),
    Item(cmd::kDeleteFolder, "&Delete folder\tDel", true),
    Separator(),
    Item(cmd::kHideWindow, "&Hide window\tAlt-F4"),
    Separator(),
    Item(cmd::kLock, "&Lock"),
    Item(cmd::kExit, "&Exit"),
    End(),
    Popup("&Control"),
    Item(cmd::kStartCiphering, "&Start", true),
    Item(cmd::kStopCiphering, "&Stop", true),
    Separator(),
    Item(cmd::kFolderProtection, "&Folder protection\tShift-F10"),
    Item(cmd::kChangePassword, "Change password"),
    Separator(),
    Item(cmd::kSettings, "&Settings ..."),
    End(),
    Popup("&View"),
    Item(cmd::kViewToolbar, "&Toolbar"),
    Item(cmd::kViewStatusBar, "&Status Bar"),
    Separator(),
    Item(cmd::kRefresh, "&Refresh\tF5"),
    End(),
    Popup("&Help"),
    Item(cmd::kHelpContents, "&Contents\tF1"),
    Separator(),
    Item(cmd::kAbout, "&About ..."),
    End(),
};

constexpr MenuEntry kLockedMenu[] = {
    Popup("&File"),
    Item(cmd::kHideWindow, "&Hide window\tAlt-F4"),
    Separator(),
    Item(cmd::kUnlock, "Unlock"),
    End(),
    Popup("&View"),
    Item(cmd::kViewToolbar, "&Toolbar"),
    Item(cmd::kViewStatusBar, "&Status Bar"),
    Separator(),
    Item(cmd::kRefresh, "&Refresh\tF5"),
    End(),
    Popup("&Help"),
    Item(cmd::kHelpContents, "&Contents\tF1"),
    Item(cmd::kAbout, "&About ..."),
    End(),
};

// The view removes the "&Control" popup by its position (4) when no row is
// selected, so the order here is fixed.
constexpr MenuEntry kContextMenu[] = {
    Popup(""),
    Item(cmd::kAddFolder, "&Add folder"),
    Item(cmd::kDeleteFolder, "&Delete folder"),
    Separator(),
    Item(cmd::kFolderProtection, "&Folder protection"),
    Popup("&Control"),
    Item(cmd::kStartCiphering, "&Start"),
    Item(cmd::kStopCiphering, "&Stop"),
    End(),
    End(),
};

constexpr int kMainToolbar[] = {
    cmd::kLock,           cmd::kExit,          kToolbarSeparator,
    cmd::kAddFolder,      cmd::kDeleteFolder,  kToolbarSeparator,
    cmd::kStartCiphering, cmd::kStopCiphering, cmd::kFolderProtection,
    kToolbarSeparator,    cmd::kSettings,      kToolbarSeparator,
    cmd::kHelpContents,
};

constexpr int kLockedToolbar[] = {cmd::kUnlock, kToolbarSeparator, cmd::kHelpContents};

constexpr Accelerator kMainAccelerators[] = {
    {"F1", cmd::kHelp},
    {"Shift+F1", cmd::kContextHelp},
};

constexpr bool IsCommand(int id) {
    return std::find(cmd::kAll.begin(), cmd::kAll.end(), id) != cmd::kAll.end();
}

// Popups nest properly and every item names a known command.
template <std::size_t N>
constexpr bool WellFormedMenu(const MenuEntry (&menu)[N]) {
    int depth = 0;
    for (const auto& e : menu) {
        if (e.kind == MenuEntryKind::PopupBegin)
            ++depth;
        if (e.kind == MenuEntryKind::PopupEnd && --depth < 0)
            return false;
        if (e.kind == MenuEntryKind::Item && (!IsCommand(e.commandId) || e.text.empty())) {
            return false;
        }
    }
    return depth == 0;
}

template <std::size_t N>
constexpr bool KnownButtons(const int (&buttons)[N]) {
    return std::all_of(std::begin(buttons), std::end(buttons),
                       [](int id) { return id == kToolbarSeparator || IsCommand(id); });
}

static_assert(WellFormedMenu(kMainMenu) && WellFormedMenu(kLockedMenu) &&
              WellFormedMenu(kContextMenu));
static_assert(KnownButtons(kMainToolbar) && KnownButtons(kLockedToolbar));

}  // namespace

std::span<const MenuEntry> Menu(int menuId) {
    switch (menuId) {
        case menu::kMain:
            return kMainMenu;
        case menu::kLocked:
            return kLockedMenu;
        case menu::kContext:
            return kContextMenu;
        default:
            return {};
    }
}

std::span<const int> ToolbarButtons(int toolbarId) {
    switch (toolbarId) {
        case toolbar::kMain:
            return kMainToolbar;
        case toolbar::kLocked:
            return kLockedToolbar;
        default:
            return {};
    }
}

std::span<const Accelerator> Accelerators(int acceleratorsId) {
    if (acceleratorsId == accel::kMain)
        return kMainAccelerators;
    return {};
}

}  // namespace tsrn::res
