#pragma once
// What the main window needs from the folder list view that lives inside it.
// The list view implements this; the window never reaches into the list.

#include <cstdint>
#include <functional>
#include <string>

namespace tsrn::password {
struct PasswordPorts;
}

namespace tsrn::app {

class ViewPort {
  public:
    virtual ~ViewPort() = default;

    // The number of records in the folder list (registry file entries
    // included): the driver knows them as slots 1..N.
    virtual int FolderCount() const = 0;
    // 1-based position of the selected row; 0 when none or while locked.
    virtual int SelectedPosition() const = 0;

    // Sends every folder's real state to the driver (after the first unlock
    // of a service start); marks the key as loaded.
    virtual void ResendAllStates() = 0;
    // Runs `work` with every listed folder at, above or below `folder`
    // stopped in the driver (its files are then written as they are stored),
    // and gives each its own state back afterwards. False, without running
    // `work`, when one of them could not be stopped.
    virtual bool RunWithFoldersStopped(const std::string& folder,
                                       const std::function<void()>& work) {
        (void)folder;
        work();
        return true;
    }

    // Runs `work` with what a password change works with (folder list,
    // driver, the window's ciphering passes, the settings store), then
    // refreshes the list.
    virtual void WithPasswordPorts(const std::function<void(password::PasswordPorts&)>& work) {
        (void)work;
    }

    // The settings the settings dialog edits.
    virtual std::uint32_t GlobalProtection() const = 0;
    virtual void SetGlobalProtection(std::uint32_t word) = 0;
    // Sends the global word to the driver; tells the user when it is refused.
    virtual void SendGlobalProtection() = 0;
    virtual int EnterAction() const = 0;
    virtual void SetEnterAction(int action) = 0;
    // Writes "GS" and "EnterAction" now.
    virtual void SaveSettings() = 0;

    // The driver was started anew after it was lost: registers every folder
    // with its own state and sends the global word.
    virtual void DriverRestarted() {}
};

}  // namespace tsrn::app
