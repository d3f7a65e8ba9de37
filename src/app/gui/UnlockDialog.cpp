#include "app/gui/UnlockDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/DialogParts.h"
#include "app/gui/ShellTexts.h"

namespace tsrn::app {

UnlockDialog::UnlockDialog(int modeFlag, QWidget* parent) : QDialog(parent) {
    setObjectName("164");
    setWindowTitle(DialogText(164, 0));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* group = new QGroupBox(DialogText(164, -1), this);
    password_ = MakePasswordEdit("1025", group);
    note_ = new QLabel(DialogText(164, 1032), group);
    note_->setObjectName("1032");
    note_->setVisible(modeFlag == 0);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(password_);
    groupLayout->addWidget(note_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(MakeOkCancel(this, false));
    password_->setFocus();
    setMinimumWidth(320);
}

QString UnlockDialog::Password() const { return password_->text(); }

}  // namespace tsrn::app
