#include "setup/InstallationPassword.h"

#include "checkword/ProgramCheckWord.h"
#include "crypto/KeyDerivation.h"
#include "setup/InstallFileTable.h"
#include "setup/RegistryEntries.h"

namespace tsrn::setup {

bool StoreInstallationPassword(std::string_view password, const std::string& installFolder,
                               RegistryDatabase& registry) {
    // The main program derives its key from this password at its first start.
    if (!crypto::PasswordLengthAllowed(password)) {
        return false;
    }
    const std::uint16_t word = crypto::StoredCheckWord(password);
    const bool stored = WritePasswordCheckWord(registry, word);
    const bool written = WriteProgramCheckWord(installFolder + std::string(kMainProgram), word);
    return stored && written;
}

}  // namespace tsrn::setup
