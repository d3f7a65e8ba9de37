// tsrnvx: serves the registered folders through FUSE, ciphering working
// folders on the fly and enforcing their prohibitions, for as long as the
// program that started it keeps the control socket open.

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ControlChannel.h"
#include "FileLockTable.h"
#include "FolderTable.h"
#include "Log.h"
#include "MountSet.h"
#include "OpenFileRegistry.h"
#include "RequestHandler.h"
#include "WorkerPool.h"

namespace {

bool ParseControlFd(int argc, char** argv, int& fd) {
    const std::string prefix = "--control-fd=";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind(prefix, 0) == 0) {
            char* end = nullptr;
            long value = std::strtol(arg.c_str() + prefix.size(), &end, 10);
            if (end != nullptr && *end == '\0' && value >= 0 && value < 65536) {
                fd = static_cast<int>(value);
                return true;
            }
        }
    }
    return false;
}

// Signals are taken through a descriptor, so no thread (the mount threads
// included) is ever interrupted by them.
int BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // A size limit the driver was started under fails a write with EFBIG
    // instead of ending the driver.
    signal(SIGXFSZ, SIG_IGN);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

// Every file and folder the kernel knows through a mount holds a descriptor.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return;
    }
    if (geteuid() == 0) {
        unsigned long most = 0;
        if (FILE* file = std::fopen("/proc/sys/fs/nr_open", "r")) {
            if (std::fscanf(file, "%lu", &most) != 1) {
                most = 0;
            }
            std::fclose(file);
        }
        if (most > limit.rlim_max) {
            rlimit raised{most, most};
            if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
                return;
            }
        }
    }
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

enum class Wake { Request, Stop, Idle };

Wake WaitForWork(int control, int signals) {
    pollfd fds[2] = {{control, POLLIN, 0}, {signals, POLLIN, 0}};
    int ready = poll(fds, 2, 1000);
    if (ready <= 0) {
        return Wake::Idle;
    }
    if ((fds[1].revents & POLLIN) != 0) {
        return Wake::Stop;
    }
    return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 ? Wake::Request : Wake::Idle;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tsrn::vx;
    int control = -1;
    if (!ParseControlFd(argc, argv, control)) {
        Log("usage: tsrnvx --control-fd=N");
        return 2;
    }
    int signals = BlockStopSignals();
    RaiseDescriptorLimit();
    // Modes of files created through a mount arrive with the caller's umask
    // already applied; the driver's own must not take anything more away.
    umask(0);
    FolderTable table;
    OpenFileRegistry openFiles;
    FileLockTable locks;
    WorkerPool pool;
    MountSet mounts(table, openFiles, locks, pool);
    RequestHandler handler(table, mounts, openFiles);
    ControlChannel channel(control);
    if (!channel.SendHello()) {
        Log("the control channel is not usable");
        return 1;
    }
    for (bool running = true; running;) {
        switch (WaitForWork(control, signals)) {
            case Wake::Idle:
                mounts.Reap();
                break;
            case Wake::Stop:
                Log("stopping on a signal");
                running = false;
                break;
            case Wake::Request: {
                tsrn::driver::wire::RequestHeader header;
                std::optional<std::string> text;
                auto status = channel.Receive(header, text);
                if (status != ControlChannel::Status::Request) {
                    if (status == ControlChannel::Status::Broken) {
                        Log("dropping a broken control channel");
                    }
                    running = false;
                    break;
                }
                if (!channel.SendReply(handler.Handle(header, text))) {
                    running = false;
                }
                break;
            }
        }
    }
    close(control);
    mounts.DetachAll();
    if (!mounts.Reap(std::chrono::seconds{5})) {
        // Files are still open through detached mounts; the mounts are
        // already gone from every path, and ending the process ends them.
        Log("leaving with files still open");
        std::_Exit(0);
    }
    return 0;
}
