#include "ToolProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProcessArgs.h"

extern char** environ;

namespace tsrn::test {

std::string ToolPath() {
    return TSRNCTL_PROGRAM;
}

ToolProcess::ToolProcess(const std::vector<std::string>& args, const std::string& input,
                         const std::vector<std::string>& extraEnv) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return;
    // A one-page error pipe: a program that prints a line per file stalls in
    // its progress output while the test does not read, so a signal sent after
    // WaitForError always lands in the middle of the run, however fast it is.
    fcntl(err[0], F_SETPIPE_SZ, 4096);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        setsid();  // no controlling terminal: the program must not find one
        for (const auto& setting : extraEnv)
            putenv(const_cast<char*>(setting.c_str()));
        std::vector<std::string> all{ToolPath()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv = NullTerminated(all);
        execve(argv[0], argv.data(), environ);
        const std::string failed = "cannot start " + all[0] + "\n";
        (void)!write(2, failed.data(), failed.size());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    std::size_t written = 0;
    while (written < input.size()) {
        ssize_t n = write(in[1], input.data() + written, input.size() - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    close(in[1]);
}

ToolProcess::~ToolProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait();
    }
}

bool ToolProcess::ReadSome(int fd, std::string& into) {
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    return n > 0;
}

bool ToolProcess::WaitForError(const std::string& text) {
    while (result_.err.find(text) == std::string::npos) {
        if (!ReadSome(errFd_, result_.err))
            return false;
    }
    return true;
}

void ToolProcess::Signal(int signal) {
    if (pid_ > 0)
        kill(pid_, signal);
}

ToolResult ToolProcess::Wait() {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (auto& p : fds) {
            if (p.fd >= 0 && (p.revents & (POLLIN | POLLHUP)) != 0) {
                if (!ReadSome(p.fd, p.fd == outFd_ ? result_.out : result_.err)) {
                    close(p.fd);
                    p.fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) {
        result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_ = -1;
    outFd_ = errFd_ = -1;
    return result_;
}

ToolResult RunTool(const std::vector<std::string>& args, const std::string& input,
                   const std::vector<std::string>& extraEnv) {
    ToolProcess process(args, input, extraEnv);
    return process.Wait();
}

}  // namespace tsrn::test
