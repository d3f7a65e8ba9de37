#pragma once
// File writes that end the process in the middle of the Nth data write,
// after `pages` whole pages of it reached the file: a kill at an exact point.

#include <unistd.h>

#include <algorithm>
#include <cstddef>

#include "bulk/FileTransformer.h"
#include "journal/JournalFormat.h"

namespace tsrn::test {

class DyingIo : public bulk::FileIo {
  public:
    DyingIo(int dieAt, std::size_t pages) : dieAt_(dieAt), pages_(pages) {}
    ssize_t WriteAt(int fd, const void* buffer, std::size_t length, off_t offset) override {
        if (++writes_ == dieAt_) {
            const std::size_t part = std::min(length, pages_ * journal::kPageSize);
            if (part > 0) {
                (void)pwrite(fd, buffer, part, offset);
            }
            _exit(0);
        }
        return FileIo::WriteAt(fd, buffer, length, offset);
    }

  private:
    int dieAt_;
    std::size_t pages_;
    int writes_ = 0;
};

}  // namespace tsrn::test
