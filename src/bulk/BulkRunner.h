#pragma once
// Runs one bulk run over a folder tree to its end: the GUI shows the progress
// dialog, the command line and tests drive the run in a loop. Completed only
// when every file was processed.

#include <string>

#include "bulk/CipherMode.h"
#include "bulk/RunOutcome.h"

namespace tsrn::bulk {

class BulkRunner {
  public:
    virtual ~BulkRunner() = default;
    [[nodiscard]] virtual RunOutcome Run(const std::string& folder, CipherMode mode) = 0;
};

}  // namespace tsrn::bulk
