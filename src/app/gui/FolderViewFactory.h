#pragma once
// Where the main window gets the view for its centre. The folder list view
// replaces the placeholder here.

#include <memory>

#include "app/gui/FrameView.h"
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

std::unique_ptr<FrameView> MakeFolderView(ViewContext& context);

}  // namespace tsrn::app
