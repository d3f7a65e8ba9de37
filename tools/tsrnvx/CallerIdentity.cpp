#include "CallerIdentity.h"

#define FUSE_USE_VERSION 314
#include <fuse.h>
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

std::vector<gid_t> CallerGroups() {
    std::vector<gid_t> groups(64);
    for (;;) {
        int count = fuse_getgroups(static_cast<int>(groups.size()), groups.data());
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

CallerIdentity::CallerIdentity(bool asRoot, uid_t uid, gid_t gid) {
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
        groupsSwitched_ = SetThreadGroups(CallerGroups());
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
