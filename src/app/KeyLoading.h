#pragma once
// Key loading: derive the slot-0 key from the password in force and hand the
// password to the driver. Start-up does it for a verified password, the first
// unlock after a service start does it again.

#include <string_view>

#include "driver/DriverLink.h"

namespace tsrn::app {

// False, with nothing derived and nothing sent, for a password no key can be
// derived from (longer than 252 bytes): the driver would otherwise work with
// another key than the program's.
[[nodiscard]] bool LoadKey(driver::DriverLink& driver, std::string_view password);

}  // namespace tsrn::app
