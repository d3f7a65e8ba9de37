#include "Mounts.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace tsrn::test {

std::string FuseUnavailableReason() {
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return "/dev/fuse is not usable here";
    if (::geteuid() != 0 && ::access("/usr/bin/fusermount3", X_OK) != 0 &&
        ::access("/bin/fusermount3", X_OK) != 0) {
        return "not root and no fusermount3";
    }
    return {};
}

std::vector<std::string> MountsBelow(const std::filesystem::path& path) {
    std::vector<std::string> found;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    const std::string base = path.string();
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point == base || point.rfind(base + "/", 0) == 0)
            found.push_back(point);
    }
    return found;
}

}  // namespace tsrn::test
