#include "view/gui/RecoveryWindows.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/gui/ShellTexts.h"
#include "resources/ResourceIds.h"
#include "view/gui/CipheringDialog.h"
#include "view/gui/RecoveryProgressDialog.h"

namespace tsrn::view {

namespace str = res::str;
using runsafety::RecoveryAnswer;

RecoveryWindows::RecoveryWindows(app::PasswordPrompts& passwords, app::ViewPort* view,
                                 QWidget* parent)
    : passwords_(passwords), view_(view), parent_(parent) {}

RecoveryAnswer RecoveryWindows::AskChoice(const std::string& text) {
    QMessageBox box(QMessageBox::Question, app::TableText(str::kRecoveryCaption),
                    QString::fromStdString(text), QMessageBox::NoButton, parent_.data());
    box.setObjectName(QStringLiteral("RecoveryQuestion"));
    box.setTextFormat(Qt::PlainText);
    QPushButton* resume =
        box.addButton(app::TableText(str::kRecoveryResume), QMessageBox::AcceptRole);
    resume->setObjectName(QStringLiteral("resume"));
    QPushButton* undo =
        box.addButton(app::TableText(str::kRecoveryUndo), QMessageBox::DestructiveRole);
    undo->setObjectName(QStringLiteral("undo"));
    QPushButton* later =
        box.addButton(app::TableText(str::kRecoveryLater), QMessageBox::RejectRole);
    later->setObjectName(QStringLiteral("later"));
    // Nothing is written unless a button that writes is pressed on purpose.
    box.setDefaultButton(later);
    box.setEscapeButton(later);
    if (hook_)
        hook_(box);
    box.exec();
    if (box.clickedButton() == resume)
        return RecoveryAnswer::Resume;
    if (box.clickedButton() == undo)
        return RecoveryAnswer::Undo;
    return RecoveryAnswer::Later;
}

std::optional<std::string> RecoveryWindows::AskPassword() {
    return passwords_.AskUnlock(false);
}

journal::RecoveryResult RecoveryWindows::Recover(journal::RunRecovery& recovery,
                                                 journal::RecoveryChoice choice) {
    RecoveryProgressDialog progress(parent_.data());
    return progress.Run(recovery, choice);
}

bulk::RunOutcome RecoveryWindows::FinishRun(std::unique_ptr<bulk::CipheringRun> run) {
    CipheringDialog dialog(std::move(run), parent_.data());
    dialog.exec();
    return dialog.Run().Outcome();
}

bool RecoveryWindows::WithFolderStopped(const std::string& folder,
                                        const std::function<void()>& work) {
    if (view_)
        return view_->RunWithFoldersStopped(folder, work);
    work();
    return true;
}

}  // namespace tsrn::view
