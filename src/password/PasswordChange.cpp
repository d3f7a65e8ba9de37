#include "password/PasswordChange.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "crypto/KeyDerivation.h"
#include "journal/RunRecovery.h"
#include "password/ChangeRecovery.h"
#include "password/Reciphering.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "runsafety/RecoveryTexts.h"

namespace tsrn::password {

namespace {

namespace ids = res::str;

void Inform(Prompter& prompter, int textId) {
    prompter.Ask(Message{textId, std::string(text::Text(textId)), ids::kAppTitle, Buttons::Ok,
                         Icon::Information, Answer::Ok});
}

void Warn(Prompter& prompter, int textId, std::string text) {
    prompter.Ask(Message{textId, std::move(text), ids::kCaptionError, Buttons::Ok,
                         Icon::Exclamation, Answer::Ok});
}

// A change left unfinished must be taken back or finished first: a second
// one on top would recipher its folders again under a third key.
bool LeftChangeRefuses(PasswordPorts& ports) {
    if (!ports.changeRecordDirectory)
        return false;
    const journal::ChangeRecordLoad left =
        journal::PasswordChangeRecord::Load(*ports.changeRecordDirectory);
    if (!left.present)
        return false;
    Warn(ports.prompter, ids::kChangeLeftRefused,
         text::FormatText<ids::kChangeLeftRefused>(
             journal::PasswordChangeRecord::PathIn(*ports.changeRecordDirectory).string()));
    return true;
}

std::vector<std::string> FoldersUnderNewKey(const journal::ChangeRecordContents& contents) {
    std::vector<std::string> paths;
    for (const journal::ChangeFolder& folder : contents.folders) {
        if (folder.key == journal::ChangeKey::New)
            paths.push_back(folder.path);
    }
    return paths;
}

// After a change that was not installed: a record with nothing under the
// new key and no run in doubt (one whose journal is still unfinished) has
// nothing to tell and goes. True when folders are left under the new key.
bool SettleRecord(journal::PasswordChangeRecord& record) {
    if (!record.IsOpen())
        return false;
    const journal::ChangeRecordContents& contents = record.Contents();
    const bool reciphered = !FoldersUnderNewKey(contents).empty();
    const journal::RunScan scan = journal::FindUnfinishedRuns(record.Path().parent_path());
    const bool inDoubt = std::any_of(
        contents.folders.begin(), contents.folders.end(), [&](const journal::ChangeFolder& f) {
            return f.moving && (!f.ended || journal::OverlappingRun(scan, f.path) != nullptr);
        });
    std::string error;
    // One that stays holds nothing under the new key: the next start drops it.
    if (!reciphered && !inDoubt)
        (void)record.Remove(error);
    return reciphered;
}

// Folders left under a new password that is not in force cannot be read:
// taking them back or finishing is offered at once where windows allow it.
// True when the change was finished after all.
bool OfferLeftChange(const std::string& newPassword, PasswordPorts& ports) {
    const crypto::CipherKey keyInForce = crypto::KeySlots::Instance().Key(crypto::KeySlot::Current);
    if (ports.recoveryAsks != nullptr)
        return ChangeRecovery(ports, *ports.recoveryAsks).OfferNow(keyInForce, newPassword) ==
               ChangeFate::Finished;
    const journal::ChangeRecordLoad left =
        journal::PasswordChangeRecord::Load(*ports.changeRecordDirectory);
    if (left.contents)
        Warn(ports.prompter, ids::kChangeLeftBehind,
             text::FormatText<ids::kChangeLeftBehind>(
                 runsafety::PathLines(FoldersUnderNewKey(*left.contents)),
                 journal::PasswordChangeRecord::PathIn(*ports.changeRecordDirectory).string()));
    return false;
}

}  // namespace

bool StoreCheckWord(registry::RegistryStore& store, std::string_view password) {
    const std::uint16_t word = crypto::StoredCheckWord(password);
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8), 0, 0};
    return store.SetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size());
}

PasswordChangeResult ChangePassword(const std::string& newPassword, PasswordPorts& ports) {
    if (newPassword == ports.state.currentPassword) {
        Inform(ports.prompter, ids::kPasswordUnchanged);
        return PasswordChangeResult::Unchanged;
    }
    if (LeftChangeRefuses(ports))
        return PasswordChangeResult::NotInstalled;
    bool leftBehind = false;
    {
        // Held while the change runs, released before anything offers it.
        journal::PasswordChangeRecord record;
        // A password the key derivation cannot take would give a key of zeros.
        if (crypto::PasswordLengthAllowed(newPassword) &&
            RecipherFolders(newPassword, ports, record, false)) {
            InstallPassword(newPassword, ports, &record);
            return PasswordChangeResult::Installed;
        }
        leftBehind = SettleRecord(record);
    }
    Inform(ports.prompter, ids::kPasswordNotInstalled);
    if (leftBehind && OfferLeftChange(newPassword, ports))
        return PasswordChangeResult::Installed;
    return PasswordChangeResult::NotInstalled;
}

void InstallPassword(const std::string& newPassword, PasswordPorts& ports,
                     journal::PasswordChangeRecord* record) {
    bool stored = true;
    if (!ports.state.listFileMode && ports.store != nullptr) {
        stored = StoreCheckWord(*ports.store, newPassword);
    }
    ports.state.currentPassword = newPassword;
    // A driver that does not take it is lost; its restart loads currentPassword.
    (void)ports.driver.SetPassword(newPassword);
    // Its length was checked before any folder was reciphered.
    (void)crypto::KeySlots::Instance().DeriveKey(newPassword, crypto::KeySlot::Current);
    if (record != nullptr && record->IsOpen()) {
        std::string error;
        // Once the check value is on disk the next start takes the new
        // password and a record left behind would only be dropped.
        if (!stored) {
            Warn(ports.prompter, ids::kCheckWordNotStored,
                 text::FormatText<ids::kCheckWordNotStored>(record->Path().string()));
        } else {
            (void)record->Remove(error);  // one that stays is dropped at the next start
        }
    }
    Inform(ports.prompter, ids::kPasswordInstalled);
}

}  // namespace tsrn::password
