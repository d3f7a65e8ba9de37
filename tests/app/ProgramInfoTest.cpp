// The real program asked for its help or version where there is no display.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProcessArgs.h"

extern char** environ;

namespace tsrn::app {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Runs tsrn with no display of any kind in its environment.
Outcome RunWithoutDisplay(const std::vector<std::string>& args) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM")
            env.push_back(entry);
    }
    std::vector<char*> envp = test::NullTerminated(env);
    std::vector<std::string> argStore{TSRN_PROGRAM};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv = test::NullTerminated(argStore);

    int out[2];
    int err[2];
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    Outcome outcome;
    const int spawned =
        posix_spawn(&pid, TSRN_PROGRAM, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned == 0) {
        outcome.out = ReadAll(out[0]);
        outcome.err = ReadAll(err[0]);
        waitpid(pid, &outcome.status, 0);
    }
    close(out[0]);
    close(err[0]);
    return outcome;
}

TEST(ProgramInfoTest, HelpAndVersionPrintWithoutADisplayAndEndWell) {
    struct Case {
        std::vector<std::string> args;
        std::string expected;  // the start of standard output
    } cases[] = {
        {{"--help"}, "Usage: tsrn [/service] [/use:FILE]\n"},
        {{"-h"}, "Usage: tsrn [/service] [/use:FILE]\n"},
        {{"/service", "--help"}, "Usage: tsrn [/service] [/use:FILE]\n"},
        {{"--version"}, "tsrn " TSRN_VERSION "\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = RunWithoutDisplay(c.args);
        ASSERT_TRUE(WIFEXITED(outcome.status)) << c.args.back() << ": " << outcome.err;
        EXPECT_EQ(WEXITSTATUS(outcome.status), 0) << c.args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out.substr(0, c.expected.size()), c.expected) << c.args.back();
        EXPECT_EQ(outcome.err, "") << c.args.back();
    }
    EXPECT_EQ(RunWithoutDisplay({"--version"}).out, "tsrn " TSRN_VERSION "\n");
}

}  // namespace
}  // namespace tsrn::app
