#include "app/StartupSequence.h"

#include "app/AppIds.h"
#include "app/CommandLine.h"
#include "app/InstallationPassword.h"
#include "app/KeyLoading.h"
#include "app/Messages.h"
#include "crypto/KeyDerivation.h"
#include "resources/StringTable.h"

namespace tsrn::app {

StartupOutcome StartupSequence::Run(std::string_view commandLine) {
    StartupOutcome outcome;
    if (ports_.instances.SignalRunningInstance())
        return outcome;

    const CommandLineSwitches switches = ParseCommandLine(commandLine);
    outcome.listFileMode = switches.listFileMode;
    outcome.listFilePath = switches.listFilePath;
    bool service = switches.service;
    const bool shift = ports_.keyboard.ShiftDown();

    PasswordResult password;
    if (shift || !service) {
        password = AskPassword(shift, switches.listFileMode);
        if (password.endStartup)
            return outcome;
        if (password.serviceCleared)
            service = false;
    }

    // The prompts may have taken a while: another copy may have started since,
    // or be starting right now.
    if (!ports_.instances.Claim())
        return outcome;

    // Nothing derived from a refused, cancelled or missing password may reach
    // the driver: such a start runs hidden and locked.
    if (password.verified)
        outcome.currentPassword = password.password;
    if (!StartDriver(outcome, !service && password.verified))
        return outcome;
    outcome.startLocked = service || !password.verified;
    outcome.run = true;
    return outcome;
}

StartupSequence::PasswordResult StartupSequence::AskPassword(bool shift, bool listFileMode) {
    if (const auto stored = ReadStoredCheckValue(ports_.store)) {
        return AskStoredPassword(*stored, shift, listFileMode);
    }
    if (!InstallationRecorded(ports_.store))
        return AskFirstPassword(shift, listFileMode);
    return AskMissingPassword(shift);
}

StartupSequence::PasswordResult StartupSequence::AskFirstPassword(bool shift, bool listFileMode) {
    ShowMessage(ports_.prompter, res::str::kFirstPasswordNote,
                std::string(text::Text(res::str::kFirstPasswordNote)), res::str::kAppTitle,
                Icon::Information);
    const auto first = ports_.passwords.AskUnlock(false);
    if (!first)
        return Refused(shift);
    const auto again = ports_.passwords.AskUnlock(false);
    if (!again)
        return Refused(shift);
    if (*again != *first) {
        ShowError(ports_.prompter, res::str::kFirstPasswordMismatch);
        return Refused(shift);
    }
    // Stored at once: a crash before the exit's save must not leave folders
    // enciphered under a password no later start asks for.
    if (!listFileMode)
        StorePasswordCheckValue(ports_.store, *first);
    PasswordResult result;
    result.verified = true;
    result.serviceCleared = true;
    result.password = *first;
    return result;
}

StartupSequence::PasswordResult StartupSequence::AskStoredPassword(std::uint32_t stored, bool shift,
                                                                   bool listFileMode) {
    const auto typed = ports_.passwords.AskUnlock(false);
    if (!typed)
        return Refused(shift);
    // No key comes from a longer password, whatever its check word.
    if (!crypto::PasswordLengthAllowed(*typed) ||
        crypto::StoredCheckWord(*typed) != (stored & 0xFFFFu)) {
        ShowError(ports_.prompter, ids::kTextWrongPassword);
        return Refused(shift);
    }
    PasswordResult result;
    result.verified = true;
    result.serviceCleared = true;
    result.password = *typed;
    if (listFileMode) {
        // The temporary password for ciphering the list file's folders.
        if (const auto temporary = ports_.passwords.AskUnlock(true)) {
            if (!crypto::PasswordLengthAllowed(*temporary)) {
                ShowError(ports_.prompter, ids::kTextWrongPassword);
                return Refused(shift);
            }
            result.password = *temporary;
        } else if (!shift) {
            result.endStartup = true;
        }
    }
    return result;
}

StartupSequence::PasswordResult StartupSequence::AskMissingPassword(bool shift) {
    const auto answer = ports_.passwords.AskMissingPassword();
    if (!answer)
        return Refused(shift);
    if (!InstallationPasswordMatches(ports_.store, answer->installationPassword,
                                     ports_.currentDirectory)) {
        ShowError(ports_.prompter, ids::kTextWrongInstallationPassword);
        return Refused(shift);
    }
    if (!crypto::PasswordLengthAllowed(answer->newPassword)) {
        ShowError(ports_.prompter, ids::kTextWrongPassword);
        return Refused(shift);
    }
    PasswordResult result;
    result.verified = true;
    result.password = answer->newPassword;
    return result;
}

StartupSequence::PasswordResult StartupSequence::Refused(bool shift) {
    PasswordResult result;
    result.endStartup = !shift;  // with Shift held start-up goes on unverified
    return result;
}

bool StartupSequence::StartDriver(StartupOutcome& outcome, bool loadKey) {
    if (!ports_.driver.Open()) {
        ShowError(ports_.prompter, ids::kTextDriverLoadError);
        return false;
    }
    if (loadKey)
        outcome.keyLoaded = LoadKey(ports_.driver, outcome.currentPassword);
    if (!ports_.driver.InitializeDriver()) {
        ShowError(ports_.prompter, ids::kTextDriverInitError);
        ports_.driver.Close();
        return false;
    }
    return true;
}

}  // namespace tsrn::app
