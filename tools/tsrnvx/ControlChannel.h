#pragma once
// The driver's end of the control socket: the hello, then request frames in
// and one reply frame out per request.

#include <optional>
#include <string>

#include "driver/DriverProtocol.h"

namespace tsrn::vx {

class ControlChannel {
  public:
    explicit ControlChannel(int fd) : fd_(fd) {}

    [[nodiscard]] bool SendHello();
    enum class Status { Request, Closed, Broken };
    // Blocks until a whole request has arrived. Broken means the peer must be
    // dropped (wrong magic, text over the cap, a frame cut short).
    [[nodiscard]] Status Receive(driver::wire::RequestHeader& header,
                                 std::optional<std::string>& text);
    [[nodiscard]] bool SendReply(const driver::wire::Reply& reply);

  private:
    enum class ReadResult { Done, Closed, Failed };
    [[nodiscard]] ReadResult ReadExactly(void* buffer, std::size_t size);
    [[nodiscard]] bool WriteAll(const void* buffer, std::size_t size);

    int fd_;
};

}  // namespace tsrn::vx
