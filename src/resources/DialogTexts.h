#pragma once
// The visible texts of the dialogs: captions, and the initial texts of the
// controls by dialog id and control id. Labels and group boxes that have no
// control id of their own are named constants in `label`. Texts a dialog sets
// at run time (state texts, button captions that change) come from the
// string table instead.

#include <string_view>

#include "resources/Version.h"

namespace tsrn::text {

// Caption of a main-program dialog (100-169); empty for another id.
std::string_view DialogCaption(int dialogId);

// Initial text of control `controlId` in dialog `dialogId`; empty when the
// control shows no text of its own (edits, progress bars) or is unknown.
std::string_view ControlText(int dialogId, int controlId);

namespace label {
// Unlock (164)
inline constexpr std::string_view kUnlockGroup = "Enter password:";
// Password not found (169)
inline constexpr std::string_view kMissingPasswordGroup = "ATTENTION !";
inline constexpr std::string_view kMissingPasswordExplanation =
    "Tessaryn can not find a current password saved in the registry. So presently it is "
    "necessary to enter password, which you enterred when installing Tessaryn, ";
inline constexpr std::string_view kMissingPasswordThen =
    "then password to use for Tessaryn working.";
// Settings (149)
inline constexpr std::string_view kSettingsGlobalGroup = "Global protection:";
inline constexpr std::string_view kSettingsGlobalNote =
    "These parameters possible also to forbid apart for each folder in the list (refer to "
    "'Folder protection')";
inline constexpr std::string_view kSettingsAutoStartGroup = "AutoStart";
inline constexpr std::string_view kSettingsKeysGroup = "Keys";
// Change password (162)
inline constexpr std::string_view kChangePasswordWarning =
    "ATTENTION: changing a password will bring about need recipher files in protected "
    "folders. This can occupy a long-lasting time.";
inline constexpr std::string_view kChangePasswordNew = "Enter new password:";
inline constexpr std::string_view kChangePasswordRepeat = "Repeat password:";
// Folder ciphering (167)
inline constexpr std::string_view kCipheringCurrentFile = "Current file:";
inline constexpr std::string_view kCipheringFiles = "File(s)";
inline constexpr std::string_view kCipheringGroup = "Processed files of folder";
// Add folder (168) and folder protection (150)
inline constexpr std::string_view kAddFolderName = "Folder name";
inline constexpr std::string_view kDescription = "Description:";
inline constexpr std::string_view kProtectionLongName = "Folder (Windows long name)";
inline constexpr std::string_view kProtectionShortName = "Folder (DOS short name)";
inline constexpr std::string_view kProtectionCipheringGroup = "Ciphering";
// About box (100)
inline constexpr std::string_view kAboutVersion = "Tessaryn version " TSRN_VERSION_TEXT;
inline constexpr std::string_view kAboutEmail = "E-Mail:";
}  // namespace label

namespace about {
// The link of the About box shows the address and opens kMailto + address.
inline constexpr std::string_view kAuthorEmail = "author@tessaryn.example";
inline constexpr std::string_view kMailto = "mailto:";
}  // namespace about

// Shown instead of the cut-off end of a list cell that does not fit.
inline constexpr std::string_view kEllipsis = "...";

namespace setup {

inline constexpr std::string_view kSheetCaption = "Tessaryn Setup";

// Initial text of a control of a setup page (129-133); empty otherwise.
std::string_view ControlText(int pageId, int controlId);

namespace label {
inline constexpr std::string_view kWelcome =
    "Welcome to installation of a program Tessaryn. Tessaryn will allow You enchipher "
    "folders by means of the password. When working with files of directory, files will be "
    "decipherred \"on the-fly\".\n\nTo continue an installation press the button \"Next >\"";
inline constexpr std::string_view kChooseFolder = "Choose folder for Tessaryn installing";
inline constexpr std::string_view kInstalling = "Installation Tessaryn ...";
inline constexpr std::string_view kEnterInstallPassword =
    "Enter installation password on Tessaryn.";
inline constexpr std::string_view kEnterPassword = "Enter password:";
inline constexpr std::string_view kEnterPasswordAgain = "Enter password again:";
inline constexpr std::string_view kInstalled = "Program Tessaryn successfully installed !";
}  // namespace label
}  // namespace setup

}  // namespace tsrn::text
