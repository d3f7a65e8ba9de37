#pragma once
// What the program hands the folder list view it puts into the main window.

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "platform/Prompter.h"
#include "registry/RegistryStore.h"

namespace tsrn::app {

struct ViewContext {
    folders::AppState& state;
    registry::RegistryStore& store;
    registry::RegistryDatabase& database;
    driver::DriverLink& driver;
    Prompter& prompter;
};

}  // namespace tsrn::app
