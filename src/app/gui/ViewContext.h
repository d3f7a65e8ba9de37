#pragma once
// What the program hands the folder list view it puts into the main window.

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/RegistryStore.h"
#include "platform/Prompter.h"

namespace tsrn::app {

struct ViewContext {
    folders::AppState& state;
    RegistryStore& store;
    RegistryDatabase& database;
    driver::DriverLink& driver;
    Prompter& prompter;
};

}  // namespace tsrn::app
