#include "app/gui/MissingPasswordDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/DialogParts.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/ShellTexts.h"
#include "crypto/KeyDerivation.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {
namespace {
constexpr int kDialogId = res::dlg::kMissingPassword;
constexpr int kEditLimit = 256;
}  // namespace

MissingPasswordDialog::MissingPasswordDialog(HelpOpener* help, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(CaptionText(kDialogId));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* group = new QGroupBox(ToQString(text::label::kMissingPasswordGroup), this);
    auto* first = new QLabel(ToQString(text::label::kMissingPasswordExplanation), group);
    first->setWordWrap(true);
    installation_ =
        MakePasswordEdit(QString::number(res::ctl::kInstallPassword), group, kEditLimit);
    auto* second = new QLabel(ToQString(text::label::kMissingPasswordThen), group);
    second->setWordWrap(true);
    // A longer working password could not make a key.
    newPassword_ = MakePasswordEdit(QString::number(res::ctl::kPassword), group,
                                    static_cast<int>(crypto::kMaxPasswordLength));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(first);
    groupLayout->addWidget(installation_);
    groupLayout->addWidget(second);
    groupLayout->addWidget(newPassword_);

    QDialogButtonBox* buttons = MakeOkCancel(this, kDialogId, true);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help)
            help->ShowHelp(kDialogHelpBase + kDialogId);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    installation_->installEventFilter(this);
    installation_->setFocus();
    setMinimumWidth(420);
}

bool MissingPasswordDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == installation_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            newPassword_->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString MissingPasswordDialog::InstallationPassword() const {
    return installation_->text();
}

QString MissingPasswordDialog::NewPassword() const {
    return newPassword_->text();
}

}  // namespace tsrn::app
