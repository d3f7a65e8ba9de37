#pragma once
// What changing the password works with: the user, the driver, the folder
// list, the process state, a way to run a bulk run, and the settings store
// where the check value of the password in force is kept.

#include "bulk/BulkRunner.h"
#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/FolderList.h"
#include "platform/Prompter.h"

namespace tsrn {
class RegistryStore;
}

namespace tsrn::password {

struct PasswordPorts {
    Prompter& prompter;
    driver::DriverLink& driver;
    folders::FolderList& list;
    folders::AppState& state;
    bulk::BulkRunner& runs;
    RegistryStore* store = nullptr;  // null: the check value is stored nowhere
};

}  // namespace tsrn::password
