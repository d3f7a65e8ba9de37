#include "bulk/WriteLease.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>

#include <atomic>
#include <mutex>

namespace tsrn::bulk {

namespace {

std::atomic<int> gBroken{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnLeaseBreak(int, siginfo_t*, void*) {
    gBroken.store(1, std::memory_order_relaxed);
}

// The default notice, SIGIO, would end the process.
void InstallHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnLeaseBreak;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(WriteLease::Signal(), &action, nullptr);
    });
}

}  // namespace

int WriteLease::Signal() {
    return SIGRTMIN + 5;
}

WriteLease::Result WriteLease::Take(int fd) {
    InstallHandler();
    gBroken.store(0, std::memory_order_relaxed);
    if (fcntl(fd, F_SETSIG, Signal()) != 0) {
        return Result::Refused;
    }
    if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        return Result::Held;
    }
    switch (errno) {
        case EAGAIN:
        case EBUSY:
            return Result::InUse;
        case EACCES:
        case EPERM:
            return Result::NotOwner;
        default:
            return Result::Refused;
    }
}

bool WriteLease::Broken() {
    return gBroken.load(std::memory_order_relaxed) != 0;
}

}  // namespace tsrn::bulk
