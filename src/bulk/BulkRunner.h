#pragma once
// Runs one bulk run over a folder tree to its end: the GUI shows the progress
// dialog, the command line and tests drive the run in a loop. Returns IDOK
// only when every file was processed (kIdOk), otherwise kIdCancel.

#include <string>

#include "bulk/CipherMode.h"

namespace tsrn::bulk {

class BulkRunner {
  public:
    virtual ~BulkRunner() = default;
    [[nodiscard]] virtual int Run(const std::string& folder, CipherMode mode) = 0;
};

}  // namespace tsrn::bulk
