#include "app/gui/SettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <utility>

#include "app/gui/DialogParts.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/ShellTexts.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {
namespace {
constexpr int kDialogId = res::dlg::kSettings;
namespace ctl = res::ctl;
}  // namespace

SettingsDialog::SettingsDialog(SettingsLogic& logic, HelpOpener* help, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(CaptionText(kDialogId));
    const SettingsChecks& initial = logic.Initial();

    auto* global = new QGroupBox(ToQString(text::label::kSettingsGlobalGroup), this);
    auto* globalLayout = new QVBoxLayout(global);
    // FUSE serves only the listed folders: the word cannot be enforced outside
    // them, and the dialog says so beside the boxes.
    const QString notEnforced = TableText(res::str::kGlobalProtectionNotEnforced);
    for (const auto& [id, checked] : {std::pair{ctl::kForbidDeleteBox, initial.forbidDelete},
                                      std::pair{ctl::kForbidWriteBox, initial.forbidWrite},
                                      std::pair{ctl::kForbidSearchBox, initial.forbidSearch},
                                      std::pair{ctl::kForbidOpenBox, initial.forbidOpen}}) {
        QCheckBox* box = AddCheck(global, id, checked);
        box->setToolTip(notEnforced);
        globalLayout->addWidget(box);
    }
    auto* limit = new QLabel(notEnforced, global);
    limit->setObjectName(QStringLiteral("globalNotEnforced"));
    limit->setWordWrap(true);
    globalLayout->addWidget(limit);
    auto* note = new QLabel(ToQString(text::label::kSettingsGlobalNote), global);
    note->setWordWrap(true);
    globalLayout->addWidget(note);

    auto* autostart = new QGroupBox(ToQString(text::label::kSettingsAutoStartGroup), this);
    auto* autostartLayout = new QVBoxLayout(autostart);
    autostartLayout->addWidget(AddCheck(autostart, ctl::kAutostart, initial.autostart));

    auto* keys = new QGroupBox(ToQString(text::label::kSettingsKeysGroup), this);
    auto* keysLayout = new QVBoxLayout(keys);
    keysLayout->addWidget(AddCheck(keys, ctl::kEnterTogglesCiphering, initial.enterSwitches));

    QDialogButtonBox* buttons = MakeOkCancel(this, kDialogId, true);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help)
            help->ShowHelp(kDialogHelpBase + kDialogId);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(global);
    layout->addWidget(autostart);
    layout->addWidget(keys);
    layout->addWidget(buttons);
    findChild<QCheckBox*>(QString::number(ctl::kForbidDeleteBox))->setFocus();
}

QCheckBox* SettingsDialog::AddCheck(QWidget* parent, int id, bool checked) {
    auto* box = new QCheckBox(ControlLabel(kDialogId, id), parent);
    box->setObjectName(QString::number(id));
    box->setChecked(checked);
    return box;
}

SettingsChecks SettingsDialog::Checks() const {
    auto checked = [this](int id) {
        return findChild<QCheckBox*>(QString::number(id))->isChecked();
    };
    SettingsChecks checks;
    checks.forbidDelete = checked(ctl::kForbidDeleteBox);
    checks.forbidWrite = checked(ctl::kForbidWriteBox);
    checks.forbidSearch = checked(ctl::kForbidSearchBox);
    checks.forbidOpen = checked(ctl::kForbidOpenBox);
    checks.autostart = checked(ctl::kAutostart);
    checks.enterSwitches = checked(ctl::kEnterTogglesCiphering);
    return checks;
}

void SettingsDialog::accept() {
    logic_.Accept(Checks());
    QDialog::accept();
}

}  // namespace tsrn::app
