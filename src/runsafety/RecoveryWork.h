#pragma once
// The long work of a recovery, done where its progress can be shown: in a
// window by the program, on the terminal by tsrnctl, plainly in tests.

#include <memory>

#include "bulk/CipheringRun.h"
#include "journal/RunRecovery.h"

namespace tsrn::runsafety {

class RecoveryWork {
  public:
    virtual ~RecoveryWork() = default;

    // Brings the run's touched files to one state; long work shows progress.
    [[nodiscard]] virtual journal::RecoveryResult Recover(journal::RunRecovery& recovery,
                                                          journal::RecoveryChoice choice) = 0;
    // Drives the rest of a resumed run to its end, showing progress.
    [[nodiscard]] virtual bulk::RunOutcome FinishRun(std::unique_ptr<bulk::CipheringRun> run) = 0;
};

}  // namespace tsrn::runsafety
