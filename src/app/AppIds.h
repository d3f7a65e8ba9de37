#pragma once
// Short names for the resource numbers the application shell uses, and its
// registry value names.

#include <string_view>

#include "resources/ResourceIds.h"

namespace tsrn::app::ids {

// Texts.
inline constexpr int kTextWrongPassword = res::str::kPasswordWrong;
inline constexpr int kTextWrongInstallationPassword = res::str::kInstallPasswordWrong;
inline constexpr int kTextDriverLoadError = res::str::kDriverLoadError;
inline constexpr int kTextDriverInitError = res::str::kDriverInitError;
inline constexpr int kTextUnlockAttempts = res::str::kFailedUnlockCount;
inline constexpr int kTextGlobalProtectionError = res::str::kGlobalProtectionError;
inline constexpr int kTextProductName = res::str::kAppTitle;
inline constexpr int kTextIdlePrompt = res::str::kIdlePrompt;
inline constexpr int kTextToolBarSection = res::str::kToolBarSection;
inline constexpr int kTextToolBarOffSection = res::str::kToolBarOffSection;
inline constexpr int kTextOpenFilesTip = res::str::kTrayTipOpenFiles;
inline constexpr int kTextWorkTimePrefix = res::str::kWorkTimePrefix;
inline constexpr int kTextWorkTimeSizer = res::str::kWorkTimePaneSize;
inline constexpr int kCaptionError = res::str::kCaptionError;
inline constexpr int kCaptionAttention = res::str::kCaptionAttention;

// Commands.
inline constexpr int kCmdAddFolder = res::cmd::kAddFolder;
inline constexpr int kCmdDeleteFolder = res::cmd::kDeleteFolder;
inline constexpr int kCmdFolderProtection = res::cmd::kFolderProtection;
inline constexpr int kCmdStop = res::cmd::kStopCiphering;
inline constexpr int kCmdStart = res::cmd::kStartCiphering;
inline constexpr int kCmdSettings = res::cmd::kSettings;
inline constexpr int kCmdRefresh = res::cmd::kRefresh;
inline constexpr int kCmdChangePassword = res::cmd::kChangePassword;
inline constexpr int kCmdLock = res::cmd::kLock;
inline constexpr int kCmdHideWindow = res::cmd::kHideWindow;
inline constexpr int kCmdUnlock = res::cmd::kUnlock;
inline constexpr int kCmdHelpContents = res::cmd::kHelpContents;
inline constexpr int kCmdAbout = res::cmd::kAbout;
inline constexpr int kCmdExit = res::cmd::kExit;
inline constexpr int kCmdContextHelp = res::cmd::kContextHelp;
inline constexpr int kCmdHelp = res::cmd::kHelp;
inline constexpr int kCmdViewToolBar = res::cmd::kViewToolbar;
inline constexpr int kCmdViewStatusBar = res::cmd::kViewStatusBar;
// The system menu's Restore: the tray menu's Show, with its text 61202.
inline constexpr int kCmdShowWindow = res::str::kSysMenuRestore;

// Menus, toolbars, bars and icons.
inline constexpr int kMenuUnlocked = res::menu::kMain;
inline constexpr int kMenuLocked = res::menu::kLocked;
inline constexpr int kStatusBarId = res::bar::kStatusBar;
inline constexpr int kToolBarId = res::bar::kToolbar;
inline constexpr int kWorkTimePaneId = res::bar::kWorkTimePane;

// Help contexts.
inline constexpr int kHelpUnlocked = res::help::kUnlockedWindow;
inline constexpr int kHelpLocked = res::help::kLockedWindow;

// Registry value names under "settings\".
inline constexpr std::string_view kValueX = "x";
inline constexpr std::string_view kValueY = "y";
inline constexpr std::string_view kValueCx = "cx";
inline constexpr std::string_view kValueCy = "cy";
inline constexpr std::string_view kValuePwd = "pwd";

}  // namespace tsrn::app::ids
