#include "runsafety/JournaledLoopRunner.h"

#include "bulk/CipheringRun.h"
#include "runsafety/RecoveryPorts.h"
#include "runsafety/RunJournalGuard.h"

namespace tsrn::runsafety {

bulk::RunOutcome JournaledLoopRunner::Run(const std::string& folder, bulk::CipherMode mode) {
    RunJournalGuard guard(prompter_, directory_);
    if (!guard.Open(folder, mode, bulk::KeysFromSlots()))
        return bulk::RunOutcome::Failed;
    bulk::RunOutcome result = bulk::RunOutcome::Failed;
    {
        bulk::CipheringRun run(folder, mode, prompter_);
        run.SetListener(listener_);
        guard.Attach(run);
        bulk::DriveToEnd(run);
        result = run.Outcome();
    }
    guard.Close();
    return result;
}

}  // namespace tsrn::runsafety
