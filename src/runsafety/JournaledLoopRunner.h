#pragma once
// A BulkRunner without a window whose every run keeps a journal: the
// journaled form of bulk::LoopBulkRunner (which cannot know the journal).

#include <filesystem>

#include "bulk/BulkRunner.h"
#include "bulk/RunListener.h"
#include "platform/Prompter.h"

namespace tsrn::runsafety {

class JournaledLoopRunner : public bulk::BulkRunner {
  public:
    explicit JournaledLoopRunner(Prompter& prompter, std::filesystem::path directory = {},
                                 bulk::RunListener* listener = nullptr)
        : prompter_(prompter), directory_(std::move(directory)), listener_(listener) {}

    // Keys come from the process's key slots, as for LoopBulkRunner.
    [[nodiscard]] bulk::RunOutcome Run(const std::string& folder, bulk::CipherMode mode) override;

  private:
    Prompter& prompter_;
    std::filesystem::path directory_;
    bulk::RunListener* listener_;
};

}  // namespace tsrn::runsafety
