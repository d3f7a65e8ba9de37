#pragma once
// The change-password command as the folder list window runs it: ask for the
// new password with the window's dialog, then hand it to the password change
// of the core, whose reciphering passes run through the window's ciphering
// dialog.

#include <functional>

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/FolderList.h"
#include "password/PasswordPorts.h"
#include "platform/Prompter.h"
#include "registry/RegistryStore.h"
#include "view/ViewDialogs.h"

namespace tsrn::view {

class PasswordChange {
  public:
    PasswordChange(folders::AppState& state, registry::RegistryStore& store,
                   driver::DriverLink& driver, Prompter& prompter, ViewDialogs& dialogs,
                   folders::FolderList& list);

    void Run();
    // Runs `work` with the ports the change itself uses.
    void WithPorts(const std::function<void(password::PasswordPorts&)>& work);

  private:
    folders::AppState& state_;
    registry::RegistryStore& store_;
    driver::DriverLink& driver_;
    Prompter& prompter_;
    ViewDialogs& dialogs_;
    folders::FolderList& list_;
};

}  // namespace tsrn::view
