#pragma once
// What the start-up recovery needs from a person and from the screen: the
// three-way question, a second password, and (as RecoveryWork) progress while
// files are brought to one state. The GUI answers with its dialogs, tests from
// a script.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bulk/CipheringRun.h"
#include "journal/RunRecovery.h"
#include "runsafety/RecoveryWork.h"

namespace tsrn::runsafety {

enum class RecoveryAnswer { Resume, Undo, Later };
// For a password change left unfinished: take its folders back to the
// password in force, finish it, or leave it for later.
enum class ChangeAnswer { TakeBack, Finish, Later };

class RecoveryPorts : public RecoveryWork {
  public:
    // Resume, undo or leave for later the run that `text` describes.
    virtual RecoveryAnswer AskChoice(const std::string& text) = 0;
    // Take back, finish or leave for later the password change `text` describes.
    virtual ChangeAnswer AskChangeChoice(const std::string& text) {
        (void)text;
        return ChangeAnswer::Later;
    }
    // A password typed by the user (the reason was shown just before);
    // nothing when cancelled.
    [[nodiscard]] virtual std::optional<std::string> AskPassword() = 0;
    // Runs `work` while nothing else writes the files under `folder` (the
    // driver's ciphering of the folders there is stopped meanwhile). False,
    // without running `work`, when that cannot be had.
    [[nodiscard]] virtual bool WithFolderStopped(const std::string& folder,
                                                 const std::function<void()>& work) {
        (void)folder;
        work();
        return true;
    }
};

}  // namespace tsrn::runsafety
