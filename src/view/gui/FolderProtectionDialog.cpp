#include "view/gui/FolderProtectionDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include "edits/Utf8ByteValidator.h"
#include "registry/RegistryStore.h"

#include "app/gui/ShellTexts.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"
#include "view/ProtectionEdit.h"

namespace tsrn::view {

namespace ctl = res::ctl;
constexpr int kDialog = res::dlg::kFolderProtection;

namespace {
QLineEdit* ReadOnlyEdit(int id, const std::string& textValue, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(textValue), parent);
    edit->setObjectName(ControlName(id));
    edit->setReadOnly(true);
    edit->setMinimumWidth(360);
    return edit;
}
}  // namespace

FolderProtectionDialog::FolderProtectionDialog(ProtectionEdit& edit, QWidget* parent)
    : QDialog(parent), edit_(edit) {
    setObjectName(QString::number(kDialog));
    setWindowTitle(app::CaptionText(kDialog));
    const folders::FolderRecord& record = edit.Original();
    auto* layout = new QGridLayout(this);

    layout->addWidget(new QLabel(app::ToQString(text::label::kProtectionLongName), this), 0, 0);
    layout->addWidget(ReadOnlyEdit(ctl::kLongPath, record.longPath, this), 0, 1);
    layout->addWidget(new QLabel(app::ToQString(text::label::kProtectionShortName), this), 1, 0);
    layout->addWidget(ReadOnlyEdit(ctl::kShortPath, record.shortPath, this), 1, 1);
    layout->addWidget(new QLabel(app::ToQString(text::label::kDescription), this), 2, 0);
    description_ = new QLineEdit(this);
    description_->setObjectName(ControlName(ctl::kDescription));
    description_->setMaxLength(kDescriptionLimit);
    // Longer texts would not be read back from the registry.
    edits::LimitUtf8Bytes(description_, registry::kMaxStringLength);
    description_->setText(QString::fromStdString(record.description));
    layout->addWidget(description_, 2, 1);

    prohibitions_ = MakeProhibitionBoxes(kDialog, this, layout, 3);
    prohibitions_.Set(ProhibitionsOf(record.state));

    auto* group = new QGroupBox(app::ToQString(text::label::kProtectionCipheringGroup), this);
    auto* groupLayout = new QHBoxLayout(group);
    const CipheringControls controls = CipheringControlsFor(record.state, record.kind);
    cipheringState_ = new QLabel(app::TableText(controls.stateTextId), group);
    cipheringState_->setObjectName(ControlName(ctl::kCipheringState));
    groupLayout->addWidget(cipheringState_, 1);
    cipheringButton_ = new QPushButton(app::TableText(controls.buttonTextId), group);
    cipheringButton_->setObjectName(ControlName(ctl::kCipheringToggle));
    cipheringButton_->setAutoDefault(false);
    cipheringButton_->setVisible(controls.buttonVisible);
    groupLayout->addWidget(cipheringButton_);
    layout->addWidget(group, 7, 0, 1, 2);
    connect(cipheringButton_, &QPushButton::clicked, this,
            &FolderProtectionDialog::SwitchCiphering);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok =
        buttons->addButton(app::ControlLabel(kDialog, ctl::kOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(ControlName(ctl::kOk));
    ok->setDefault(true);
    QPushButton* help =
        buttons->addButton(app::ControlLabel(kDialog, ctl::kHelp), QDialogButtonBox::HelpRole);
    help->setObjectName(ControlName(ctl::kHelp));
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderProtectionDialog::Apply);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(res::help::ForResource(kDialog)); });
    layout->addWidget(buttons, 8, 0, 1, 2);
    description_->setFocus();
}

void FolderProtectionDialog::SwitchCiphering() {
    edit_.SwitchCiphering();
    Apply();
}

void FolderProtectionDialog::Apply() {
    edit_.Apply(prohibitions_.Get(), description_->text().toStdString());
    accept();
}

}  // namespace tsrn::view
