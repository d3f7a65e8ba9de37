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

namespace {

struct ChoiceButton {
    int textId;
    QMessageBox::ButtonRole role;
    const char* name;
};

// A question box whose last button means "later": the default and the
// escape, so nothing is written unless a button that writes is pressed.
int AskThreeWay(int captionId, const std::string& text, const ChoiceButton (&buttons)[3],
                QWidget* parent, const std::function<void(QMessageBox&)>& hook) {
    QMessageBox box(QMessageBox::Question, app::TableText(captionId), QString::fromStdString(text),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("RecoveryQuestion"));
    box.setTextFormat(Qt::PlainText);
    QPushButton* added[3] = {};
    for (int i = 0; i < 3; ++i) {
        added[i] = box.addButton(app::TableText(buttons[i].textId), buttons[i].role);
        added[i]->setObjectName(QString::fromLatin1(buttons[i].name));
    }
    box.setDefaultButton(added[2]);
    box.setEscapeButton(added[2]);
    if (hook)
        hook(box);
    box.exec();
    for (int i = 0; i < 2; ++i) {
        if (box.clickedButton() == added[i])
            return i;
    }
    return 2;
}

}  // namespace

RecoveryAnswer RecoveryWindows::AskChoice(const std::string& text) {
    static constexpr ChoiceButton kButtons[3] = {
        {str::kRecoveryResume, QMessageBox::AcceptRole, "resume"},
        {str::kRecoveryUndo, QMessageBox::DestructiveRole, "undo"},
        {str::kRecoveryLater, QMessageBox::RejectRole, "later"}};
    const RecoveryAnswer answers[3] = {RecoveryAnswer::Resume, RecoveryAnswer::Undo,
                                       RecoveryAnswer::Later};
    return answers[AskThreeWay(str::kRecoveryCaption, text, kButtons, parent_.data(), hook_)];
}

runsafety::ChangeAnswer RecoveryWindows::AskChangeChoice(const std::string& text) {
    static constexpr ChoiceButton kButtons[3] = {
        {str::kChangeTakeBack, QMessageBox::DestructiveRole, "takeBack"},
        {str::kChangeFinish, QMessageBox::AcceptRole, "finish"},
        {str::kRecoveryLater, QMessageBox::RejectRole, "later"}};
    const runsafety::ChangeAnswer answers[3] = {runsafety::ChangeAnswer::TakeBack,
                                                runsafety::ChangeAnswer::Finish,
                                                runsafety::ChangeAnswer::Later};
    return answers[AskThreeWay(str::kChangeCaption, text, kButtons, parent_.data(), hook_)];
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
