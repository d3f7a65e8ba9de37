#include "DeviceGrant.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "ThrowawayUser.h"

namespace tsrn::test {
namespace {

constexpr const char* kLockFile = "/run/lock/tsrn-device-acl.lock";
constexpr std::uint16_t kAclUser = 0x02;
constexpr std::uint16_t kAclGroup = 0x08;

struct AclEntry {
    std::uint16_t tag;
    std::uint32_t id;
};

// The entries of the node's access ACL, as the kernel stores them.
std::vector<AclEntry> AccessAcl(const std::string& device) {
    std::vector<unsigned char> raw(1024);
    ssize_t size = ::getxattr(device.c_str(), "system.posix_acl_access", raw.data(), raw.size());
    std::vector<AclEntry> entries;
    for (ssize_t at = 4; size > 0 && at + 8 <= size; at += 8) {
        auto tag = static_cast<std::uint16_t>(raw[at] | raw[at + 1] << 8);
        std::uint32_t id = 0;
        for (int i = 3; i >= 0; --i) {
            id = id << 8 | raw[at + 4 + i];
        }
        entries.push_back({tag, id});
    }
    return entries;
}

bool HasNamedEntries(const std::string& device) {
    for (const AclEntry& entry : AccessAcl(device)) {
        if (entry.tag == kAclUser || entry.tag == kAclGroup) {
            return true;
        }
    }
    return false;
}

// Holds the lock file for one change of a node's ACL.
class AclLock {
  public:
    AclLock() : fd_(::open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ >= 0) {
            ::flock(fd_, LOCK_EX);
        }
    }
    ~AclLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    AclLock(const AclLock&) = delete;
    AclLock& operator=(const AclLock&) = delete;

  private:
    int fd_;
};

}  // namespace

bool AclNamesUser(const std::string& device, uid_t user) {
    for (const AclEntry& entry : AccessAcl(device)) {
        if (entry.tag == kAclUser && entry.id == user) {
            return true;
        }
    }
    return false;
}

DeviceGrant::DeviceGrant(std::string device, uid_t user)
    : device_(std::move(device)), entry_("u:" + std::to_string(user)) {
    AclLock lock;
    granted_ =
        RunProgram({"setfacl", "-m", entry_ + ":rw", device_}) == 0 && AclNamesUser(device_, user);
}

DeviceGrant::~DeviceGrant() {
    AclLock lock;
    RunProgram({"setfacl", "-x", entry_, device_});
    if (!HasNamedEntries(device_)) {
        RunProgram({"setfacl", "-b", device_});
    }
}

}  // namespace tsrn::test
