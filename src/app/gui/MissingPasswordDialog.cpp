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

namespace tsrn::app {
namespace {
constexpr int kDialogId = 169;
constexpr int kEditLimit = 256;
}  // namespace

MissingPasswordDialog::MissingPasswordDialog(HelpOpener* help, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(DialogText(kDialogId, 0));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* group = new QGroupBox(DialogText(kDialogId, -1), this);
    auto* first = new QLabel(DialogText(kDialogId, -2), group);
    first->setWordWrap(true);
    installation_ = MakePasswordEdit("1031", group, kEditLimit);
    auto* second = new QLabel(DialogText(kDialogId, -3), group);
    second->setWordWrap(true);
    newPassword_ = MakePasswordEdit("1025", group, kEditLimit);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(first);
    groupLayout->addWidget(installation_);
    groupLayout->addWidget(second);
    groupLayout->addWidget(newPassword_);

    QDialogButtonBox* buttons = MakeOkCancel(this, true);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help) help->ShowHelp(kDialogHelpBase + kDialogId);
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

QString MissingPasswordDialog::InstallationPassword() const { return installation_->text(); }

QString MissingPasswordDialog::NewPassword() const { return newPassword_->text(); }

}  // namespace tsrn::app
