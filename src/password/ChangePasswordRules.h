#pragma once
// What the Change password dialog's OK button (and Enter in either field)
// does with the two entries: move the focus on, refuse, or accept.

#include <string_view>

#include "resources/ResourceIds.h"

namespace tsrn::password {

// The two password fields, by control id.
enum class PasswordField {
    NewPassword = res::ctl::kNewPassword,
    Repeat = res::ctl::kRepeatPassword
};

enum class OkAction {
    FocusNew,     // the first field is empty: focus into it, stay open
    FocusRepeat,  // Enter in the first field, or the second is empty
    Refuse,       // message 266 (caption 257, stop icon), focus into the first field
    Accept,       // close with IDOK; the first field's text is the new password
};

// `focus` is the field that has the focus when OK is pressed. Both fields'
// texts are selected whatever the outcome. A password longer than the key
// derivation takes is refused like two differing entries.
OkAction ChangePasswordOk(std::string_view newPassword, std::string_view repeat,
                          PasswordField focus);

}  // namespace tsrn::password
