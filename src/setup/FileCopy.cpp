#include "setup/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/UniqueFd.h"

namespace tsrn::setup {
namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyContents(int from, int to) {
    std::array<char, 65536> buffer{};
    for (;;) {
        ssize_t n = read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(n))) {
            return false;
        }
    }
}

}  // namespace

void ClearWriteProtection(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR);
    }
}

bool CopyInstallFile(const std::string& source, const std::string& target) {
    ClearWriteProtection(target);
    unlink(target.c_str());

    UniqueFd from(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!from.Valid() || fstat(from.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    // Created owner-only and widened to the source's mode once the bytes are in.
    UniqueFd to(open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                     S_IRUSR | S_IWUSR));
    if (!to.Valid()) {
        return false;
    }
    bool copied = CopyContents(from.Get(), to.Get()) && fchmod(to.Get(), info.st_mode & 0777) == 0;
    bool closed = to.Close();
    if (!copied || !closed) {
        unlink(target.c_str());
        return false;
    }
    return true;
}

}  // namespace tsrn::setup
