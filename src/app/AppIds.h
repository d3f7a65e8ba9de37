#pragma once
// The numbers the application shell uses: string ids of its messages,
// command ids of its actions, help contexts and its registry value names.

#include <string_view>

namespace tsrn::app::ids {

// Texts.
inline constexpr int kTextWrongPassword = 266;
inline constexpr int kTextWrongInstallationPassword = 287;
inline constexpr int kTextDriverLoadError = 256;
inline constexpr int kTextDriverInitError = 271;
inline constexpr int kTextUnlockAttempts = 268;
inline constexpr int kTextGlobalProtectionError = 261;
inline constexpr int kTextProductName = 57344;
inline constexpr int kTextIdlePrompt = 57345;
inline constexpr int kTextToolBarSection = 57346;
inline constexpr int kTextToolBarOffSection = 57347;
inline constexpr int kTextOpenFilesTip = 57348;
inline constexpr int kTextWorkTimePrefix = 59139;
inline constexpr int kTextWorkTimeSizer = 59138;
inline constexpr int kCaptionError = 257;
inline constexpr int kCaptionAttention = 267;

// Commands.
inline constexpr int kCmdAddFolder = 32771;
inline constexpr int kCmdDeleteFolder = 32772;
inline constexpr int kCmdFolderProtection = 32776;
inline constexpr int kCmdStop = 32778;
inline constexpr int kCmdStart = 32779;
inline constexpr int kCmdSettings = 32780;
inline constexpr int kCmdRefresh = 32781;
inline constexpr int kCmdChangePassword = 32782;
inline constexpr int kCmdLock = 32787;
inline constexpr int kCmdHideWindow = 32788;
inline constexpr int kCmdUnlock = 32789;
inline constexpr int kCmdHelpContents = 32791;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdExit = 57665;
inline constexpr int kCmdContextHelp = 57669;
inline constexpr int kCmdHelp = 57670;
inline constexpr int kCmdViewToolBar = 59392;
inline constexpr int kCmdViewStatusBar = 59393;

// Menus, toolbars and icons.
inline constexpr int kMenuUnlocked = 128;
inline constexpr int kMenuLocked = 147;
inline constexpr int kIconIdle = 160;
inline constexpr int kIconBusy = 163;
inline constexpr int kStatusBarId = 59393;
inline constexpr int kToolBarId = 59392;
inline constexpr int kWorkTimePaneId = 59138;

// Help contexts.
inline constexpr int kHelpUnlocked = 0x20080;
inline constexpr int kHelpLocked = 0x20093;

// Registry value names under "settings\".
inline constexpr std::string_view kValueX = "x";
inline constexpr std::string_view kValueY = "y";
inline constexpr std::string_view kValueCx = "cx";
inline constexpr std::string_view kValueCy = "cy";
inline constexpr std::string_view kValuePwd = "pwd";

}  // namespace tsrn::app::ids
