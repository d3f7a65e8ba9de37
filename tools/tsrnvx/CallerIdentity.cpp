#include "CallerIdentity.h"

#include <sys/fsuid.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tsrn::vx {
namespace {

// The raw system calls change only the calling thread's credentials (the C
// library's setgroups would change every thread), so requests served at the
// same time keep their own.
bool SetThreadGroups(const std::vector<gid_t>& groups) {
    return ::syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

std::vector<gid_t> CallerGroups(fuse_req_t request) {
    std::vector<gid_t> groups(64);
    for (;;) {
        int count = fuse_req_getgroups(request, static_cast<int>(groups.size()), groups.data());
        if (count < 0) {
            return {};
        }
        if (static_cast<std::size_t>(count) <= groups.size()) {
            groups.resize(static_cast<std::size_t>(count));
            return groups;
        }
        groups.resize(static_cast<std::size_t>(count));
    }
}

}  // namespace

CallerIdentity::CallerIdentity(bool asRoot, fuse_req_t request) {
    const fuse_ctx* caller = fuse_req_ctx(request);
    uid_t uid = caller->uid;
    gid_t gid = caller->gid;
    if (!asRoot || (uid == 0 && gid == 0)) {
        return;
    }
    int own = ::getgroups(0, nullptr);
    if (own >= 0) {
        ownGroups_.resize(static_cast<std::size_t>(own));
        own = ::getgroups(own, ownGroups_.data());
    }
    if (own >= 0) {
        ownGroups_.resize(static_cast<std::size_t>(own));
        groupsSwitched_ = SetThreadGroups(CallerGroups(request));
    }
    ::setfsgid(gid);
    ::setfsuid(uid);
    switched_ = true;
}

CallerIdentity::~CallerIdentity() {
    if (switched_) {
        ::setfsuid(0);
        ::setfsgid(0);
    }
    if (groupsSwitched_) {
        SetThreadGroups(ownGroups_);
    }
}

}  // namespace tsrn::vx
