#include "VxSession.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace tsrn::vx::test {

std::string MountUnavailableReason() {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        return "/dev/fuse is not usable here: FUSE mounts cannot be tested";
    }
    if (::geteuid() != 0 && ::access("/usr/bin/fusermount3", X_OK) != 0 &&
        ::access("/bin/fusermount3", X_OK) != 0) {
        return "not root and no fusermount3: FUSE mounts cannot be tested";
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
        if (point == base || point.rfind(base + "/", 0) == 0) {
            found.push_back(point);
        }
    }
    return found;
}

VxSession::VxSession() : link_(std::make_unique<driver::DriverClient>(TSRNVX_PROGRAM)) {}

VxSession::~VxSession() {
    Stop();
}

bool VxSession::Start() {
    return link_->Open() && link_->SetPassword(kPassword);
}

bool VxSession::Serve(std::uint32_t slot, const std::filesystem::path& folder,
                      std::uint32_t state) {
    return link_->SetFolderPath(folder.string(), slot, state) == 0;
}

void VxSession::Stop() {
    link_->Close();
}

std::vector<std::uint8_t> ReadRaw(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteRaw(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace tsrn::vx::test
