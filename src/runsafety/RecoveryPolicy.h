#pragma once
// The one way an unfinished run is brought to an end once its keys are
// known and resume or undo is chosen, at the program's start and in
// tsrnctl recover alike. A run that had ended is only made sure of, one that
// was being undone is undone, and a resumed run's rest is run to its end with
// the journal attached. The journal goes only when every file is in one state.
// What it means for a password change the run belonged to: KeyAfterRun.

#include <filesystem>
#include <optional>
#include <string>

#include "journal/JournalFormat.h"
#include "journal/PasswordChangeRecord.h"
#include "journal/RunRecovery.h"
#include "platform/Prompter.h"
#include "runsafety/RecoveryReport.h"
#include "runsafety/RecoveryWork.h"

namespace tsrn::runsafety {

enum class RunFate {
    Resumed,        // every file of the tree now in its new state
    Undone,         // every touched file back as it was
    Settled,        // the run had ended; its files were only made sure of
    Later,          // left for later; the journal is kept
    OtherPassword,  // started under another password; the journal is kept
    WrongPassword,  // the second password of a reciphering was wrong; kept
    Failed,         // could not be brought to an end; the journal is kept
};

struct RecoveryEnd {
    RunFate fate = RunFate::Failed;
    bool continued = false;  // the rest of the run was run (it told how it ended)
};

// `prompter` answers the questions of the continued run.
[[nodiscard]] RecoveryEnd RecoverRun(journal::RunRecovery& recovery, journal::RecoveryChoice choice,
                                     RecoveryWork& work, Prompter& prompter,
                                     RecoveryReport& report);

// The key a folder of a password change is under after its reciphering run
// towards `target` met `fate` (`complete`: the state a settled run had ended
// in); nothing while the run is unfinished.
[[nodiscard]] std::optional<journal::ChangeKey> KeyAfterRun(
    journal::ChangeKey target, RunFate fate, std::optional<journal::FileState> complete);

// A reciphering run of a folder that a password change left moving, recovered
// with both its keys (by tsrnctl): the change's record learns the key the
// folder is under now, so the program never reciphers it twice. True when
// there was nothing to note or it was noted.
[[nodiscard]] bool NoteInChangeRecord(const std::filesystem::path& dir,
                                      const journal::UnfinishedRun& run, const bulk::KeyPair& keys,
                                      RunFate fate, std::string& error);

}  // namespace tsrn::runsafety
