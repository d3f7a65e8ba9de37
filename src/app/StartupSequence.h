#pragma once
// Everything start-up decides before a window exists: single instance, the
// command-line switches, the password in force, opening and starting the
// driver. The shell then builds the window shown and unlocked, or hidden and
// locked.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/StartupPorts.h"
#include "driver/DriverLink.h"
#include "platform/Prompter.h"
#include "registry/RegistryStore.h"

namespace tsrn::app {

struct StartupOutcome {
    bool run = false;             // false: end the process, everything said
    bool startLocked = false;     // hidden and locked (service start or unverified)
    bool keyLoaded = false;       // the password was handed to the driver
    std::string currentPassword;  // empty unless verified
    bool listFileMode = false;
    std::string listFilePath;
};

struct StartupPorts {
    Prompter& prompter;
    PasswordPrompts& passwords;
    InstanceChannel& instances;
    KeyboardState& keyboard;
    registry::RegistryStore& store;
    driver::DriverLink& driver;
    std::filesystem::path currentDirectory;
};

class StartupSequence {
  public:
    explicit StartupSequence(StartupPorts ports) : ports_(std::move(ports)) {}

    StartupOutcome Run(std::string_view commandLine);

  private:
    struct PasswordResult {
        bool endStartup = false;
        bool verified = false;
        bool serviceCleared = false;  // checked against "pwd"
        std::string password;
    };

    PasswordResult AskPassword(bool shift, bool listFileMode);
    PasswordResult AskStoredPassword(std::uint32_t stored, bool shift, bool listFileMode);
    PasswordResult AskMissingPassword(bool shift);
    // No installation was ever recorded: the working password is chosen,
    // entered twice.
    PasswordResult AskFirstPassword(bool shift, bool listFileMode);
    static PasswordResult Refused(bool shift);
    bool StartDriver(StartupOutcome& outcome, bool loadKey);

    StartupPorts ports_;
};

}  // namespace tsrn::app
