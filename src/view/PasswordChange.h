#pragma once
// The change-password command: ask for the new password, recipher the
// folders the user chooses, and put the new password in force only when the
// reciphering says so. Once in force its check word is stored at once, so a
// crash cannot leave reciphered files behind a stored check word that only
// accepts the old password (not in a list-file run, which stores nothing).

#include <functional>
#include <string>

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/RegistryStore.h"
#include "platform/Prompter.h"
#include "view/ViewDialogs.h"

namespace tsrn::view {

class PasswordChange {
  public:
    using Recipher = std::function<bool(const std::string& newPassword)>;

    PasswordChange(folders::AppState& state, RegistryStore& store, driver::DriverLink& driver,
                   Prompter& prompter, ViewDialogs& dialogs, Recipher recipher);

    void Run();

  private:
    void Inform(int textId);

    folders::AppState& state_;
    RegistryStore& store_;
    driver::DriverLink& driver_;
    Prompter& prompter_;
    ViewDialogs& dialogs_;
    Recipher recipher_;
};

}  // namespace tsrn::view
