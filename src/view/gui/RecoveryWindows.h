#pragma once
// The start-up recovery's questions and progress as windows: a message box
// with Resume, Undo and Later (Esc and the close box mean Later), one with
// Take back, Finish and Later for a password change left unfinished, the unlock
// dialog for a reciphering run's second password, a progress window while
// files are brought to one state, and the ciphering dialog for the rest of a
// resumed run. The list view stops the driver's ciphering of the folder
// meanwhile.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "app/StartupPorts.h"
#include "app/ViewPort.h"
#include "runsafety/RecoveryPorts.h"

class QMessageBox;

namespace tsrn::view {

class RecoveryWindows : public runsafety::RecoveryPorts {
  public:
    RecoveryWindows(app::PasswordPrompts& passwords, app::ViewPort* view,
                    QWidget* parent = nullptr);

    void SetParent(QWidget* parent) { parent_ = parent; }
    // Called with each question box before it is shown (tests answer it).
    void SetQuestionHook(std::function<void(QMessageBox&)> hook) { hook_ = std::move(hook); }

    runsafety::RecoveryAnswer AskChoice(const std::string& text) override;
    runsafety::ChangeAnswer AskChangeChoice(const std::string& text) override;
    std::optional<std::string> AskPassword() override;
    journal::RecoveryResult Recover(journal::RunRecovery& recovery,
                                    journal::RecoveryChoice choice) override;
    bulk::RunOutcome FinishRun(std::unique_ptr<bulk::CipheringRun> run) override;
    bool WithFolderStopped(const std::string& folder, const std::function<void()>& work) override;

  private:
    app::PasswordPrompts& passwords_;
    app::ViewPort* view_;
    QPointer<QWidget> parent_;
    std::function<void(QMessageBox&)> hook_;
};

}  // namespace tsrn::view
