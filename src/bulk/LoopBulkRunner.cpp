#include "bulk/LoopBulkRunner.h"

#include "bulk/CipheringRun.h"

namespace tsrn::bulk {

RunOutcome LoopBulkRunner::Run(const std::string& folder, CipherMode mode) {
    CipheringRun run(folder, mode, prompter_);
    run.SetListener(listener_);
    while (!run.Ended()) {
        if (run.Finished()) {
            run.PressButton();
        } else {
            run.Tick();
        }
    }
    return run.Outcome();
}

}  // namespace tsrn::bulk
