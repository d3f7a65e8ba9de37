#include "password/PasswordChange.h"

#include <array>
#include <cstdint>

#include "crypto/KeyDerivation.h"
#include "folders/RegistryStore.h"
#include "password/Reciphering.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::password {

namespace {

namespace ids = res::str;

void Inform(Prompter& prompter, int textId) {
    prompter.Ask(Message{textId, std::string(text::Text(textId)), ids::kAppTitle, Buttons::Ok,
                         Icon::Information, Answer::Ok});
}

}  // namespace

bool StoreCheckWord(RegistryStore& store, std::string_view password) {
    const std::uint16_t word = crypto::StoredCheckWord(password);
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8), 0, 0};
    return store.SetBinary(kSettingsKey, "pwd", bytes.data(), bytes.size());
}

PasswordChangeResult ChangePassword(const std::string& newPassword, PasswordPorts& ports) {
    if (newPassword == ports.state.currentPassword) {
        Inform(ports.prompter, ids::kPasswordUnchanged);
        return PasswordChangeResult::Unchanged;
    }
    // A password the key derivation cannot take would give a key of zeros.
    if (!crypto::PasswordLengthAllowed(newPassword) || !RecipherFolders(newPassword, ports)) {
        Inform(ports.prompter, ids::kPasswordNotInstalled);
        return PasswordChangeResult::NotInstalled;
    }
    if (!ports.state.listFileMode && ports.store != nullptr) {
        StoreCheckWord(*ports.store, newPassword);
    }
    ports.state.currentPassword = newPassword;
    ports.driver.SetPassword(newPassword);
    crypto::KeySlots::Instance().DeriveKey(newPassword, crypto::KeySlot::Current);
    Inform(ports.prompter, ids::kPasswordInstalled);
    return PasswordChangeResult::Installed;
}

}  // namespace tsrn::password
