#include "FusermountHelper.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace tsrn::vx {
namespace {

std::string FusermountProgram() {
    for (const char* candidate : {"/usr/bin/fusermount3", "/bin/fusermount3"}) {
        if (::access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return "fusermount3";
}

// Everything is prepared before fork: the child only calls exec.
int Run(std::vector<std::string> args, int keepFd) {
    std::string program = FusermountProgram();
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "_FUSE_COMMFD=", 13) != 0) {
            environment.emplace_back(*entry);
        }
    }
    if (keepFd >= 0) {
        environment.push_back("_FUSE_COMMFD=" + std::to_string(keepFd));
    }
    std::vector<char*> argv{program.data()};
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    pid_t child = ::fork();
    if (child == 0) {
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    return child;
}

bool Succeeded(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int ReceiveFd(int socket) {
    char byte = 0;
    iovec io{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    do {
        got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    if (got <= 0 || header == nullptr || header->cmsg_type != SCM_RIGHTS) {
        return -1;
    }
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
    return fd;
}

}  // namespace

int MountThroughFusermount(const std::string& path, const std::string& options) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return -1;
    }
    // The helper's end must survive exec; ours must not leak into it.
    int flags = ::fcntl(pair[1], F_GETFD);
    ::fcntl(pair[1], F_SETFD, flags & ~FD_CLOEXEC);
    pid_t child = Run({"-o", options, "--", path}, pair[1]);
    ::close(pair[1]);
    int fd = child > 0 ? ReceiveFd(pair[0]) : -1;
    ::close(pair[0]);
    if (child > 0 && !Succeeded(child) && fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

bool UnmountThroughFusermount(const std::string& path) {
    pid_t child = Run({"-u", "-z", "-q", "--", path}, -1);
    return child > 0 && Succeeded(child);
}

}  // namespace tsrn::vx
