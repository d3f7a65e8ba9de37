#pragma once
// Key loading: derive the slot-0 key from the password in force and hand the
// password to the driver. Start-up does it for a verified password, the first
// unlock after a service start does it again.

#include <string_view>

#include "driver/DriverLink.h"

namespace tsrn::app {

void LoadKey(driver::DriverLink& driver, std::string_view password);

}  // namespace tsrn::app
