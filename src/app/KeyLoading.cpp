#include "app/KeyLoading.h"

#include "crypto/KeyDerivation.h"

namespace tsrn::app {

bool LoadKey(driver::DriverLink& driver, std::string_view password) {
    // A password the slot refuses must not leave another one's key in force.
    if (!crypto::KeySlots::Instance().DeriveKey(password, crypto::KeySlot::Current)) {
        crypto::KeySlots::Instance().Clear();
        return false;
    }
    driver.SetPassword(password);  // the driver's answer is not examined
    return true;
}

}  // namespace tsrn::app
