#pragma once
// Offers every unfinished bulk run once the password in force is known: a
// run started under another password is only reported; otherwise the user
// chooses resume, undo or later. A reciphering run needs both its keys: the
// one the password in force does not give is asked for and checked against
// the run's journal before anything is written. Files found changed outside
// the run are reported (they are never written); a journal is only ever
// removed by a recovery that brought every file to one state.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "crypto/Cipher.h"
#include "journal/RunRecovery.h"
#include "platform/Prompter.h"
#include "runsafety/RecoveryPolicy.h"
#include "runsafety/RecoveryPorts.h"

namespace tsrn::runsafety {

// What became of one unfinished run, with what identifies it.
struct OfferedRun {
    journal::JournalHeader header;
    std::optional<journal::FileState> complete;  // the state it had ended in
    RunFate fate = RunFate::Later;
};

class StartupRecovery {
  public:
    StartupRecovery(Prompter& prompter, RecoveryPorts& ports, std::filesystem::path directory = {});

    // Offers each unfinished run in turn; what became of each, in order.
    [[nodiscard]] std::vector<RunFate> Run(const crypto::CipherKey& keyInForce);
    // The runs the last Run() offered, in the same order.
    const std::vector<OfferedRun>& Offered() const { return offered_; }

  private:
    enum class KnownKey { None, Old, New };

    [[nodiscard]] RunFate Offer(const journal::UnfinishedRun& run,
                                const crypto::CipherKey& keyInForce);
    std::string Question(const journal::UnfinishedRun& run, KnownKey known) const;
    [[nodiscard]] std::optional<crypto::CipherKey> AskOtherKey(const journal::UnfinishedRun& run,
                                                               KnownKey known, RunFate& fate);
    [[nodiscard]] RunFate Recover(journal::RunRecovery& recovery, journal::RecoveryChoice choice);
    void ReportKept(const journal::UnfinishedRun& run);
    bool TakingBack(const std::string& folder) const;

    Prompter& prompter_;
    RecoveryPorts& ports_;
    std::filesystem::path directory_;
    std::vector<OfferedRun> offered_;
};

}  // namespace tsrn::runsafety
