#pragma once
// Reciphering after a password change: the new key goes into key slot 1,
// then the user is asked folder by folder; each chosen folder is reciphered
// from the old key to the new one while the driver's ciphering of it, and of
// every listed folder overlapping it, is stopped. Returns whether the new
// password is to be installed.

#include <string_view>

#include "journal/PasswordChangeRecord.h"
#include "password/PasswordPorts.h"

namespace tsrn::password {

[[nodiscard]] bool RecipherFolders(std::string_view newPassword, PasswordPorts& ports);

// The same, noting each folder's run in `record` (created before the first
// run when it is not open yet, in ports.changeRecordDirectory). `finishing`:
// the change was begun before and is being finished: no introduction, and
// the folders the record has under the new key are passed over.
[[nodiscard]] bool RecipherFolders(std::string_view newPassword, PasswordPorts& ports,
                                   journal::PasswordChangeRecord& record, bool finishing);

}  // namespace tsrn::password
