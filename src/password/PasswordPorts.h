#pragma once
// What changing the password works with: the user, the driver, the folder
// list, the process state, a way to run a bulk run, and the settings store
// where the check value of the password in force is kept.

#include <filesystem>
#include <optional>

#include "bulk/BulkRunner.h"
#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/FolderList.h"
#include "platform/Prompter.h"

namespace tsrn::registry {
class RegistryStore;
}

namespace tsrn::runsafety {
class RecoveryPorts;
}

namespace tsrn::password {

struct PasswordPorts {
    Prompter& prompter;
    driver::DriverLink& driver;
    folders::FolderList& list;
    folders::AppState& state;
    bulk::BulkRunner& runs;
    registry::RegistryStore* store = nullptr;  // null: the check value is stored nowhere
    // Where the record of a change over several folders is kept (the run
    // journals' folder); none: the change keeps no record.
    std::optional<std::filesystem::path> changeRecordDirectory = std::nullopt;
    // Windows to take back or finish at once a change that left folders
    // under its new key; none: the user is told, and asked at the next start.
    runsafety::RecoveryPorts* recoveryAsks = nullptr;
};

}  // namespace tsrn::password
