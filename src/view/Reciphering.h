#pragma once
// Reciphering after a password change: the new key goes into slot 1; the
// user is asked folder by folder, and each chosen folder's files are
// reciphered (old key to new) while the driver's ciphering of that folder and
// of every listed folder overlapping it is stopped. Returns whether the new
// password is to be put in force.

#include <cstddef>
#include <string>
#include <vector>

#include "driver/DriverLink.h"
#include "folders/ProtectedFolders.h"
#include "platform/Prompter.h"
#include "view/ViewDialogs.h"

namespace tsrn::view {

class Reciphering {
  public:
    Reciphering(folders::ProtectedFolders& folders, driver::DriverLink& driver, Prompter& prompter,
                ViewDialogs& dialogs);

    bool Run(const std::string& newPassword);

  private:
    enum class Choice { Recipher, Skip, Leave };
    Choice AskFolder(std::size_t position);
    std::vector<std::size_t> StopOverlapping(std::size_t position);
    void Restart(std::size_t position);
    void ShowError(int textId);

    folders::ProtectedFolders& folders_;
    driver::DriverLink& driver_;
    Prompter& prompter_;
    ViewDialogs& dialogs_;
    bool installed_ = true;
    int reciphered_ = 0;
    int runs_ = 0;
};

}  // namespace tsrn::view
