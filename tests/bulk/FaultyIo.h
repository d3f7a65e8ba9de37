#pragma once
// File I/O that fails on request, to reach the error paths of the transform.

#include <errno.h>
#include <fcntl.h>

#include <map>
#include <string>

#include "bulk/FileTransformer.h"

namespace tsrn::test {

class FaultyIo : public bulk::FileIo {
  public:
    // The next `times` opens of `path` fail with EACCES.
    void FailOpen(const std::string& path, int times) { openFailures_[path] = times; }
    // Opens asking not to update the access time fail with EPERM, as for a
    // file the user does not own.
    void RefuseNoAccessTime() { refuseNoAccessTime_ = true; }
    // Read call number `call` (counted from 1 after this) fails with EIO.
    void FailRead(int call) {
        failRead_ = call;
        reads_ = 0;
    }
    // Write call number `call` writes only half, the next call fails with
    // ENOSPC; with `forever` every later write fails too.
    void FailWrite(int call, bool forever = false) {
        failWrite_ = call;
        writes_ = 0;
        failForever_ = forever;
    }

    int OpenFile(const bulk::FilePlace& file, int flags) override {
        const char* path = file.path;
        auto it = openFailures_.find(path);
        if (it != openFailures_.end() && it->second > 0) {
            --it->second;
            errno = EACCES;
            return -1;
        }
        if (refuseNoAccessTime_ && (flags & O_NOATIME) != 0) {
            errno = EPERM;
            return -1;
        }
        return FileIo::OpenFile(file, flags);
    }
    ssize_t ReadAt(int fd, void* buffer, std::size_t length, off_t offset) override {
        if (++reads_ == failRead_) {
            errno = EIO;
            return -1;
        }
        return FileIo::ReadAt(fd, buffer, length, offset);
    }
    ssize_t WriteAt(int fd, const void* buffer, std::size_t length, off_t offset) override {
        ++writes_;
        if (failWrite_ > 0 && writes_ == failWrite_ && length > 1) {
            return FileIo::WriteAt(fd, buffer, length / 2, offset);
        }
        if (failWrite_ > 0 &&
            (writes_ == failWrite_ + 1 || (failForever_ && writes_ > failWrite_))) {
            errno = ENOSPC;
            return -1;
        }
        return FileIo::WriteAt(fd, buffer, length, offset);
    }

  private:
    std::map<std::string, int> openFailures_;
    bool refuseNoAccessTime_ = false;
    int failRead_ = 0;
    int reads_ = 0;
    int failWrite_ = 0;
    int writes_ = 0;
    bool failForever_ = false;
};

}  // namespace tsrn::test
