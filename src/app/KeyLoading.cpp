#include "app/KeyLoading.h"

#include "crypto/KeyDerivation.h"

namespace tsrn::app {

void LoadKey(driver::DriverLink& driver, std::string_view password) {
    // A password the slot refuses must not leave another one's key in force.
    if (!crypto::KeySlots::Instance().DeriveKey(password, crypto::KeySlot::Current))
        crypto::KeySlots::Instance().Clear();
    driver.SetPassword(password);  // its answer is not examined
}

}  // namespace tsrn::app
