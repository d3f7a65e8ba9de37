#pragma once
// A BulkRunner without a window: ticks the run until it has finished and
// then presses OK. Questions go to the given Prompter; keys come from the
// process's key slots at the start of each run.

#include "bulk/BulkRunner.h"
#include "bulk/RunListener.h"
#include "platform/Prompter.h"

namespace tsrn::bulk {

class LoopBulkRunner : public BulkRunner {
  public:
    explicit LoopBulkRunner(Prompter& prompter, RunListener* listener = nullptr)
        : prompter_(prompter), listener_(listener) {}

    [[nodiscard]] RunOutcome Run(const std::string& folder, CipherMode mode) override;

  private:
    Prompter& prompter_;
    RunListener* listener_;
};

}  // namespace tsrn::bulk
