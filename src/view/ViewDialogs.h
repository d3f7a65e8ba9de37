#pragma once
// Every window the folder list opens besides message boxes: the folder
// chooser, the add-folder dialog, the ciphering pass, the folder protection
// dialog and the new-password dialog. The GUI shows the real dialogs; tests
// answer from a script.

#include <cstdint>
#include <optional>
#include <string>

#include "bulk/CipherMode.h"

namespace tsrn::runsafety {
class RecoveryPorts;
}

namespace tsrn::view {

class ProtectionEdit;

// The results of the add-folder dialog (168) after OK.
struct AddFolderChoice {
    std::string description;
    std::uint32_t state = 2;
    bool encipher = false;  // 1030 "Produce enciphering"
};

class ViewDialogs {
  public:
    virtual ~ViewDialogs() = default;

    // The folder chooser titled 40005; nothing when the user gave up.
    virtual std::optional<std::string> ChooseFolder() = 0;
    // Dialog 168 for `path`; nothing after Cancel.
    virtual std::optional<AddFolderChoice> AskAddFolder(const std::string& path) = 0;
    // A modal ciphering run over `folder`; true only when it ended with OK.
    virtual bool RunPass(const std::string& folder, bulk::CipherMode mode) = 0;
    // Dialog 150 over the selected record.
    virtual void EditProtection(ProtectionEdit& edit) = 0;
    // Dialog 162; the new password after OK, nothing after Cancel.
    virtual std::optional<std::string> AskNewPassword() = 0;
    // The windows that take back or finish a password change left
    // unfinished; none where there are no such windows.
    virtual runsafety::RecoveryPorts* RecoveryAsks() { return nullptr; }
};

}  // namespace tsrn::view
