#include "driver/DeadMounts.h"

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace tsrn::driver {

namespace {

constexpr const char* kMountType = "fuse.tsrnvx";

// The mount table writes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3') {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            out.push_back(static_cast<char>(value));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// The kernel may answer a stat of the mount's root from its cache; asking for
// the file system's figures always reaches the driver.
bool IsDead(const std::string& point) {
    struct statvfs figures {};
    return ::statvfs(point.c_str(), &figures) != 0 && errno == ENOTCONN;
}

bool Detach(const std::string& point) {
    if (::geteuid() == 0) {
        return ::umount2(point.c_str(), MNT_DETACH) == 0;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execlp("fusermount3", "fusermount3", "-u", "-z", "--", point.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::vector<std::string> DriverMountPoints() {
    std::vector<std::string> points;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, field;
        fields >> id >> parent >> device >> root >> point;
        // Optional fields up to the lone "-", then the file system type.
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        if (type == kMountType) {
            points.push_back(Unescape(point));
        }
    }
    return points;
}

int DetachDeadDriverMounts() {
    int detached = 0;
    // Innermost first: a dead outer mount may hide nothing but itself.
    const std::vector<std::string> points = DriverMountPoints();
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        if (IsDead(*it) && Detach(*it)) {
            ++detached;
        }
    }
    return detached;
}

}  // namespace tsrn::driver
