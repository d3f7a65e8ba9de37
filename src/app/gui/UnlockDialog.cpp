#include "app/gui/UnlockDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/DialogParts.h"
#include "app/gui/ShellTexts.h"
#include "crypto/KeyDerivation.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {

UnlockDialog::UnlockDialog(int modeFlag, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(res::dlg::kUnlock));
    setWindowTitle(CaptionText(res::dlg::kUnlock));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* group = new QGroupBox(ToQString(text::label::kUnlockGroup), this);
    password_ = MakePasswordEdit(QString::number(res::ctl::kPassword), group,
                                 static_cast<int>(crypto::kMaxPasswordLength));
    note_ = new QLabel(ControlLabel(res::dlg::kUnlock, res::ctl::kTemporaryPasswordNote), group);
    note_->setObjectName(QString::number(res::ctl::kTemporaryPasswordNote));
    note_->setVisible(modeFlag == 0);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(password_);
    groupLayout->addWidget(note_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(MakeOkCancel(this, res::dlg::kUnlock, false));
    password_->setFocus();
    setMinimumWidth(320);
}

QString UnlockDialog::Password() const {
    return password_->text();
}

}  // namespace tsrn::app
