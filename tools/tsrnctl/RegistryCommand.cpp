// tsrnctl registry get|set|delete|dump: the registry database by hand.

#include "Commands.h"

namespace tsrnctl {

int RunRegistry(Args) {
    Complain("registry: not available in this build");
    return kExitFailed;
}

}  // namespace tsrnctl
