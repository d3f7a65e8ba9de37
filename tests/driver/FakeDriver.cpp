// A stand-in for the driver program that speaks the control protocol. What it
// does is chosen by $TSRN_FAKE_DRIVER_MODE; $TSRN_FAKE_DRIVER_LOG names a file
// where it writes its arguments, its open descriptors and every request.
//   serve        hello, then answer every request with the word at the call + 1;
//                SetGlobalProtection with word 0xDEAD is answered as a failed call
//   die-after-N  as serve, but exit after N replies
//   hang         hello, then read requests and never answer
//   silent       never say hello
//   old-hello    a hello of another protocol version
//   linger       as serve, but ignore the closed channel and SIGTERM

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "driver/DriverProtocol.h"

namespace wire = tsrn::driver::wire;

namespace {

std::ofstream g_log;

bool ReadAll(int fd, void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, p, size);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The descriptors this process was started with, in ascending order.
std::string InheritedDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return {};
    }
    std::vector<int> fds;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != dirfd(dir)) {
            fds.push_back(std::atoi(entry->d_name));
        }
    }
    closedir(dir);
    std::sort(fds.begin(), fds.end());
    std::string text;
    for (int fd : fds) {
        text += (text.empty() ? "" : " ") + std::to_string(fd);
    }
    return text;
}

void SayHello(int fd, std::uint32_t version) {
    const auto hello = wire::EncodeHello({version, static_cast<std::uint32_t>(getpid())});
    WriteAll(fd, hello.data(), hello.size());
}

int Serve(int fd, long repliesBeforeDeath, bool answer) {
    for (long served = 0;; ++served) {
        if (repliesBeforeDeath >= 0 && served == repliesBeforeDeath) {
            return 0;
        }
        std::array<std::uint8_t, wire::kRequestHeaderSize> bytes{};
        if (!ReadAll(fd, bytes.data(), bytes.size())) {
            return 0;
        }
        const auto header = wire::DecodeRequestHeader(bytes);
        if (!header) {
            return 1;
        }
        std::string text;
        if (header->textLength != wire::kNoText) {
            text.resize(header->textLength);
            if (!ReadAll(fd, text.data(), text.size())) {
                return 1;
            }
        }
        g_log << "request " << static_cast<std::uint32_t>(header->code) << ' ' << header->inSize
              << ' ' << header->outSize << ' ' << header->answer << ' '
              << (header->textLength == wire::kNoText ? "none" : "[" + text + "]") << std::endl;
        if (!answer) {
            continue;
        }
        const bool fail = header->code == tsrn::driver::RequestCode::SetGlobalProtection &&
                          header->inSize == 0xDEAD;
        const auto reply = wire::EncodeReply({!fail, header->answer + 1});
        if (!WriteAll(fd, reply.data(), reply.size())) {
            return 0;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string inherited = InheritedDescriptors();
    const char* logPath = std::getenv("TSRN_FAKE_DRIVER_LOG");
    if (logPath != nullptr) {
        g_log.open(logPath);
    }
    g_log << "argv";
    for (int i = 1; i < argc; ++i) {
        g_log << ' ' << argv[i];
    }
    g_log << '\n';
    g_log << "pid " << getpid() << '\n';
    g_log << "fds " << inherited << '\n';
    g_log.flush();

    constexpr std::string_view kFdOption = "--control-fd=";
    if (argc != 2 || std::strncmp(argv[1], kFdOption.data(), kFdOption.size()) != 0) {
        return 2;
    }
    const int fd = std::atoi(argv[1] + kFdOption.size());
    const char* modeText = std::getenv("TSRN_FAKE_DRIVER_MODE");
    const std::string mode = modeText != nullptr ? modeText : "serve";

    if (mode == "silent") {
        sleep(60);
        return 0;
    }
    SayHello(fd, mode == "old-hello" ? wire::kVersion + 1 : wire::kVersion);
    if (mode == "hang") {
        return Serve(fd, -1, false);
    }
    if (mode.starts_with("die-after-")) {
        return Serve(fd, std::atol(mode.c_str() + 10), true);
    }
    if (mode == "linger") {
        signal(SIGTERM, SIG_IGN);
        Serve(fd, -1, true);
        sleep(60);
        return 0;
    }
    return Serve(fd, -1, true);
}
