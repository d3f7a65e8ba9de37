#pragma once
// A password change left unfinished (the program stopped, or a reciphering
// failed, before the new password was put in force) at the next start, once
// the unfinished runs have been offered. With the new password in force the
// change had ended and its record goes. With the old one in force the user
// takes the reciphered folders back, finishes the change, or leaves it for
// later; both need the new password, checked against the record before
// anything is written. A folder whose own run is still unfinished, or whose
// state no journal tells, holds the change back.

#include <filesystem>
#include <string>
#include <vector>

#include "crypto/Cipher.h"
#include "journal/PasswordChangeRecord.h"
#include "password/PasswordPorts.h"
#include "runsafety/RecoveryPorts.h"
#include "runsafety/StartupRecovery.h"

namespace tsrn::password {

enum class ChangeFate {
    NoRecord,       // nothing was left
    Completed,      // the new password was in force: the record was dropped
    NothingDone,    // no folder had reached the new key: the record was dropped
    TakenBack,      // every reciphered folder is under the password in force again
    Finished,       // the other folders reciphered, the new password in force
    Later,          // left for later; the record is kept
    Blocked,        // a folder's run unfinished or its state unknown; kept
    OtherPassword,  // the record belongs to other passwords; kept
    WrongPassword,  // the new password typed was not the change's; kept
    Unreadable,     // the record cannot be read; kept
    Failed,         // a run or the record failed; kept
};

class ChangeRecovery {
  public:
    // The record is looked for in ports.changeRecordDirectory, else in the
    // run journals' folder.
    ChangeRecovery(PasswordPorts& ports, runsafety::RecoveryPorts& asks);

    // `offered`: what the start-up recovery did with the unfinished runs.
    [[nodiscard]] ChangeFate Run(const crypto::CipherKey& keyInForce,
                                 const std::vector<runsafety::OfferedRun>& offered);
    // Right after a change that was not installed: the same offer, with the
    // new password already known (still checked against the record).
    [[nodiscard]] ChangeFate OfferNow(const crypto::CipherKey& keyInForce,
                                      const std::string& newPassword);

  private:
    [[nodiscard]] ChangeFate Settle(const crypto::CipherKey& keyInForce,
                                    const std::vector<runsafety::OfferedRun>& offered);
    [[nodiscard]] std::optional<journal::ChangeKey> Resolve(
        const journal::ChangeFolder& folder, const crypto::CipherKey& keyInForce,
        const std::vector<runsafety::OfferedRun>& offered, bool& pending) const;
    [[nodiscard]] ChangeFate RunWith(const crypto::CipherKey& keyInForce,
                                     const std::vector<runsafety::OfferedRun>& offered,
                                     const std::optional<std::string>& newPassword);
    [[nodiscard]] ChangeFate Offer(const crypto::CipherKey& keyInForce,
                                   const std::optional<std::string>& newPassword);
    [[nodiscard]] ChangeFate TakeBack(const crypto::CipherKey& oldKey,
                                      const crypto::CipherKey& newKey);
    [[nodiscard]] ChangeFate Finish(const std::string& newPassword);
    [[nodiscard]] bool RunBack(const std::string& folder, const bulk::KeyPair& keys);
    std::vector<std::string> FoldersUnder(journal::ChangeKey key) const;
    [[nodiscard]] ChangeFate Kept(ChangeFate fate);
    std::string RecordPath() const;

    PasswordPorts& ports_;
    runsafety::RecoveryPorts& asks_;
    std::filesystem::path directory_;
    journal::PasswordChangeRecord record_;
};

}  // namespace tsrn::password
