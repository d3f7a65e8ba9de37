// tsrnctl folders [--use FILE]: the folder list as the program would load it.

#include "Commands.h"

namespace tsrnctl {

int RunFolders(Args) {
    Complain("folders: not available in this build");
    return kExitFailed;
}

}  // namespace tsrnctl
