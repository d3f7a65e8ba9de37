#include "FolderPage.h"

#include <sys/stat.h>

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/DialogTexts.h"
#include "resources/StringTable.h"
#include "setup/FolderGuard.h"

namespace tsrn::setup {

FolderPage::FolderPage(SetupContext& context, QWidget* parent)
    : QWizardPage(parent), context_(context), folderEdit_(new QLineEdit(this)) {
    setObjectName(QString::number(res::setup::dlg::kFolderChoice));
    setTitle(QString::fromUtf8(text::setup::Text(res::setup::str::kFolderChoiceCaption)));
    folderEdit_->setObjectName(QString::number(res::setup::ctl::kInstallFolder));
    auto* choose =
        new QPushButton(QString::fromUtf8(text::setup::ControlText(res::setup::dlg::kFolderChoice,
                                                                   res::setup::ctl::kChooseFolder)),
                        this);
    choose->setObjectName(QString::number(res::setup::ctl::kChooseFolder));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, &FolderPage::ChooseFolder);

    auto* prompt = new QLabel(QString::fromUtf8(text::setup::label::kChooseFolder), this);
    prompt->setAlignment(Qt::AlignCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(folderEdit_, 1);
    row->addWidget(choose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(row);
}

void FolderPage::initializePage() {
    if (shown_) {
        return;
    }
    shown_ = true;
    const QString folder = QString::fromStdString(DefaultInstallFolder().string());
    folderEdit_->setText(folder);
    context_.state.installFolder = folder.toStdString();
}

void FolderPage::ChooseFolder() {
    auto chosen = context_.folderChooser.ChooseFolder(
        this, QString::fromUtf8(text::setup::Text(res::setup::str::kChooseFolderTitle)),
        folderEdit_->text());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    const std::string path = chosen->toStdString();
    if (!QDir(*chosen).exists()) {
        Message question;
        question.textId = res::setup::str::kCreateFolderQuestion;
        question.text = text::setup::FormatText<res::setup::str::kCreateFolderQuestion>(path);
        question.buttons = Buttons::YesNo;
        question.icon = Icon::Question;
        question.defaultButton = Answer::Yes;
        if (context_.prompter.Ask(question) != Answer::Yes) {
            return;
        }
        mkdir(path.c_str(), 0755);  // one level, as chosen
    }
    folderEdit_->setText(*chosen);
    context_.state.installFolder = path;
}

bool FolderPage::validatePage() {
    const std::string typed = folderEdit_->text().toStdString();
    const FolderCheck check = CheckInstallFolder(typed, context_.paths, context_.registry);
    if (check.verdict != FolderVerdict::Accepted) {
        Message refusal;
        refusal.textId = RefusalTextId(check.verdict);
        refusal.text = RefusalText(check.verdict, check.folder.empty() ? typed : check.folder);
        refusal.captionId = res::setup::str::kCaptionError;
        refusal.icon = Icon::Exclamation;
        context_.prompter.Ask(refusal);
        folderEdit_->setFocus();
        return false;
    }
    context_.state.installFolder = check.folder;
    return true;
}

}  // namespace tsrn::setup
