#pragma once
// What a recovery tells the person on its way, before its end is known: the
// program shows message boxes, tsrnctl writes to the terminal.

#include <string>

#include "journal/RunRecovery.h"

namespace tsrn::runsafety {

class RecoveryReport {
  public:
    virtual ~RecoveryReport() = default;

    // Files gone since the run, or found changed outside it (never written).
    virtual void FilesLeftAlone(const journal::RecoveryResult& result) = 0;
    // The files could not be brought to one state; the journal is kept.
    virtual void NotRecovered(const std::string& error) = 0;
    // The files done are sure, but the rest of the run cannot be started.
    virtual void NotContinued() = 0;
};

}  // namespace tsrn::runsafety
