#pragma once
// A real tsrnvx started through the program's own DriverClient, for tests
// that mount. Closing (or destroying) the session closes the control socket,
// which must leave no mount behind.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "Mounts.h"
#include "driver/DriverClient.h"

namespace tsrn::vx::test {

inline constexpr const char* kPassword = "vx-test-password";

using ::tsrn::test::FuseUnavailableReason;
using ::tsrn::test::MountsBelow;
using ::tsrn::test::ReadBytes;
using ::tsrn::test::ReadText;
using ::tsrn::test::WriteText;

class VxSession {
  public:
    VxSession();
    ~VxSession();
    VxSession(const VxSession&) = delete;
    VxSession& operator=(const VxSession&) = delete;

    // Starts the driver and hands it the test password.
    bool Start();
    driver::DriverClient& Link() { return *link_; }
    // Registers a folder (its long path) in `slot`; true when accepted.
    bool Serve(std::uint32_t slot, const std::filesystem::path& folder, std::uint32_t state);
    void Stop();

  private:
    std::unique_ptr<driver::DriverClient> link_;
};

}  // namespace tsrn::vx::test
