#include "app/gui/DialogPasswordPrompts.h"

#include "app/gui/MissingPasswordDialog.h"
#include "app/gui/UnlockDialog.h"

namespace tsrn::app {

std::optional<std::string> DialogPasswordPrompts::AskUnlock(bool showTemporaryNote) {
    UnlockDialog dialog(showTemporaryNote ? 0 : 1, owner_.data());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Password().toStdString();
}

std::optional<MissingPasswordAnswer> DialogPasswordPrompts::AskMissingPassword() {
    MissingPasswordDialog dialog(help_, owner_.data());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return MissingPasswordAnswer{dialog.InstallationPassword().toStdString(),
                                 dialog.NewPassword().toStdString()};
}

}  // namespace tsrn::app
