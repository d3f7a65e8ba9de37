#include "view/PasswordChange.h"

#include <array>
#include <cstdint>

#include "crypto/KeyDerivation.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::view {

namespace str = res::str;

namespace {
constexpr std::string_view kCheckWordName = "pwd";
}  // namespace

PasswordChange::PasswordChange(folders::AppState& state, RegistryStore& store,
                               driver::DriverLink& driver, Prompter& prompter, ViewDialogs& dialogs,
                               Recipher recipher)
    : state_(state),
      store_(store),
      driver_(driver),
      prompter_(prompter),
      dialogs_(dialogs),
      recipher_(std::move(recipher)) {}

void PasswordChange::Inform(int textId) {
    Message message;
    message.textId = textId;
    message.text = std::string(text::Text(textId));
    message.captionId = str::kAppTitle;
    message.icon = Icon::Information;
    prompter_.Ask(message);
}

void PasswordChange::Run() {
    const auto newPassword = dialogs_.AskNewPassword();
    if (!newPassword)
        return;
    if (*newPassword == state_.currentPassword) {
        Inform(str::kPasswordUnchanged);
        return;
    }
    if (!crypto::PasswordLengthAllowed(*newPassword) || !recipher_(*newPassword)) {
        Inform(str::kPasswordNotInstalled);
        return;
    }
    state_.currentPassword = *newPassword;
    driver_.SetPassword(state_.currentPassword);
    crypto::KeySlots::Instance().DeriveKey(state_.currentPassword, crypto::KeySlot::Current);
    if (!state_.listFileMode) {
        const std::uint16_t word = crypto::StoredCheckWord(state_.currentPassword);
        const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFFU),
                                                static_cast<std::uint8_t>(word >> 8), 0, 0};
        store_.SetBinary(kSettingsKey, kCheckWordName, bytes.data(), bytes.size());
    }
    Inform(str::kPasswordInstalled);
}

}  // namespace tsrn::view
