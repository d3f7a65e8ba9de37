#pragma once
// A real tsrnvx started through the program's own DriverClient, for tests
// that mount. Closing (or destroying) the session closes the control socket,
// which must leave no mount behind.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "driver/DriverClient.h"

namespace tsrn::vx::test {

inline constexpr const char* kPassword = "vx-test-password";

// Why mounts cannot be tested here, or empty when they can.
std::string MountUnavailableReason();
// Mount points at or below `path` in this process's mount table.
std::vector<std::string> MountsBelow(const std::filesystem::path& path);

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

std::vector<std::uint8_t> ReadRaw(const std::filesystem::path& file);
void WriteRaw(const std::filesystem::path& file, const std::string& bytes);

}  // namespace tsrn::vx::test
