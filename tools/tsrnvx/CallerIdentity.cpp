#include "CallerIdentity.h"

#include <sys/fsuid.h>

namespace tsrn::vx {

// setfsuid/setfsgid change only the calling thread's credentials, so other
// requests served at the same time keep their own.
CallerIdentity::CallerIdentity(bool asRoot, uid_t uid, gid_t gid) {
    if (asRoot && (uid != 0 || gid != 0)) {
        ::setfsgid(gid);
        ::setfsuid(uid);
        switched_ = true;
    }
}

CallerIdentity::~CallerIdentity() {
    if (switched_) {
        ::setfsuid(0);
        ::setfsgid(0);
    }
}

}  // namespace tsrn::vx
