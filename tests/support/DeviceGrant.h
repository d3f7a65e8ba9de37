#pragma once
// Read and write access to a device node for one user through an access ACL
// (setfacl), taken back at the end. Grants of parallel tests on the same node
// are serialised by a lock file so none is lost; the node's ACL goes back to
// its mode bits alone when the last named entry is gone.

#include <sys/types.h>

#include <string>

namespace tsrn::test {

class DeviceGrant {
  public:
    DeviceGrant(std::string device, uid_t user);
    ~DeviceGrant();
    DeviceGrant(const DeviceGrant&) = delete;
    DeviceGrant& operator=(const DeviceGrant&) = delete;

    bool Granted() const { return granted_; }

  private:
    std::string device_;
    std::string entry_;
    bool granted_ = false;
};

// Whether the node's ACL names `user` (getfacl).
bool AclNamesUser(const std::string& device, uid_t user);

}  // namespace tsrn::test
