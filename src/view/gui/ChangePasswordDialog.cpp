#include "view/gui/ChangePasswordDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/DialogParts.h"
#include "app/gui/ShellTexts.h"
#include "password/ChangePasswordRules.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "view/gui/DialogHelpers.h"

namespace tsrn::view {

namespace ctl = res::ctl;
constexpr int kDialog = res::dlg::kChangePassword;

ChangePasswordDialog::ChangePasswordDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    setObjectName(QString::number(kDialog));
    setWindowTitle(app::CaptionText(kDialog));
    auto* layout = new QVBoxLayout(this);
    auto* warning = new QLabel(app::ToQString(text::label::kChangePasswordWarning), this);
    warning->setWordWrap(true);
    warning->setAlignment(Qt::AlignCenter);
    layout->addWidget(warning);
    layout->addWidget(new QLabel(app::ToQString(text::label::kChangePasswordNew), this));
    first_ = app::MakePasswordEdit(ControlName(ctl::kNewPassword), this);
    layout->addWidget(first_);
    layout->addWidget(new QLabel(app::ToQString(text::label::kChangePasswordRepeat), this));
    second_ = app::MakePasswordEdit(ControlName(ctl::kRepeatPassword), this);
    layout->addWidget(second_);

    QDialogButtonBox* buttons = app::MakeOkCancel(this, kDialog, true);
    // OK, and Enter in either field (the default button), go through the entry
    // rules instead of closing at once.
    disconnect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChangePasswordDialog::TryAccept);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(res::help::ForResource(kDialog)); });
    layout->addWidget(buttons);
    first_->setFocus();
}

void ChangePasswordDialog::TryAccept() {
    const std::string first = first_->text().toStdString();
    const std::string second = second_->text().toStdString();
    first_->selectAll();
    second_->selectAll();
    const auto focus =
        first_->hasFocus() ? password::PasswordField::NewPassword : password::PasswordField::Repeat;
    switch (password::ChangePasswordOk(first, second, focus)) {
        case password::OkAction::FocusNew:
            first_->setFocus();
            return;
        case password::OkAction::FocusRepeat:
            second_->setFocus();
            return;
        case password::OkAction::Refuse: {
            Message message;
            message.textId = res::str::kPasswordWrong;
            message.text = std::string(text::Text(message.textId));
            message.captionId = res::str::kCaptionError;
            message.icon = Icon::Stop;
            prompter_.Ask(message);
            first_->setFocus();
            return;
        }
        case password::OkAction::Accept:
            newPassword_ = first;
            accept();
            return;
    }
}

}  // namespace tsrn::view
