#include "app/gui/FolderViewFactory.h"

#include "app/gui/PlaceholderView.h"

namespace tsrn::app {

std::unique_ptr<FrameView> MakeFolderView(ViewContext& context) {
    return std::make_unique<PlaceholderView>(context.store, context.driver,
                                             context.state.listFileMode);
}

}  // namespace tsrn::app
