#pragma once
// A driver link that accepts every request and changes nothing: loads the
// folder list as the program would, without touching this machine.

#include "driver/DriverLink.h"

namespace tsrnctl {

class AcceptingDriver : public tsrn::driver::DriverLink {
  public:
    [[nodiscard]] bool Open() override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }

  protected:
    [[nodiscard]] bool Transact(const tsrn::driver::Request&, std::uint32_t& answer) override {
        answer = 0;
        return true;
    }
};

}  // namespace tsrnctl
