#pragma once
// What the folder protection dialog (150) does to the selected record: its
// ciphering button switches the folder on or off at once; OK stores the new
// prohibitions and description and sends the state to the driver.

#include <cstddef>
#include <cstdint>
#include <string>

#include "folders/FolderRecord.h"
#include "folders/ProtectedFolders.h"
#include "view/DialogStates.h"

namespace tsrn::view {

class ProtectionEdit {
  public:
    ProtectionEdit(folders::ProtectedFolders& folders, std::size_t position);

    std::size_t Position() const { return position_; }
    // The record as it was when the edit began.
    const folders::FolderRecord& Original() const { return original_; }

    // The ciphering button: stop when the state copied at opening is working,
    // otherwise start.
    void SwitchCiphering();
    // OK: the record keeps its current cipher state with the new
    // prohibitions and description; the state goes to the driver.
    void Apply(const Prohibitions& prohibitions, std::string description);

  private:
    folders::ProtectedFolders& folders_;
    std::size_t position_;
    folders::FolderRecord original_;
};

}  // namespace tsrn::view
