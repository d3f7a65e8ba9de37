#include "driver/DriverClient.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "driver/DeadMounts.h"
#include "driver/DriverProtocol.h"
#include "driver/SocketIo.h"
#include "platform/Locations.h"

namespace tsrn::driver {

namespace {

Deadline After(std::chrono::milliseconds span) {
    return std::chrono::steady_clock::now() + span;
}

// In the child between fork and exec: only async-signal-safe calls. Every
// descriptor but the standard three and the control channel is closed at exec.
void MarkOthersCloseOnExec(int keep) {
    const auto k = static_cast<unsigned>(keep);
    if (close_range(3, k - 1, CLOSE_RANGE_CLOEXEC) == 0 &&
        close_range(k + 1, ~0U, CLOSE_RANGE_CLOEXEC) == 0) {
        return;
    }
    for (int fd = 3; fd < 65536; ++fd) {
        if (fd != keep) {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
}

bool WaitForExit(pid_t pid, std::chrono::milliseconds grace, int* status = nullptr) {
    const Deadline deadline = After(grace);
    for (;;) {
        const pid_t r = waitpid(pid, status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ExitText(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = sigdescr_np(signal);
        return "killed by signal " + std::to_string(signal) +
               (name != nullptr ? std::string(" (") + name + ")" : std::string());
    }
    if (WIFEXITED(status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    return "ended";
}

}  // namespace

std::filesystem::path DriverClient::DefaultProgram() {
    return DriverDirectory() / "tsrnvx";
}

DriverClient::DriverClient(std::filesystem::path program, DriverClientTimeouts timeouts)
    : program_(std::move(program)), timeouts_(timeouts) {}

DriverClient::~DriverClient() {
    Close();
}

bool DriverClient::Open() {
    if (opened_) {
        return false;  // one driver per run; there is no reopening
    }
    opened_ = true;
    if (!StartDriver()) {
        return false;
    }
    if (!AwaitHello()) {
        DropChannel();
        ReapDriver(std::chrono::milliseconds(0));
        return false;
    }
    return true;
}

void DriverClient::Close() {
    DropChannel();
    ReapDriver(timeouts_.exit);
}

bool DriverClient::CheckLost() {
    if (channel_ >= 0) {
        // Between requests the driver never writes: anything readable is its
        // end of stream (or garbage), a hang-up or an error.
        pollfd watched{channel_, POLLIN | POLLRDHUP, 0};
        if (poll(&watched, 1, 0) > 0 && watched.revents != 0) {
            DropChannel();
            NoteLoss();
        }
    }
    return lost_;
}

void DriverClient::NoteLoss() {
    if (lost_) {
        return;
    }
    lost_ = true;
    int status = 0;
    if (child_ > 0 && WaitForExit(child_, std::chrono::milliseconds(500), &status)) {
        lossReason_ = ExitText(status);
        child_ = 0;
    } else {
        lossReason_ = "its control channel broke";
    }
}

bool DriverClient::Restart() {
    DropChannel();
    ReapDriver(std::chrono::milliseconds(500));
    // A driver that could not unmount left its mounts dead; a new one could
    // not serve the folders beneath them.
    DetachDeadDriverMounts();
    opened_ = false;
    lost_ = false;
    lossReason_.clear();
    return Open();
}

bool DriverClient::IsOpen() const {
    return channel_ >= 0;
}

bool DriverClient::StartDriver() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return false;
    }
    const int driverEnd = ends[1];
    // Everything the child needs is built before fork.
    std::string programText = program_.string();
    std::string fdArgument = "--control-fd=" + std::to_string(driverEnd);
    std::array<char*, 3> argv{programText.data(), fdArgument.data(), nullptr};

    const pid_t pid = fork();
    if (pid == 0) {
        // The driver starts with no signal blocked, whatever this thread blocks.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        fcntl(driverEnd, F_SETFD, 0);
        MarkOthersCloseOnExec(driverEnd);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(driverEnd);
    if (pid < 0) {
        close(ends[0]);
        return false;
    }
    channel_ = ends[0];
    child_ = pid;
    return true;
}

bool DriverClient::AwaitHello() {
    std::array<std::uint8_t, wire::kHelloSize> bytes{};
    if (!ReceiveAll(channel_, bytes.data(), bytes.size(), After(timeouts_.hello))) {
        return false;
    }
    const auto hello = wire::DecodeHello(bytes);
    return hello && hello->version == wire::kVersion;
}

bool DriverClient::Transact(const Request& request, std::uint32_t& answer) {
    if (channel_ < 0) {
        return false;
    }
    const auto frame = wire::EncodeRequest(request);
    if (!frame) {
        return false;  // a text that cannot travel; the channel stays good
    }
    const Deadline deadline = After(timeouts_.reply);
    std::array<std::uint8_t, wire::kReplySize> bytes{};
    if (!SendAll(channel_, reinterpret_cast<const std::uint8_t*>(frame->data()), frame->size(),
                 deadline) ||
        !ReceiveAll(channel_, bytes.data(), bytes.size(), deadline)) {
        // Dead, hung or half-answered: the stream is out of step for good.
        DropChannel();
        NoteLoss();
        return false;
    }
    const auto reply = wire::DecodeReply(bytes);
    if (!reply) {
        DropChannel();
        NoteLoss();
        return false;
    }
    if (!reply->success) {
        return false;
    }
    answer = reply->answer;
    return true;
}

void DriverClient::DropChannel() {
    if (channel_ >= 0) {
        close(channel_);
        channel_ = -1;
    }
}

void DriverClient::ReapDriver(std::chrono::milliseconds grace) {
    if (child_ <= 0) {
        return;
    }
    if (!WaitForExit(child_, grace)) {
        kill(child_, SIGTERM);
        if (!WaitForExit(child_, std::chrono::milliseconds(2000))) {
            kill(child_, SIGKILL);
            WaitForExit(child_, std::chrono::milliseconds(2000));
        }
    }
    child_ = 0;
}

}  // namespace tsrn::driver
