#pragma once
// While it lives, the calling thread creates files as the process that asked
// for them (file-system uid, gid and supplementary groups), so files made
// through a mount of a driver running as root belong to their caller and the
// stored folder's permissions are checked as for the caller. A no-op when not
// root.

#define FUSE_USE_VERSION 314
#include <fuse_lowlevel.h>
#include <sys/types.h>

#include <vector>

namespace tsrn::vx {

class CallerIdentity {
  public:
    CallerIdentity(bool asRoot, fuse_req_t request);
    ~CallerIdentity();
    CallerIdentity(const CallerIdentity&) = delete;
    CallerIdentity& operator=(const CallerIdentity&) = delete;

  private:
    bool switched_ = false;
    bool groupsSwitched_ = false;
    std::vector<gid_t> ownGroups_;
};

}  // namespace tsrn::vx
