#pragma once
// The fixed resource numbers of Tessaryn: commands, dialogs, controls, menus,
// toolbars, icons, bitmaps, help contexts and string ids. The numbers are part
// of the program's identity (the GUI uses a control's id as its objectName,
// menus and toolbars carry the command id on each action), so they never
// change. The setup program has resources of its own whose numbers overlap the
// main program's; they live in the `setup` namespaces.

#include <array>
#include <cstddef>

namespace tsrn::res {

// Command ids: menu items, toolbar buttons and accelerators. The prompt and
// tooltip of a command is the string with the same id.
namespace cmd {
inline constexpr int kAddFolder = 32771;
inline constexpr int kDeleteFolder = 32772;
inline constexpr int kFolderProtection = 32776;
inline constexpr int kStopCiphering = 32778;
inline constexpr int kStartCiphering = 32779;
inline constexpr int kSettings = 32780;
inline constexpr int kRefresh = 32781;
inline constexpr int kChangePassword = 32782;
inline constexpr int kLock = 32787;
inline constexpr int kHideWindow = 32788;
inline constexpr int kUnlock = 32789;
inline constexpr int kHelpContents = 32791;
// The view's enabling routine answers for every id of this range.
inline constexpr int kFirstViewCommand = kAddFolder;
inline constexpr int kLastViewCommand = kChangePassword;
// Framework commands.
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kContextHelp = 57669;
inline constexpr int kHelp = 57670;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;

inline constexpr std::array kAll = {
    kAddFolder,      kDeleteFolder,  kFolderProtection, kStopCiphering,
    kStartCiphering, kSettings,      kRefresh,          kChangePassword,
    kLock,           kHideWindow,    kUnlock,           kHelpContents,
    kAbout,          kExit,          kContextHelp,      kHelp,
    kViewToolbar,    kViewStatusBar,
};
}  // namespace cmd

// Dialog template ids of the main program.
namespace dlg {
inline constexpr int kAbout = 100;
inline constexpr int kSettings = 149;
inline constexpr int kFolderProtection = 150;
inline constexpr int kChangePassword = 162;
inline constexpr int kUnlock = 164;
inline constexpr int kCiphering = 167;
inline constexpr int kAddFolder = 168;
inline constexpr int kMissingPassword = 169;

inline constexpr std::array kAll = {kAbout,  kSettings,  kFolderProtection, kChangePassword,
                                    kUnlock, kCiphering, kAddFolder,        kMissingPassword};
}  // namespace dlg

// Control ids of the main program's dialogs. Several dialogs reuse a number
// for different controls, so some values carry two names.
namespace ctl {
inline constexpr int kOk = 1;      // IDOK
inline constexpr int kCancel = 2;  // IDCANCEL
inline constexpr int kHelp = cmd::kHelp;
// Folder protection (150).
inline constexpr int kLongPath = 1000;
inline constexpr int kShortPath = 1001;
inline constexpr int kCipheringToggle = 1004;
inline constexpr int kCipheringState = 1005;
// Ciphering progress (167).
inline constexpr int kCipheringProgress = 1004;
inline constexpr int kCurrentFile = 1027;
inline constexpr int kCipheringFolder = 1028;
inline constexpr int kFileCount = 1029;
// Prohibition check boxes (149, 150, 168).
inline constexpr int kForbidDeleteBox = 1007;
inline constexpr int kForbidWriteBox = 1008;
inline constexpr int kForbidSearchBox = 1009;
inline constexpr int kForbidOpenBox = 1010;
// Add folder (168).
inline constexpr int kStartCipheringNow = 1012;
inline constexpr int kFolderName = 1027;
inline constexpr int kProduceEnciphering = 1030;
// Description edit (150, 168).
inline constexpr int kDescription = 1026;
// Settings (149).
inline constexpr int kEnterTogglesCiphering = 1021;
inline constexpr int kAutostart = 1022;
// Change password (162).
inline constexpr int kNewPassword = 1023;
inline constexpr int kRepeatPassword = 1024;
// Unlock (164) and missing password (169).
inline constexpr int kPassword = 1025;
inline constexpr int kInstallPassword = 1031;
inline constexpr int kTemporaryPasswordNote = 1032;
// About box (100).
inline constexpr int kEmailLink = 1037;
}  // namespace ctl

// Resource 128 is the menu, the toolbar, the accelerators and the document
// template string of the unlocked program; 147 the locked menu and toolbar.
namespace menu {
inline constexpr int kMain = 128;
inline constexpr int kContext = 146;
inline constexpr int kLocked = 147;
}  // namespace menu

namespace toolbar {
inline constexpr int kMain = 128;
inline constexpr int kLocked = 147;
}  // namespace toolbar

namespace accel {
inline constexpr int kMain = 128;
}  // namespace accel

inline constexpr int kDocTemplate = 128;

// Window ids of the frame's bars (the same numbers as their View commands).
namespace bar {
inline constexpr int kToolbar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kWorkTimePane = 59138;
}  // namespace bar

namespace icon {
inline constexpr int kTrayIdle = 160;
inline constexpr int kTrayBusy = 163;
inline constexpr int kLinkCursor = 171;
}  // namespace icon

namespace bitmap {
inline constexpr int kRowImages = 26018;  // six 16 x 16 images
inline constexpr int kAboutPicture = 172;
}  // namespace bitmap

// Images of bitmap 26018, by index.
namespace row_image {
inline constexpr int kFolderWorking = 0;
inline constexpr int kFolderPlain = 1;
inline constexpr int kFolderError = 2;
inline constexpr int kRegistryFile = 3;
inline constexpr int kDocumentWithKey = 4;
inline constexpr int kRegistryFileError = 5;
}  // namespace row_image

// Help contexts of the manual. The framework numbers a resource's topic
// 0x20000 + its id and a command's or string's topic 0x10000 + its id; a
// dialog's Help button opens ForResource(dialog id).
namespace help {
constexpr int ForResource(int resourceId) {
    return 0x20000 + resourceId;
}
constexpr int ForCommand(int id) {
    return 0x10000 + id;
}

inline constexpr int kUnlockedWindow = 0x20080;
inline constexpr int kLockedWindow = 0x20093;
inline constexpr int kEnciphering = 0x200A7;
inline constexpr int kDeciphering = 0x1011A;
inline constexpr int kReciphering = 0x1011B;

static_assert(kUnlockedWindow == ForResource(menu::kMain));
static_assert(kLockedWindow == ForResource(menu::kLocked));
static_assert(kEnciphering == ForResource(dlg::kCiphering));
}  // namespace help

// String ids of the main program. Command prompts use the command's own id
// (cmd::); the ids below are the other strings.
namespace str {
inline constexpr int kDocTemplate = 128;
inline constexpr int kWindowsNtRefused = 129;
inline constexpr int kDriverLoadError = 256;
inline constexpr int kCaptionError = 257;
inline constexpr int kDropOneFolderOnly = 259;
inline constexpr int kDropNotAFolder = 260;
inline constexpr int kGlobalProtectionError = 261;
inline constexpr int kFolderAlreadyListed = 262;
inline constexpr int kFolderIsSubfolder = 263;
inline constexpr int kFolderIsOverfolder = 264;
inline constexpr int kPasswordWrong = 266;
inline constexpr int kCaptionAttention = 267;
inline constexpr int kFailedUnlockCount = 268;
inline constexpr int kRegistryFile = 269;
inline constexpr int kDriverInitError = 271;
inline constexpr int kEncipherFailed = 272;
inline constexpr int kEncipherDone = 273;
inline constexpr int kButtonCancel = 274;
inline constexpr int kButtonOk = 275;
inline constexpr int kEncipherCancelQuestion = 276;
inline constexpr int kDecipherFailed = 277;
inline constexpr int kDecipherDone = 278;
inline constexpr int kDecipherCancelQuestion = 279;
inline constexpr int kFileAccessError = 280;
inline constexpr int kEncipherTitle = 281;
inline constexpr int kDecipherTitle = 282;
inline constexpr int kRecipherTitle = 283;
inline constexpr int kRecipherFailed = 284;
inline constexpr int kRecipherDone = 285;
inline constexpr int kRecipherCancelQuestion = 286;
inline constexpr int kInstallPasswordWrong = 287;
// Column headings: kColumnFolder + column index.
inline constexpr int kColumnFolder = 30000;
inline constexpr int kColumnCiphering = 30001;
inline constexpr int kColumnProtection = 30002;
inline constexpr int kColumnOpenFiles = 30003;
inline constexpr int kColumnDescription = 30004;
// Row texts (the list loads 30256-30262 at a full refresh).
inline constexpr int kStateWorking = 30256;
inline constexpr int kStateStopped = 30257;
inline constexpr int kStateInitError = 30258;
inline constexpr int kProtectionDelete = 30259;
inline constexpr int kProtectionWrite = 30260;
inline constexpr int kProtectionFind = 30261;
inline constexpr int kProtectionOpen = 30262;
inline constexpr int kStateNotEncoded = 30263;
inline constexpr int kButtonStart = 30512;
inline constexpr int kButtonStop = 30513;
inline constexpr int kBrowseFolderTitle = 40005;
inline constexpr int kFolderAdded = 40006;
inline constexpr int kFolderAddError = 40007;
inline constexpr int kDeleteFolderQuestion = 40008;
inline constexpr int kDeleteFolderError = 40009;
inline constexpr int kStartCipheringError = 40010;
inline constexpr int kStopCipheringError = 40011;
inline constexpr int kProtectionError = 40012;
inline constexpr int kPasswordInstalled = 40013;
inline constexpr int kDecipherFolderQuestion = 40014;
inline constexpr int kPasswordNotInstalled = 40015;
inline constexpr int kRecipherFolderQuestion = 40016;
inline constexpr int kRecipherIntro = 40017;
inline constexpr int kRecipherBreakQuestion = 40018;
inline constexpr int kPasswordUnchanged = 40019;
// Crash-safe runs: the run journal and the recovery of unfinished runs.
inline constexpr int kRunModeEnciphering = 41000;
inline constexpr int kRunModeDeciphering = 41001;
inline constexpr int kRunModeReciphering = 41002;
inline constexpr int kRecoveryCaption = 41003;
inline constexpr int kRecoveryQuestion = 41004;
inline constexpr int kRecoveryUndoingQuestion = 41005;
inline constexpr int kRecoveryResume = 41006;
inline constexpr int kRecoveryUndo = 41007;
inline constexpr int kRecoveryLater = 41008;
inline constexpr int kRecoveryOtherPassword = 41009;
inline constexpr int kRecoveryAskOldPassword = 41010;
inline constexpr int kRecoveryAskNewPassword = 41011;
inline constexpr int kRecoveryWrongPassword = 41012;
inline constexpr int kRecoveryKept = 41013;
inline constexpr int kRecoveryChangedFiles = 41014;
inline constexpr int kRecoveryMissingFiles = 41015;
inline constexpr int kRecoveryFailed = 41016;
inline constexpr int kRecoveryUndone = 41017;
inline constexpr int kRecoverySettled = 41018;
inline constexpr int kRecoveryProgressTitle = 41019;
inline constexpr int kRecoveryProgressFile = 41020;
inline constexpr int kRecoveryUnreadableJournal = 41021;
inline constexpr int kRecoveryNotContinued = 41022;
inline constexpr int kRecoveryResumeOldInForce = 41023;
inline constexpr int kRunOverlapRefused = 41030;
inline constexpr int kJournalStartFailed = 41031;
inline constexpr int kJournalKept = 41032;
inline constexpr int kJournalBroken = 41033;
// A password change over several folders left unfinished.
inline constexpr int kChangeCaption = 41034;
inline constexpr int kChangeQuestion = 41035;
inline constexpr int kChangeTakeBack = 41036;
inline constexpr int kChangeFinish = 41037;
inline constexpr int kChangeAskNewPassword = 41038;
inline constexpr int kChangeWrongPassword = 41039;
inline constexpr int kChangeKept = 41040;
inline constexpr int kChangeOtherPassword = 41041;
inline constexpr int kChangeUnreadable = 41042;
inline constexpr int kChangeBlocked = 41043;
inline constexpr int kChangeFolderUnknown = 41044;
inline constexpr int kChangeTakenBack = 41045;
inline constexpr int kChangeTakeBackFailed = 41046;
inline constexpr int kChangeNotFinished = 41047;
inline constexpr int kChangeLeftRefused = 41048;
inline constexpr int kChangeRecordFailed = 41049;
inline constexpr int kChangeLeftBehind = 41050;
inline constexpr int kCheckWordNotStored = 41051;
// The first start without a password, and Help.
inline constexpr int kFirstPasswordNote = 41060;
inline constexpr int kFirstPasswordMismatch = 41061;
inline constexpr int kHelpNotOpened = 41062;
inline constexpr int kHelpMissing = 41063;
// Folders the driver does not serve now, and the driver's loss.
inline constexpr int kFolderAbsentNote = 41100;
inline constexpr int kFolderRefusedNote = 41101;
inline constexpr int kDriverGoneNote = 41102;
inline constexpr int kDriverLost = 41103;
inline constexpr int kDriverRestartFailed = 41104;
inline constexpr int kDriverLostTip = 41105;
// What a bulk run left alone on a Linux tree, and why.
inline constexpr int kFilesLeftAlone = 41150;
inline constexpr int kSkipOutsideNames = 41151;
inline constexpr int kSkipOtherFileSystem = 41152;
inline constexpr int kSkipOwnFile = 41153;
inline constexpr int kSkipMore = 41154;
inline constexpr int kLeasesRefused = 41155;
inline constexpr int kServedFolderRefused = 41156;
// The desktop shell's own notes.
inline constexpr int kGlobalProtectionNotEnforced = 41200;
inline constexpr int kAppTitle = 57344;  // also the caption for information
inline constexpr int kIdlePrompt = 57345;
inline constexpr int kToolBarSection = 57346;
inline constexpr int kToolBarOffSection = 57347;
inline constexpr int kTrayTipOpenFiles = 57348;
inline constexpr int kWorkTimePaneSize = 59138;
inline constexpr int kWorkTimePrefix = 59139;
// Prompts of the system menu's commands.
inline constexpr int kSysMenuSize = 61184;
inline constexpr int kSysMenuMove = 61185;
inline constexpr int kSysMenuMinimize = 61186;
inline constexpr int kSysMenuMaximize = 61187;
inline constexpr int kSysMenuClose = 61190;
inline constexpr int kSysMenuRestore = 61202;
}  // namespace str

// The setup program's own resources.
namespace setup {
namespace dlg {
inline constexpr int kWelcome = 129;
inline constexpr int kFolderChoice = 130;
inline constexpr int kFinished = 131;
inline constexpr int kCopying = 132;
inline constexpr int kPassword = 133;

inline constexpr std::array kAll = {kWelcome, kFolderChoice, kFinished, kCopying, kPassword};
}  // namespace dlg

namespace ctl {
inline constexpr int kInstallFolder = 1000;
inline constexpr int kChooseFolder = 1001;
inline constexpr int kCurrentFile = 1002;
inline constexpr int kPercent = 1003;
inline constexpr int kProgress = 1004;
inline constexpr int kPassword = 1006;
inline constexpr int kPasswordAgain = 1007;
inline constexpr int kRunProgram = 1010;
inline constexpr int kViewReadme = 1011;
}  // namespace ctl

namespace icon {
inline constexpr int kProgram = 128;
}  // namespace icon

namespace bitmap {
inline constexpr int kBanner = 131;
}  // namespace bitmap

namespace str {
inline constexpr int kWelcomeCaption = 102;
inline constexpr int kFolderChoiceCaption = 103;
inline constexpr int kCopyingCaption = 104;
inline constexpr int kPasswordCaption = 105;
inline constexpr int kFinishedCaption = 120;
inline constexpr int kCaptionError = 20000;
inline constexpr int kWindowsNtRefused = 20001;
inline constexpr int kPasswordMismatch = 20002;
inline constexpr int kCopyError = 20005;
inline constexpr int kInterruptQuestion = 20007;
inline constexpr int kChooseFolderTitle = 30001;
inline constexpr int kDefaultFolderTail = 30002;
inline constexpr int kCreateFolderQuestion = 30003;
inline constexpr int kCopyingFile = 30004;
inline constexpr int kPercent = 30005;
inline constexpr int kProgramLink = 30006;
inline constexpr int kUninstallLink = 30007;
inline constexpr int kProgramGroup = 30008;
inline constexpr int kCreatingShortcuts = 30009;
inline constexpr int kProductVersionName = 30010;
inline constexpr int kRescueLink = 30011;
// Texts of this installer beyond the wizard's own.
inline constexpr int kFolderMissing = 30100;
inline constexpr int kFolderUnsafe = 30101;
inline constexpr int kFolderNotAFolder = 30102;
inline constexpr int kFolderNotEmpty = 30103;
inline constexpr int kUninstallQuestion = 30104;
inline constexpr int kFinalStepIncomplete = 30105;
inline constexpr int kPasswordNotStored = 30106;
inline constexpr int kUsage = 30107;
inline constexpr int kReplacePasswordQuestion = 30108;
inline constexpr int kPasswordKept = 30109;
inline constexpr int kReadmeNotOpened = 30110;
inline constexpr int kUninstalled = 30111;
inline constexpr int kUninstalledAutostart = 30112;
inline constexpr int kUninstallIncomplete = 30113;
inline constexpr int kPasswordTooLong = 30150;
}  // namespace str
}  // namespace setup

namespace detail {
template <std::size_t N>
constexpr bool AllDistinct(const std::array<int, N>& ids) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (ids[i] == ids[j])
                return false;
        }
    }
    return true;
}
}  // namespace detail

static_assert(detail::AllDistinct(cmd::kAll), "two commands share an id");
static_assert(detail::AllDistinct(dlg::kAll), "two dialogs share an id");
static_assert(detail::AllDistinct(setup::dlg::kAll), "two setup pages share an id");

}  // namespace tsrn::res
