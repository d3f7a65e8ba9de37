#include "PasswordPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWizard>

#include "crypto/KeyDerivation.h"
#include "edits/Utf8ByteValidator.h"
#include "resources/DialogTexts.h"
#include "resources/StringTable.h"
#include "setup/InstallFileTable.h"
#include "setup/InstallationPassword.h"

namespace tsrn::setup {

PasswordPage::PasswordPage(SetupContext& context, QWidget* parent)
    : QWizardPage(parent),
      context_(context),
      first_(new QLineEdit(this)),
      second_(new QLineEdit(this)) {
    using namespace res::setup;
    setObjectName(QString::number(dlg::kPassword));
    setTitle(QString::fromUtf8(text::setup::Text(str::kPasswordCaption)));
    first_->setObjectName(QString::number(ctl::kPassword));
    second_->setObjectName(QString::number(ctl::kPasswordAgain));
    for (QLineEdit* edit : {first_, second_}) {
        edit->setEchoMode(QLineEdit::Password);
        // The main program derives its key from this password at the first start.
        edits::LimitUtf8Bytes(edit, crypto::kMaxPasswordLength);
    }
    auto* heading = new QLabel(QString::fromUtf8(text::setup::label::kEnterInstallPassword), this);
    heading->setAlignment(Qt::AlignCenter);
    auto* layout = new QGridLayout(this);
    layout->addWidget(heading, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QString::fromUtf8(text::setup::label::kEnterPassword), this), 1,
                      0);
    layout->addWidget(first_, 1, 1);
    layout->addWidget(new QLabel(QString::fromUtf8(text::setup::label::kEnterPasswordAgain), this),
                      2, 0);
    layout->addWidget(second_, 2, 1);
    setCommitPage(true);
}

void PasswordPage::initializePage() {
    first_->setFocus();
}

bool PasswordPage::validatePage() {
    const std::string entered = first_->text().toStdString();
    const std::string repeated = second_->text().toStdString();
    first_->clear();
    second_->clear();
    if (wizard()->focusWidget() == first_) {
        second_->setFocus();
        return false;
    }
    if (entered != repeated) {
        Message mismatch;
        mismatch.textId = res::setup::str::kPasswordMismatch;
        mismatch.text = std::string(text::setup::Text(res::setup::str::kPasswordMismatch));
        mismatch.captionId = res::setup::str::kCaptionError;
        mismatch.icon = Icon::Stop;
        context_.prompter.Ask(mismatch);
        first_->setFocus();
        return false;
    }
    // Over an earlier installation the password in force stays unless the
    // user, warned, chooses to replace it.
    const bool keep =
        PasswordInForce(context_.registry) && !ConfirmReplacingPassword(context_.prompter);
    if (!StoreInstallationPassword(entered, context_.state.installFolder, context_.registry,
                                   keep)) {
        // Finishing now would leave a program that knows no password.
        Message failed;
        failed.textId = res::setup::str::kPasswordNotStored;
        failed.text = text::setup::FormatText<res::setup::str::kPasswordNotStored>(
            context_.state.installFolder + std::string(kMainProgram));
        failed.captionId = res::setup::str::kCaptionError;
        failed.icon = Icon::Stop;
        context_.prompter.Ask(failed);
        first_->setFocus();
        return false;
    }
    return true;
}

}  // namespace tsrn::setup
