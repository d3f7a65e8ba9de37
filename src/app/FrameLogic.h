#pragma once
// The main window's decisions that do not depend on widgets: locking and
// unlocking with the count of refused attempts, the first unlock after a
// service start (key loading), and the destroy step.

#include <filesystem>
#include <functional>

#include "app/FrameRules.h"
#include "app/StartupPorts.h"
#include "app/ViewPort.h"
#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "platform/Prompter.h"
#include "registry/RegistryStore.h"

namespace tsrn::app {

struct FramePorts {
    Prompter& prompter;
    PasswordPrompts& passwords;
    registry::RegistryStore& store;
    driver::DriverLink& driver;
    std::filesystem::path currentDirectory;
};

enum class UnlockResult { Cancelled, Refused, Unlocked };

class FrameLogic {
  public:
    FrameLogic(folders::AppState& state, FramePorts ports);

    // The list view, once it exists; may stay null (nothing to resend then).
    void SetView(ViewPort* view) { view_ = view; }
    // Runs once the key of the password in force is loaded at the first
    // unlock after a service start (the shell offers unfinished runs then).
    void SetKeyLoadedHook(std::function<void()> hook) { keyLoadedHook_ = std::move(hook); }

    // Frame creation: unlocked, no refused attempts yet.
    void Created();
    void Lock();
    // Asks for the password and unlocks when it is right. `switchMenus` runs
    // before the count of refused attempts is reported.
    UnlockResult Unlock(const std::function<void()>& switchMenus);

    bool Unlocked() const;

    // Once a second: true the first time the driver is found lost (exited,
    // killed, its channel broken).
    bool DriverLostNow();
    bool DriverDown() const { return driverDown_; }
    std::string DriverLossReason() const { return ports_.driver.LossReason(); }
    // Says that the driver stopped and why, and offers to start it again:
    // then the password in force (when the key was loaded), the start
    // request, every folder with its own state and the global word. True
    // when the driver runs again.
    bool OfferDriverRestart();
    bool RestartDriver();
    // Refuses while locked. Otherwise closes the driver and, outside a
    // list-file run, saves the placement and the password's check word.
    bool Destroy(const Rect& windowRect);

  private:
    enum class Check { Cancelled, Wrong, WrongInstallation, Right };
    Check CheckPassword(std::string& password);
    Check CheckAgainstStoredValue(std::uint32_t stored, std::string& password);
    Check RunMissingPasswordProcedure(std::string& password);
    void SavePlacementAndCheckWord(const Rect& windowRect);

    folders::AppState& state_;
    FramePorts ports_;
    ViewPort* view_ = nullptr;
    std::function<void()> keyLoadedHook_;
    bool driverDown_ = false;
};

}  // namespace tsrn::app
