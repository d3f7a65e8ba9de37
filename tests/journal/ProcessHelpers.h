#pragma once
// Starting tsrnctl as a child process with text on its standard input.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ProcessArgs.h"

namespace tsrn::test {

inline std::string TsrnctlPath() {
    return TSRNCTL_PATH;
}

// Starts `args` (args[0] is the program) with `input` on standard input and
// standard output and error sent to /dev/null (standard error to `errorFile`
// when one is named); extra environment in `env`.
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& input,
                   const std::vector<std::string>& env = {}, const std::string& errorFile = {}) {
    int in[2];
    if (pipe(in) != 0) {
        return -1;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        close(in[0]);
        close(in[1]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        int error =
            errorFile.empty() ? null : open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(error < 0 ? null : error, 2);
        setsid();  // no controlling terminal: tsrnctl asks nothing
        std::vector<std::string> words = args;
        std::vector<char*> argv = NullTerminated(words);
        for (const std::string& e : env) {
            putenv(const_cast<char*>(e.c_str()));
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    return pid;
}

// The exit status, or 128 + the signal that ended it.
inline int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline int RunToEnd(const std::vector<std::string>& args, const std::string& input,
                    const std::vector<std::string>& env = {}, const std::string& errorFile = {}) {
    return WaitFor(Spawn(args, input, env, errorFile));
}

}  // namespace tsrn::test
