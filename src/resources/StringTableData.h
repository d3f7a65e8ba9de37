#pragma once
// The string tables themselves, kept in a header so that FormatText<id> can
// check its arguments against the text while compiling. Texts are the
// program's own, byte for byte (their spelling included); "\n" is a line break.
// Each table is sorted by id; the sort and the format of every text are
// checked at compile time in StringTable.cpp.

#include <algorithm>
#include <iterator>
#include <string_view>

#include "resources/ResourceIds.h"

namespace tsrn::text::detail {

struct TextEntry {
    int id;
    std::string_view text;
};

// clang-format off
inline constexpr TextEntry kMainTexts[] = {
    {res::str::kDocTemplate, "Tsrn\n\nTsrn\n\n\nTsrn.Document\nTsrn Document"},
    {res::str::kWindowsNtRefused, "Program Tessaryn does not work in the Windows NT."},
    {res::str::kDriverLoadError, "Error of loading TSRNVX.VxD.\nCheck presence of given file."},
    {res::str::kCaptionError, "Tessaryn: Error"},
    {res::str::kDropOneFolderOnly, "Tessaryn allows to add in list\nonly one folder using Drag'n'Drop"},
    {res::str::kDropNotAFolder, "'%s'  is not a folder"},
    {res::str::kGlobalProtectionError, "Error of renovations of global protection"},
    {res::str::kFolderAlreadyListed, "Folder '%s' already exist in list"},
    {res::str::kFolderIsSubfolder, "Folder '%s' is subfolder to '%s'\nAdd folder anyway ?"},
    {res::str::kFolderIsOverfolder, "Folder '%s' is overfolder to '%s'\nAdd folder anyway ?"},
    {res::str::kPasswordWrong, "Password wrong.\nEnter anew."},
    {res::str::kCaptionAttention, "Tessaryn: Attention !"},
    {res::str::kFailedUnlockCount, "Was %i attempts to unlock Tessaryn"},
    {res::str::kRegistryFile, "Registry file"},
    {res::str::kDriverInitError, "Error of initialization of TSRNVX.VxD."},
    {res::str::kEncipherFailed, "Error enciphering of files of adding folder."},
    {res::str::kEncipherDone, "Files successfully enciphered."},
    {res::str::kButtonCancel, "Cancel"},
    {res::str::kButtonOk, "OK"},
    {res::str::kEncipherCancelQuestion, "Cancel enciphering of files of of folder ?\nNo - continue,\nYes - decipher already enciphered files."},
    {res::str::kDecipherFailed, "Error deciphering of files of adding folder."},
    {res::str::kDecipherDone, "Files successfully deciphered."},
    {res::str::kDecipherCancelQuestion, "Cancel deciphering of files of of folder ?\nNo - continue,\nYes - encipher already deciphered files."},
    {res::str::kFileAccessError, "Access error to file '%s'\nContinue ?"},
    {res::str::kEncipherTitle, "Folder enciphering"},
    {res::str::kDecipherTitle, "Folder deciphering"},
    {res::str::kRecipherTitle, "Folder reciphering"},
    {res::str::kRecipherFailed, "Error reciphering of files of folder."},
    {res::str::kRecipherDone, "Files successfully reciphered with new password."},
    {res::str::kRecipherCancelQuestion, "Cancel reciphering of files of of folder ?\nNo - contunue,\nYes - encipher already reciphered files."},
    {res::str::kInstallPasswordWrong, "Entered wrong installation password."},
    {res::str::kColumnFolder, "Folder"},
    {res::str::kColumnCiphering, "Ciphering"},
    {res::str::kColumnProtection, "Protection"},
    {res::str::kColumnOpenFiles, "Open files"},
    {res::str::kColumnDescription, "Description"},
    {res::str::kStateWorking, "Working"},
    {res::str::kStateStopped, "Stopped"},
    {res::str::kStateInitError, "Initialization error"},
    {res::str::kProtectionDelete, "Del. "},
    {res::str::kProtectionWrite, "Write "},
    {res::str::kProtectionFind, "Find "},
    {res::str::kProtectionOpen, "Open "},
    {res::str::kStateNotEncoded, "Is not encoded"},
    {res::str::kButtonStart, "&Start"},
    {res::str::kButtonStop, "&Stop"},
    {res::cmd::kAddFolder, "Add folder to list\nAdd folder"},
    {res::cmd::kDeleteFolder, "Delete folder from list\nDelete folder"},
    {res::cmd::kFolderProtection, "Display folder protection\nFolder protection"},
    {res::cmd::kStopCiphering, "Stop ciphering service for given folder\nStop ciphering"},
    {res::cmd::kStartCiphering, "Start ciphering service for given folder\nStart ciphering"},
    {res::cmd::kRefresh, "List refresh"},
    {res::cmd::kLock, "Lock Tessaryn\nLock"},
    {res::cmd::kHideWindow, "Minimize Tessaryn on tray panel"},
    {res::cmd::kUnlock, "Unlock Tessaryn\nUnlock"},
    {res::cmd::kHelpContents, "Display help contents\nHelp contents"},
    {res::str::kBrowseFolderTitle, "Choose folder for adding in list"},
    {res::str::kFolderAdded, "Folder '%s' added in list"},
    {res::str::kFolderAddError, "Error of adding folder '%s' in list."},
    {res::str::kDeleteFolderQuestion, "Are you really want to delete folder '%s' from list ?"},
    {res::str::kDeleteFolderError, "Error of deleting folder '%s' from list\n( Delete from list anyway ?)"},
    {res::str::kStartCipheringError, "Error of starting ciphering service for folder"},
    {res::str::kStopCipheringError, "Error of stopping ciphering service for folder"},
    {res::str::kProtectionError, "Error of renovations of folder protection"},
    {res::str::kPasswordInstalled, "New password is installed."},
    {res::str::kDecipherFolderQuestion, "Decipher the files of folder '%s' ?"},
    {res::str::kPasswordNotInstalled, "New password is not installed."},
    {res::str::kRecipherFolderQuestion, "Recipher folder %s with new password ?"},
    {res::str::kRecipherIntro, "Presently for each directory from the list will be given question on need rechipher files of folders. Request will be prompted as for folders for which at given time works ciphering, so and for which stopped. Rechiphering should choose for that folders only, which really was enchiphered.\nATTENTION ! When reciphering a folder will be reciphered either files from this folder and all files from it subfolders. So if there is a folder in the list that is being subfolder to such folder, its does not follow to reciphering this subfolder !\n\nContinue ?"},
    {res::str::kRecipherBreakQuestion, "You really want to break rechiphering ?\nSome files already was rechiphered, if no no emergency reasons - better rechipher and rest folders.\nTo continue rechipher press No."},
    {res::str::kPasswordUnchanged, "Entered password did not change."},
    {res::str::kRunModeEnciphering, "enciphering"},
    {res::str::kRunModeDeciphering, "deciphering"},
    {res::str::kRunModeReciphering, "reciphering"},
    {res::str::kRecoveryCaption, "Tessaryn: Unfinished run"},
    {res::str::kRecoveryQuestion, "The %s of the folder\n%s\ndid not end: the program stopped while it worked on %i file(s).\n\nResume finishes the run. Undo brings every file it touched back as it was. Later leaves the files as they are and keeps the run's journal: Tessaryn asks again at its next start.\n\nJournal: %s"},
    {res::str::kRecoveryUndoingQuestion, "The %s of the folder\n%s\nwas being undone when the program stopped (%i file(s) touched).\n\nResume and Undo both finish bringing every file back as it was. Later leaves the files as they are and keeps the run's journal: Tessaryn asks again at its next start.\n\nJournal: %s"},
    {res::str::kRecoveryResume, "&Resume"},
    {res::str::kRecoveryUndo, "&Undo"},
    {res::str::kRecoveryLater, "&Later"},
    {res::str::kRecoveryOtherPassword, "An unfinished %s of the folder\n%s\nwas started with another password. Nothing was changed and its journal is kept:\n%s\nStart Tessaryn with that password, or use tsrnctl recover."},
    {res::str::kRecoveryAskOldPassword, "The reciphering of the folder\n%s\nneeds the password that was in force before the change as well. Enter that old password in the next window."},
    {res::str::kRecoveryAskNewPassword, "The reciphering of the folder\n%s\nneeds the new password it was changing to as well. Enter that new password in the next window."},
    {res::str::kRecoveryWrongPassword, "That is not the password the reciphering of the folder\n%s\nwas started with. Nothing was changed and its journal is kept:\n%s"},
    {res::str::kRecoveryKept, "Nothing was changed. The run's journal is kept:\n%s\nTessaryn asks again at its next start; until then no run over the folder\n%s\ncan be started."},
    {res::str::kRecoveryChangedFiles, "%i file(s) hold neither their old nor their new bytes: they were changed outside the run and were left as they are:\n%s"},
    {res::str::kRecoveryMissingFiles, "%i file(s) of the run are gone since it stopped:\n%s"},
    {res::str::kRecoveryFailed, "The run over the folder\n%s\ncould not be brought to an end (%s). Its journal is kept:\n%s"},
    {res::str::kRecoveryUndone, "The run over the folder\n%s\nwas undone: every file it touched is back as it was."},
    {res::str::kRecoverySettled, "The run over the folder\n%s\nhad ended before the program stopped; its files are now surely on disk."},
    {res::str::kRecoveryProgressTitle, "Tessaryn: Bringing an unfinished run to an end"},
    {res::str::kRecoveryProgressFile, "Checking %s"},
    {res::str::kRecoveryUnreadableJournal, "A run journal could not be read and was left alone:\n%s"},
    {res::str::kRecoveryNotContinued, "The run over the folder\n%s\ncould not be continued. Its journal is kept:\n%s"},
    {res::str::kRecoveryResumeOldInForce, "The new password of this reciphering was never put in force: the password in force is still the old one. Resume leaves the folder's files under the new password; Undo brings them back under the password in force.\n\n"},
    {res::str::kRunOverlapRefused, "An unfinished run over the folder\n%s\nstill holds this folder. It must be resumed or undone first: Tessaryn offers that at its next start (or use tsrnctl recover)."},
    {res::str::kJournalStartFailed, "The run's journal could not be started (%s).\nWithout it, a crash or a power cut during the run can leave files half done.\n\nRun without crash safety?"},
    {res::str::kJournalKept, "The run did not end cleanly. Its journal is kept:\n%s\nTessaryn offers to resume or undo the run at its next start."},
    {res::str::kJournalBroken, "The run's journal failed (%s): the run stopped before writing any more."},
    {res::str::kAppTitle, "Tessaryn"},
    {res::str::kIdlePrompt, "For Help, press F1"},
    {res::str::kToolBarSection, "ToolBar"},
    {res::str::kToolBarOffSection, "ToolBarOff"},
    {res::str::kTrayTipOpenFiles, "%s, open file(s) - %i"},
    {res::cmd::kAbout, "About Tessaryn\nAbout"},
    {res::cmd::kExit, "Exit from Tessaryn\nExit"},
    {res::cmd::kHelp, "Help contents\nHelp"},
    {res::str::kWorkTimePaneSize, "Work time: 0.00.00:00"},
    {res::str::kWorkTimePrefix, "Work time: "},
    {res::cmd::kViewToolbar, "Show or hide toolbar"},
    {res::cmd::kViewStatusBar, "Show or hide status bar"},
    {res::str::kSysMenuSize, "Change windowsize"},
    {res::str::kSysMenuMove, "Move window"},
    {res::str::kSysMenuMinimize, "Iconize window"},
    {res::str::kSysMenuMaximize, "Maximize window"},
    {res::str::kSysMenuClose, "Minimize on tray panel"},
    {res::str::kSysMenuRestore, "Restore window"},
};

// The setup program's table (its ids overlap the main program's).
inline constexpr TextEntry kSetupTexts[] = {
    {res::setup::str::kWelcomeCaption, "Installation Tessaryn"},
    {res::setup::str::kFolderChoiceCaption, "Installation Tessaryn: choice of folder for installing"},
    {res::setup::str::kCopyingCaption, "Installation Tessaryn: copying of files"},
    {res::setup::str::kPasswordCaption, "Installation Tessaryn: installing a password"},
    {res::setup::str::kFinishedCaption, "Installation Tessaryn is finished !"},
    {res::setup::str::kCaptionError, "Error"},
    {res::setup::str::kWindowsNtRefused, "Tessaryn does not work in Windows NT, so installation stops."},
    {res::setup::str::kPasswordMismatch, "Password again entered untrue.\nEnter anew."},
    {res::setup::str::kCopyError, "Error of copying of file %s\n"},
    {res::setup::str::kInterruptQuestion, "Interrupt Tessaryn installation ?"},
    {res::setup::str::kChooseFolderTitle, "Choose a folder for Tessaryn installing"},
    {res::setup::str::kDefaultFolderTail, "\\Program Files\\Tessaryn"},
    {res::setup::str::kCreateFolderQuestion, "Folder %s not exist, create ?"},
    {res::setup::str::kCopyingFile, "Copying file %s"},
    {res::setup::str::kPercent, "%d %%"},
    {res::setup::str::kProgramLink, "%s\\Tessaryn 1.0\\Tessaryn 1.0.2.lnk"},
    {res::setup::str::kUninstallLink, "%s\\Tessaryn 1.0\\Tessaryn Uninstall.lnk"},
    {res::setup::str::kProgramGroup, "%s\\Tessaryn 1.0"},
    {res::setup::str::kCreatingShortcuts, "Creating shortcuts"},
    {res::setup::str::kProductVersionName, "Tessaryn 1.0"},
    {res::setup::str::kRescueLink, "%s\\Tessaryn 1.0\\File Rescue for Tessaryn 1.0.lnk"},
    {res::setup::str::kFolderMissing, "Enter the folder to install Tessaryn into."},
    {res::setup::str::kFolderUnsafe, "The folder %s is the root, a home folder or a system folder. Choose a folder of Tessaryn's own, for example a new folder inside it."},
    {res::setup::str::kFolderNotAFolder, "%s is not a folder."},
    {res::setup::str::kFolderNotEmpty, "The folder %s already holds other files. Choose an empty folder or the folder of an earlier Tessaryn installation: removing Tessaryn deletes every file in its folder."},
    {res::setup::str::kUninstallQuestion, "Remove Tessaryn 1.0 from this computer?\nIts programs, menu entries and settings are deleted. Folders that are still enciphered stay enciphered: decipher them with Tessaryn first."},
    {res::setup::str::kFinalStepIncomplete, "The menu entries or the registry values could not be written."},
    {res::setup::str::kPasswordNotStored, "The installation password could not be stored in %s."},
    {res::setup::str::kUsage, "Usage: setup [--unattended --install-dir FOLDER | --installed | --version]\nWith --unattended the installation password is read from standard input (one line); --installed prints the folder of an earlier installation."},
};
// clang-format on

template <std::size_t N>
constexpr std::string_view Lookup(const TextEntry (&table)[N], int id) {
    const auto* it = std::lower_bound(std::begin(table), std::end(table), id,
                                      [](const TextEntry& e, int key) { return e.id < key; });
    if (it == std::end(table) || it->id != id)
        return {};
    return it->text;
}

}  // namespace tsrn::text::detail
