#include "view/gui/AddFolderDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include "edits/Utf8ByteValidator.h"
#include "registry/RegistryStore.h"

#include "app/gui/DialogParts.h"
#include "app/gui/ShellTexts.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"

namespace tsrn::view {

namespace ctl = res::ctl;
constexpr int kDialog = res::dlg::kAddFolder;

AddFolderDialog::AddFolderDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialog));
    setWindowTitle(app::CaptionText(kDialog));
    auto* layout = new QGridLayout(this);

    layout->addWidget(new QLabel(app::ToQString(text::label::kAddFolderName), this), 0, 0);
    auto* folder = new QLineEdit(path, this);
    folder->setObjectName(ControlName(ctl::kFolderName));
    folder->setReadOnly(true);
    folder->setMinimumWidth(360);
    layout->addWidget(folder, 0, 1);

    layout->addWidget(new QLabel(app::ToQString(text::label::kDescription), this), 1, 0);
    description_ = new QLineEdit(this);
    description_->setObjectName(ControlName(ctl::kDescription));
    // Longer texts would not be read back from the registry.
    edits::LimitUtf8Bytes(description_, registry::kMaxStringLength);
    layout->addWidget(description_, 1, 1);

    prohibitions_ = MakeProhibitionBoxes(kDialog, this, layout, 2);
    startNow_ = new QCheckBox(app::ControlLabel(kDialog, ctl::kStartCipheringNow), this);
    startNow_->setObjectName(ControlName(ctl::kStartCipheringNow));
    layout->addWidget(startNow_, 6, 0, 1, 2);
    encipher_ = new QCheckBox(app::ControlLabel(kDialog, ctl::kProduceEnciphering), this);
    encipher_->setObjectName(ControlName(ctl::kProduceEnciphering));
    layout->addWidget(encipher_, 7, 0, 1, 2);
    // Enciphered but stopped, the folder would show its ciphertext to every
    // program and take plaintext among it; the user may still untick it.
    connect(encipher_, &QCheckBox::toggled, startNow_, [this](bool on) {
        if (on)
            startNow_->setChecked(true);
    });

    QDialogButtonBox* buttons = app::MakeOkCancel(this, kDialog, true);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(res::help::ForResource(kDialog)); });
    layout->addWidget(buttons, 8, 0, 1, 2);
    description_->setFocus();
}

AddFolderChoice AddFolderDialog::Choice() const {
    AddFolderChoice choice;
    choice.description = description_->text().toStdString();
    choice.state = AddedFolderState(prohibitions_.Get(), startNow_->isChecked());
    choice.encipher = encipher_->isChecked();
    return choice;
}

}  // namespace tsrn::view
