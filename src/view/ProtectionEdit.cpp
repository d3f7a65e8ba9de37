#include "view/ProtectionEdit.h"

#include <utility>

#include "driver/FolderState.h"

namespace tsrn::view {

namespace fs = driver::folder_state;

ProtectionEdit::ProtectionEdit(folders::ProtectedFolders& folders, std::size_t position)
    : folders_(folders), position_(position), original_(folders.List().Record(position)) {}

void ProtectionEdit::SwitchCiphering() {
    if (fs::CipherState(original_.state) == fs::kWorking)
        folders_.StopCiphering();
    else
        folders_.StartCiphering();
}

void ProtectionEdit::Apply(const Prohibitions& prohibitions, std::string description) {
    // The list may have been rebuilt by the button; the record may be gone.
    if (position_ >= folders_.List().Size())
        return;
    folders::FolderList& list = folders_.EditableList();
    list.SetState(position_, ProtectedFolderState(list.State(position_), prohibitions));
    list.SetDescription(position_, std::move(description));
    folders_.ApplyProtection();
}

}  // namespace tsrn::view
