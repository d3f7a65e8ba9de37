#include "app/KeyLoading.h"

#include "crypto/KeyDerivation.h"

namespace tsrn::app {

bool LoadKey(driver::DriverLink& driver, std::string_view password) {
    // A password the slot refuses must not leave another one's key in force.
    if (!crypto::KeySlots::Instance().DeriveKey(password, crypto::KeySlot::Current)) {
        crypto::KeySlots::Instance().Clear();
        return false;
    }
    // The length passed the slot; a driver that still does not take it is lost,
    // and its restart loads the key again.
    (void)driver.SetPassword(password);
    return true;
}

}  // namespace tsrn::app
