#pragma once
// The "Change password" command after its dialog: the new password is put
// in force only when the reciphering procedure says so, and then its check
// value is stored at once, so files reciphered under it are never left
// behind a stored check value that accepts only the old password.

#include <string>

#include "journal/PasswordChangeRecord.h"
#include "password/PasswordPorts.h"

namespace tsrn::password {

enum class PasswordChangeResult {
    Unchanged,     // the password already in force (message 40019)
    Installed,     // message 40013
    NotInstalled,  // message 40015
};

// A change that fails after folders were reciphered offers at once to take
// them back or to finish (ports.recoveryAsks); Installed when it is finished.
PasswordChangeResult ChangePassword(const std::string& newPassword, PasswordPorts& ports);

// Puts `newPassword` in force once every folder is under it: check value
// stored, process state, driver, key slot. The record of the change (when
// open) goes once the check value is stored; otherwise it stays, so the next
// start, which still takes the old password, can finish the change.
void InstallPassword(const std::string& newPassword, PasswordPorts& ports,
                     journal::PasswordChangeRecord* record);

// Stores the 16-bit check word of `password` as "pwd" (4 bytes, little-endian).
[[nodiscard]] bool StoreCheckWord(registry::RegistryStore& store, std::string_view password);

}  // namespace tsrn::password
