#include "app/gui/DialogParts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui/ShellTexts.h"
#include "crypto/KeyDerivation.h"
#include "edits/Utf8ByteValidator.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {

QLineEdit* MakePasswordEdit(const QString& objectName, QWidget* parent, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(maxLength);
    // A key can be derived from at most this many bytes, whatever the characters.
    edits::LimitUtf8Bytes(edit, crypto::kMaxPasswordLength);
    return edit;
}

QDialogButtonBox* MakeOkCancel(QDialog* dialog, int dialogId, bool withHelp) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok =
        buttons->addButton(ControlLabel(dialogId, res::ctl::kOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QString::number(res::ctl::kOk));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(ControlLabel(dialogId, res::ctl::kCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QString::number(res::ctl::kCancel));
    if (withHelp) {
        QPushButton* help =
            buttons->addButton(ControlLabel(dialogId, res::ctl::kHelp), QDialogButtonBox::HelpRole);
        help->setObjectName(QString::number(res::ctl::kHelp));
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace tsrn::app
