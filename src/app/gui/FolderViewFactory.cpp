#include "app/gui/FolderViewFactory.h"

#ifdef TSRN_HAVE_FOLDER_VIEW
#include "view/gui/CTsrnView.h"
#else
#include "app/gui/PlaceholderView.h"
#endif

namespace tsrn::app {

std::unique_ptr<FrameView> MakeFolderView(ViewContext& context) {
#ifdef TSRN_HAVE_FOLDER_VIEW
    return std::make_unique<view::CTsrnView>(context);
#else
    return std::make_unique<PlaceholderView>(context.store, context.driver,
                                             context.state.listFileMode);
#endif
}

}  // namespace tsrn::app
