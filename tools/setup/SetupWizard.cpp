#include "SetupWizard.h"

#include "CopyingPage.h"
#include "FinishPage.h"
#include "FolderPage.h"
#include "PasswordPage.h"
#include "WelcomePage.h"
#include "resources/DialogTexts.h"
#include "resources/StringTable.h"
#include "setup/InstallFileTable.h"
#include "setup/Rollback.h"
#include "setup/SetupQuestion.h"

namespace tsrn::setup {

SetupWizard::SetupWizard(SetupContext& context, QWidget* parent)
    : QWizard(parent), context_(context) {
    setObjectName(QStringLiteral("setup"));
    setWindowTitle(QString::fromUtf8(text::setup::kSheetCaption));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    setOption(QWizard::NoBackButtonOnLastPage);
    // The pages after which there is no way back show a plain Next button.
    setButtonText(QWizard::CommitButton, buttonText(QWizard::NextButton));

    copying_ = new CopyingPage(context_, this);
    finish_ = new FinishPage(this);
    setPage(Welcome, new WelcomePage(this));
    auto* folder = new FolderPage(context_, this);
    folder->setCommitPage(true);
    setPage(Folder, folder);
    setPage(Copying, copying_);
    setPage(Password, new PasswordPage(context_, this));
    setPage(Finished, finish_);

    connect(this, &QWizard::currentIdChanged, this, &SetupWizard::ShowPageCaption);
    connect(copying_, &CopyingPage::RolledBack, this, [this] {
        rolledBack_ = true;
        QWizard::done(QDialog::Accepted);
    });
}

void SetupWizard::ShowPageCaption(int id) {
    if (QWizardPage* shown = page(id)) {
        setWindowTitle(shown->title());
    }
}

bool SetupWizard::AskInterrupt() {
    return AskYesNo(context_.prompter, res::setup::str::kInterruptQuestion, Icon::Question,
                    Answer::Yes);
}

void SetupWizard::reject() {
    if (currentId() == Finished) {
        // The installation succeeded: closing its last page is no cancel.
        DiscardSetAsideFiles(context_.state);
        QWizard::reject();
        return;
    }
    if (currentId() <= Folder) {
        if (AskInterrupt()) {
            QWizard::reject();
        }
        return;
    }
    copying_->PauseSteps();
    if (RollbackInstallation(context_.state, context_.paths, context_.registry,
                             context_.prompter)) {
        rolledBack_ = true;
        QWizard::reject();
        return;
    }
    copying_->ResumeSteps();
}

void SetupWizard::ShowReadme() {
    const std::string readme =
        WithTrailingSlash(context_.state.sourceFolder) + std::string(kReadme);
    if (context_.launcher.OpenDocument(QString::fromStdString(readme))) {
        return;
    }
    Message failure;
    failure.textId = res::setup::str::kReadmeNotOpened;
    failure.text = text::setup::FormatText<res::setup::str::kReadmeNotOpened>(readme);
    failure.captionId = res::setup::str::kCaptionError;
    failure.icon = Icon::Exclamation;
    context_.prompter.Ask(failure);
}

void SetupWizard::accept() {
    const QString folder = QString::fromStdString(context_.state.installFolder);
    if (finish_->RunProgram()) {
        context_.launcher.StartProgram(folder + QString::fromUtf8(kMainProgram), folder);
    }
    if (finish_->ViewReadme()) {
        ShowReadme();
    }
    DiscardSetAsideFiles(context_.state);
    QWizard::accept();
}

}  // namespace tsrn::setup
