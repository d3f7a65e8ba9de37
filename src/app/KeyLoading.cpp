#include "app/KeyLoading.h"

#include "crypto/KeyDerivation.h"

namespace tsrn::app {

void LoadKey(driver::DriverLink& driver, std::string_view password) {
    crypto::KeySlots::Instance().DeriveKey(password, crypto::KeySlot::Current);
    driver.SetPassword(password);  // the design does not examine the answer
}

}  // namespace tsrn::app
