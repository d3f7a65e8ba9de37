#include "bulk/LoopBulkRunner.h"

#include "bulk/CipheringRun.h"

namespace tsrn::bulk {

RunOutcome LoopBulkRunner::Run(const std::string& folder, CipherMode mode) {
    CipheringRun run(folder, mode, prompter_);
    run.SetListener(listener_);
    return DriveToEnd(run);
}

}  // namespace tsrn::bulk
