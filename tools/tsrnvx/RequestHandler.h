#pragma once
// Carries out the nine requests against the slot table and the mounts and
// forms each reply: word requests answer 0 when accepted and non-zero when
// refused; the three yes/no requests report a refusal as a failed call.

#include <optional>
#include <string>

#include "MountSet.h"
#include "OpenFileRegistry.h"
#include "driver/DriverProtocol.h"

namespace tsrn::vx {

class RequestHandler {
  public:
    RequestHandler(FolderTable& table, MountSet& mounts, OpenFileRegistry& openFiles)
        : table_(table), mounts_(mounts), openFiles_(openFiles) {}

    driver::wire::Reply Handle(const driver::wire::RequestHeader& header,
                               std::optional<std::string>& text);

    // Answer words of a refusal.
    static constexpr std::uint32_t kRefused = 1;

  private:
    [[nodiscard]] std::uint32_t SetPath(std::uint32_t slot, const std::optional<std::string>& text,
                                        std::uint32_t state, bool isShort);
    [[nodiscard]] std::uint32_t ClearPath(std::uint32_t slot, bool isShort);
    [[nodiscard]] std::uint32_t SetState(std::uint32_t slot, std::uint32_t state);
    [[nodiscard]] bool SetPassword(std::optional<std::string>& text);
    bool StateAcceptable(std::uint32_t state) const;

    FolderTable& table_;
    MountSet& mounts_;
    OpenFileRegistry& openFiles_;
};

}  // namespace tsrn::vx
