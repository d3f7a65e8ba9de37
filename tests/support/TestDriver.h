#pragma once
// An in-process driver for unit tests of everything that talks to the driver:
// it records every request in order and answers as told. Unless told
// otherwise it accepts every request with the answer word 0. A request whose
// text could not travel on the real channel (a NUL, longer than the cap) fails
// the call here too. The link starts open.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "driver/DriverLink.h"

namespace tsrn::driver {
void PrintTo(const Request& request, std::ostream* os);
}  // namespace tsrn::driver

namespace tsrn::test {

class TestDriver : public driver::DriverLink {
  public:
    struct Response {
        enum class Kind { Answer, FailCall, LeaveUntouched };
        Kind kind = Kind::Answer;
        std::uint32_t word = 0;
    };
    static Response Accept(std::uint32_t word = 0) { return {Response::Kind::Answer, word}; }
    static Response Refuse(std::uint32_t word = 1) { return {Response::Kind::Answer, word}; }
    static Response FailCall() { return {Response::Kind::FailCall, 0}; }
    static Response LeaveUntouched() { return {Response::Kind::LeaveUntouched, 0}; }

    TestDriver() = default;

    // The next request (of any code) gets this response; queued in order and
    // used before any rule.
    TestDriver& Next(Response response);
    // Every request of `code` (for one slot: the in-size scalar) gets this.
    // A slot rule wins over a code rule; a later rule replaces an earlier one.
    TestDriver& On(driver::RequestCode code, Response response);
    TestDriver& On(driver::RequestCode code, std::uint32_t slot, Response response);
    TestDriver& FailOpen() {
        openSucceeds_ = false;
        return *this;
    }

    bool Open() override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    // The driver dies: the link closes and counts as lost.
    void Die(std::string reason) {
        open_ = false;
        lost_ = true;
        reason_ = std::move(reason);
    }
    bool CheckLost() override { return lost_; }
    std::string LossReason() const override { return reason_; }
    bool Restart() override {
        ++restarts;
        if (!restartSucceeds)
            return false;
        open_ = true;
        lost_ = false;
        return true;
    }
    int restarts = 0;
    bool restartSucceeds = true;

    const std::vector<driver::Request>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }

  protected:
    bool Transact(const driver::Request& request, std::uint32_t& answer) override;

  private:
    Response ResponseFor(const driver::Request& request);

    bool open_ = true;
    bool lost_ = false;
    std::string reason_;
    bool openSucceeds_ = true;
    std::deque<Response> next_;
    std::map<std::pair<driver::RequestCode, std::optional<std::uint32_t>>, Response> rules_;
    std::vector<driver::Request> requests_;
};

// Shorthands for expected request sequences.
namespace req {
driver::Request QueryOpenFiles(std::uint32_t slot);
driver::Request InitializeDriver();
driver::Request SetFolderPath(std::string path, std::uint32_t slot, std::uint32_t state);
driver::Request SetFolderShortPath(std::string path, std::uint32_t slot, std::uint32_t state);
driver::Request ClearFolderPath(std::uint32_t slot);
driver::Request ClearFolderShortPath(std::uint32_t slot);
driver::Request SetFolderState(std::uint32_t slot, std::uint32_t state);
driver::Request SetGlobalProtection(std::uint32_t word);
driver::Request SetPassword(std::string password);
}  // namespace req

}  // namespace tsrn::test
