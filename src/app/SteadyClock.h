#pragma once
// The work-time clock: whole seconds that never go back during a run.

#include <chrono>

#include "app/StartupPorts.h"

namespace tsrn::app {

class SteadyClock : public Clock {
  public:
    std::int64_t NowSeconds() override {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace tsrn::app
