#pragma once
// The driver link to the driver program: Open starts the program with one end
// of a socketpair as its control channel (--control-fd=N) and waits for its
// hello; every request is one frame out and one reply back (DriverProtocol.h).
// Closing the channel tells the driver to unmount everything and exit.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "driver/DriverLink.h"

namespace tsrn::driver {

struct DriverClientTimeouts {
    std::chrono::milliseconds hello{5000};
    // A live driver answers long before this; one that does not is dropped.
    std::chrono::milliseconds reply{15000};
    // How long Close lets the driver unmount before it is terminated.
    std::chrono::milliseconds exit{10000};
};

class DriverClient : public DriverLink {
  public:
    // The driver program of this installation: tsrnvx in the system folder.
    static std::filesystem::path DefaultProgram();

    explicit DriverClient(std::filesystem::path program = DefaultProgram(),
                          DriverClientTimeouts timeouts = {});
    ~DriverClient() override;
    DriverClient(const DriverClient&) = delete;
    DriverClient& operator=(const DriverClient&) = delete;

    [[nodiscard]] bool Open() override;
    void Close() override;
    bool IsOpen() const override;
    [[nodiscard]] bool CheckLost() override;
    std::string LossReason() const override { return lossReason_; }
    // Clears the mounts a killed driver left dead, then starts a new one.
    [[nodiscard]] bool Restart() override;

    // The driver's process id while it runs (0 otherwise); for diagnostics.
    pid_t DriverPid() const { return child_; }

  protected:
    [[nodiscard]] bool Transact(const Request& request, std::uint32_t& answer) override;

  private:
    [[nodiscard]] bool StartDriver();
    [[nodiscard]] bool AwaitHello();
    void DropChannel();
    void ReapDriver(std::chrono::milliseconds grace);
    // The channel failed outside a deliberate close: find out why.
    void NoteLoss();

    std::filesystem::path program_;
    DriverClientTimeouts timeouts_;
    int channel_ = -1;
    pid_t child_ = 0;
    bool opened_ = false;
    bool lost_ = false;
    std::string lossReason_;
};

}  // namespace tsrn::driver
