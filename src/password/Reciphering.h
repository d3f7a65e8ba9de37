#pragma once
// Reciphering after a password change: the new key goes into key slot 1,
// then the user is asked folder by folder; each chosen folder is reciphered
// from the old key to the new one while the driver's ciphering of it, and of
// every listed folder overlapping it, is stopped. Returns whether the new
// password is to be installed.

#include <string_view>

#include "password/PasswordPorts.h"

namespace tsrn::password {

bool RecipherFolders(std::string_view newPassword, PasswordPorts& ports);

}  // namespace tsrn::password
