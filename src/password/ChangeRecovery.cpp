#include "password/ChangeRecovery.h"

#include <algorithm>
#include <memory>

#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "crypto/SecretWipe.h"
#include "journal/JournalFormat.h"
#include "journal/RunRecovery.h"
#include "password/PasswordChange.h"
#include "password/Reciphering.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "runsafety/RecoveryPolicy.h"
#include "runsafety/RecoveryTexts.h"
#include "runsafety/RunJournalGuard.h"

namespace tsrn::password {

namespace {

namespace str = res::str;
using journal::ChangeKey;

ChangeKey Opposite(ChangeKey key) {
    return key == ChangeKey::New ? ChangeKey::Old : ChangeKey::New;
}

}  // namespace

ChangeRecovery::ChangeRecovery(PasswordPorts& ports, runsafety::RecoveryPorts& asks)
    : ports_(ports),
      asks_(asks),
      directory_(ports.changeRecordDirectory.value_or(journal::JournalDirectory())) {}

std::string ChangeRecovery::RecordPath() const {
    return journal::PasswordChangeRecord::PathIn(directory_).string();
}

ChangeFate ChangeRecovery::Kept(ChangeFate fate) {
    runsafety::Inform(ports_.prompter, str::kChangeKept,
                      text::FormatText<str::kChangeKept>(RecordPath()));
    return fate;
}

std::vector<std::string> ChangeRecovery::FoldersUnder(ChangeKey key) const {
    std::vector<std::string> paths;
    for (const journal::ChangeFolder& folder : record_.Contents().folders) {
        if (folder.key == key && !folder.moving)
            paths.push_back(folder.path);
    }
    return paths;
}

ChangeFate ChangeRecovery::Run(const crypto::CipherKey& keyInForce,
                               const std::vector<runsafety::OfferedRun>& offered) {
    return RunWith(keyInForce, offered, std::nullopt);
}

ChangeFate ChangeRecovery::OfferNow(const crypto::CipherKey& keyInForce,
                                    const std::string& newPassword) {
    return RunWith(keyInForce, {}, newPassword);
}

ChangeFate ChangeRecovery::RunWith(const crypto::CipherKey& keyInForce,
                                   const std::vector<runsafety::OfferedRun>& offered,
                                   const std::optional<std::string>& newPassword) {
    const journal::ChangeRecordLoad load = journal::PasswordChangeRecord::Load(directory_);
    if (!load.present)
        return ChangeFate::NoRecord;
    if (!load.contents) {
        runsafety::Warn(ports_.prompter, str::kChangeUnreadable,
                        text::FormatText<str::kChangeUnreadable>(RecordPath(), load.error));
        return ChangeFate::Unreadable;
    }
    const journal::ChangeRecordContents& contents = *load.contents;
    const std::uint32_t identity = journal::KeyIdentity(keyInForce, contents.salt);
    std::string error;
    if (identity == contents.newKeyId) {
        // Stopped after the new password was stored: the change had ended.
        if (record_.Continue(directory_, contents, error))
            (void)record_.Remove(error);  // one that stays is dropped the same way next time
        return ChangeFate::Completed;
    }
    if (identity != contents.oldKeyId) {
        runsafety::Warn(ports_.prompter, str::kChangeOtherPassword,
                        text::FormatText<str::kChangeOtherPassword>(RecordPath()));
        return ChangeFate::OtherPassword;
    }
    if (!record_.Continue(directory_, contents, error)) {
        runsafety::Warn(ports_.prompter, str::kChangeUnreadable,
                        text::FormatText<str::kChangeUnreadable>(RecordPath(), error));
        return ChangeFate::Unreadable;
    }
    const ChangeFate settled = Settle(keyInForce, offered);
    if (settled != ChangeFate::NoRecord)
        return settled;
    return Offer(keyInForce, newPassword);
}

// The key a folder whose last run was announced is under now, learnt from
// that run's journal as the start-up recovery left it: a reciphering of the
// folder, forwards (its key in force the old key) or back (its new key the
// old key). `pending`: that run is still unfinished.
std::optional<ChangeKey> ChangeRecovery::Resolve(const journal::ChangeFolder& folder,
                                                 const crypto::CipherKey& keyInForce,
                                                 const std::vector<runsafety::OfferedRun>& offered,
                                                 bool& pending) const {
    const ChangeKey target = *folder.moving;
    for (auto run = offered.rbegin(); run != offered.rend(); ++run) {
        const journal::JournalHeader& header = run->header;
        const std::uint32_t oldKeyId = journal::KeyIdentity(keyInForce, header.salt);
        const std::uint32_t wanted =
            target == ChangeKey::New ? header.currentKeyId : header.nextKeyId;
        if (header.mode != bulk::CipherMode::Recipher || header.folder != folder.path ||
            wanted != oldKeyId)
            continue;
        const std::optional<ChangeKey> key =
            runsafety::KeyAfterRun(target, run->fate, run->complete);
        pending = !key;
        return key;
    }
    // No journal: a run that ended without OK and left none wrote nothing
    // that stayed. One that never said how it ended cannot be known.
    if (folder.ended)
        return Opposite(target);
    return std::nullopt;
}

// Notes what the journals told, then whether anything still holds the change.
// NoRecord when the change can be offered.
ChangeFate ChangeRecovery::Settle(const crypto::CipherKey& keyInForce,
                                  const std::vector<runsafety::OfferedRun>& offered) {
    std::vector<std::string> pending;
    std::vector<std::string> unknown;
    const std::vector<journal::ChangeFolder> folders = record_.Contents().folders;
    for (const journal::ChangeFolder& folder : folders) {
        if (!folder.moving)
            continue;
        bool held = false;
        const std::optional<ChangeKey> key = Resolve(folder, keyInForce, offered, held);
        std::string error;
        if (key && !record_.NoteReached(folder.path, *key, error)) {
            runsafety::Warn(ports_.prompter, str::kChangeRecordFailed,
                            text::FormatText<str::kChangeRecordFailed>(error));
            return ChangeFate::Failed;
        }
        if (!key)
            (held ? pending : unknown).push_back(folder.path);
    }
    const journal::RunScan scan = journal::FindUnfinishedRuns(directory_);
    for (const journal::ChangeFolder& folder : folders) {
        if (journal::OverlappingRun(scan, folder.path) != nullptr &&
            std::find(pending.begin(), pending.end(), folder.path) == pending.end())
            pending.push_back(folder.path);
    }
    if (!pending.empty()) {
        runsafety::Warn(
            ports_.prompter, str::kChangeBlocked,
            text::FormatText<str::kChangeBlocked>(runsafety::PathLines(pending), RecordPath()));
        return ChangeFate::Blocked;
    }
    if (!unknown.empty()) {
        runsafety::Warn(ports_.prompter, str::kChangeFolderUnknown,
                        text::FormatText<str::kChangeFolderUnknown>(runsafety::PathLines(unknown),
                                                                    RecordPath()));
        return ChangeFate::Blocked;
    }
    return ChangeFate::NoRecord;
}

ChangeFate ChangeRecovery::Offer(const crypto::CipherKey& keyInForce,
                                 const std::optional<std::string>& newPassword) {
    std::string error;
    const std::vector<std::string> reciphered = FoldersUnder(ChangeKey::New);
    if (reciphered.empty()) {
        (void)record_.Remove(error);  // one that stays is dropped the same way next time
        return ChangeFate::NothingDone;
    }
    const runsafety::ChangeAnswer answer = asks_.AskChangeChoice(
        text::FormatText<str::kChangeQuestion>(runsafety::PathLines(reciphered), RecordPath()));
    if (answer == runsafety::ChangeAnswer::Later)
        return Kept(ChangeFate::Later);

    std::optional<std::string> typed = newPassword;
    if (!typed) {
        runsafety::Inform(ports_.prompter, str::kChangeAskNewPassword,
                          std::string(text::Text(str::kChangeAskNewPassword)));
        typed = asks_.AskPassword();
    }
    if (!typed)
        return Kept(ChangeFate::Later);
    const bool allowed = crypto::PasswordLengthAllowed(*typed);
    const crypto::CipherKey newKey = crypto::DeriveKey(*typed);
    if (!allowed ||
        journal::KeyIdentity(newKey, record_.Contents().salt) != record_.Contents().newKeyId) {
        crypto::WipeSecret(*typed);
        runsafety::Warn(ports_.prompter, str::kChangeWrongPassword,
                        text::FormatText<str::kChangeWrongPassword>(RecordPath()));
        return ChangeFate::WrongPassword;
    }
    const ChangeFate fate =
        answer == runsafety::ChangeAnswer::TakeBack ? TakeBack(keyInForce, newKey) : Finish(*typed);
    crypto::WipeSecret(*typed);
    return fate;
}

ChangeFate ChangeRecovery::TakeBack(const crypto::CipherKey& oldKey,
                                    const crypto::CipherKey& newKey) {
    const bulk::KeyPair back{newKey, oldKey};
    const std::vector<std::string> reciphered = FoldersUnder(ChangeKey::New);
    for (auto folder = reciphered.rbegin(); folder != reciphered.rend(); ++folder) {
        if (!RunBack(*folder, back)) {
            runsafety::Warn(ports_.prompter, str::kChangeTakeBackFailed,
                            text::FormatText<str::kChangeTakeBackFailed>(*folder, RecordPath()));
            return ChangeFate::Failed;
        }
    }
    std::string error;
    // One left behind with nothing under the new key is dropped unasked.
    (void)record_.Remove(error);
    runsafety::Inform(ports_.prompter, str::kChangeTakenBack,
                      std::string(text::Text(str::kChangeTakenBack)));
    return ChangeFate::TakenBack;
}

// One folder reciphered from the new key back to the old, journaled like any
// run, with the driver's ciphering of the folders there stopped meanwhile.
bool ChangeRecovery::RunBack(const std::string& folder, const bulk::KeyPair& keys) {
    std::string error;
    if (!record_.NoteMoving(folder, ChangeKey::Old, error)) {
        runsafety::Warn(ports_.prompter, str::kChangeRecordFailed,
                        text::FormatText<str::kChangeRecordFailed>(error));
        return false;
    }
    bool completed = false;
    asks_.WithFolderStopped(folder, [&] {
        runsafety::RunJournalGuard guard(ports_.prompter, directory_);
        if (!guard.Open(folder, bulk::CipherMode::Recipher, keys))
            return;
        auto run = std::make_unique<bulk::CipheringRun>(folder, bulk::CipherMode::Recipher,
                                                        ports_.prompter, keys);
        guard.Attach(*run);
        completed = asks_.FinishRun(std::move(run)) == bulk::RunOutcome::Completed;
        guard.Close();
    });
    const bool noted = completed ? record_.NoteReached(folder, ChangeKey::Old, error)
                                 : record_.NoteEnded(folder, error);
    if (!noted)
        runsafety::Warn(ports_.prompter, str::kChangeRecordFailed,
                        text::FormatText<str::kChangeRecordFailed>(error));
    return completed && noted;
}

ChangeFate ChangeRecovery::Finish(const std::string& newPassword) {
    if (!RecipherFolders(newPassword, ports_, record_, true)) {
        runsafety::Warn(ports_.prompter, str::kChangeNotFinished,
                        text::FormatText<str::kChangeNotFinished>(RecordPath()));
        return ChangeFate::Failed;
    }
    InstallPassword(newPassword, ports_, &record_);
    return ChangeFate::Finished;
}

}  // namespace tsrn::password
