#include "setup/InstallationPassword.h"

#include <array>

#include "checkword/ProgramCheckWord.h"
#include "crypto/KeyDerivation.h"
#include "registry/RegistryStore.h"
#include "resources/StringTable.h"
#include "setup/InstallFileTable.h"
#include "setup/RegistryEntries.h"
#include "setup/SetupQuestion.h"

namespace tsrn::setup {

bool PasswordInForce(registry::RegistryDatabase& registry) {
    std::array<std::uint8_t, 4> bytes{};
    registry::RegistryStore program(registry);
    return program.GetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size());
}

bool ConfirmReplacingPassword(Prompter& prompter) {
    return AskYesNo(prompter, res::setup::str::kReplacePasswordQuestion, Icon::Exclamation,
                    Answer::No);
}

bool StoreInstallationPassword(std::string_view password, const std::string& installFolder,
                               registry::RegistryDatabase& registry, bool keepPasswordInForce) {
    // The main program derives its key from this password at its first start.
    if (!crypto::PasswordLengthAllowed(password)) {
        return false;
    }
    const std::uint16_t word = crypto::StoredCheckWord(password);
    bool stored = true;
    if (!keepPasswordInForce || !PasswordInForce(registry)) {
        stored = WritePasswordCheckWord(registry, word);
    }
    const bool written = WriteProgramCheckWord(installFolder + std::string(kMainProgram), word);
    return stored && written;
}

}  // namespace tsrn::setup
