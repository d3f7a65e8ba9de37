#include "password/ChangePasswordRules.h"

#include "crypto/KeyDerivation.h"

namespace tsrn::password {

OkAction ChangePasswordOk(std::string_view newPassword, std::string_view repeat,
                          PasswordField focus) {
    if (newPassword.empty()) {
        return OkAction::FocusNew;
    }
    if (focus == PasswordField::NewPassword || repeat.empty()) {
        return OkAction::FocusRepeat;
    }
    if (newPassword != repeat || !crypto::PasswordLengthAllowed(newPassword)) {
        return OkAction::Refuse;
    }
    return OkAction::Accept;
}

}  // namespace tsrn::password
