#pragma once
// Ids of the installer's texts in the string table.

namespace tsrn::setup::ids {

inline constexpr int kWelcomeCaption = 102;
inline constexpr int kFolderCaption = 103;
inline constexpr int kCopyingCaption = 104;
inline constexpr int kPasswordCaption = 105;
inline constexpr int kFinishedCaption = 120;

inline constexpr int kErrorCaption = 20000;
inline constexpr int kPasswordMismatch = 20002;
inline constexpr int kCopyFailed = 20005;
inline constexpr int kInterruptQuestion = 20007;

inline constexpr int kChooseFolderTitle = 30001;
inline constexpr int kCreateFolderQuestion = 30003;
inline constexpr int kCopyingFile = 30004;
inline constexpr int kPercent = 30005;
inline constexpr int kMainProgramLink = 30006;
inline constexpr int kUninstallLink = 30007;
inline constexpr int kProgramGroup = 30008;
inline constexpr int kCreatingShortcuts = 30009;
inline constexpr int kProductName = 30010;
inline constexpr int kRescueLink = 30011;

}  // namespace tsrn::setup::ids
