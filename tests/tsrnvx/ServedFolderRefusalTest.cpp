// A folder a running driver serves: tsrnctl's bulk runs refuse it, the
// folders around and inside it, and a second tsrnctl serve refuses to mount
// it again. Nothing in the folder changes.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "FormatCheck.h"
#include "MountTest.h"
#include "ProcessArgs.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string err;
};

// tsrnctl with these arguments, standard input and environment; standard
// output goes to `out` when given (then the caller waits), else is dropped.
pid_t StartTool(const std::vector<std::string>& args, const std::string& input,
                const std::vector<std::string>& env, int& errFd, int* outFd = nullptr) {
    int in[2], err[2], out[2];
    if (pipe(in) != 0 || pipe(err) != 0 || pipe(out) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], err[0], err[1], out[0], out[1]})
            close(fd);
        for (const std::string& setting : env)
            putenv(const_cast<char*>(setting.c_str()));
        std::vector<std::string> all{TSRNCTL_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv = ::tsrn::test::NullTerminated(all);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(err[1]);
    close(out[1]);
    (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    errFd = err[0];
    if (outFd != nullptr)
        *outFd = out[0];
    else
        close(out[0]);
    return child;
}

Outcome RunTool(const std::vector<std::string>& args, const std::string& input,
                const std::vector<std::string>& env) {
    Outcome outcome;
    int errFd = -1;
    const pid_t child = StartTool(args, input, env, errFd);
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(errFd, buffer, sizeof buffer)) > 0)
        outcome.err.append(buffer, static_cast<std::size_t>(got));
    close(errFd);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

class ServedFolderRefusal : public MountTest {};

TEST_F(ServedFolderRefusal, NoRunThroughALiveMountAndNoSecondMount) {
    const fs::path folder = Folder("served");
    fs::create_directories(folder / "inner");
    fs::create_directory_symlink(folder / "inner", root_ / "alias");
    const std::vector<std::string> env{
        "TSRN_REGISTRY_DIR=" + Folder("registry").string(),
        "TSRN_STATE_DIR=" + Folder("state").string(),
        "TSRN_SYSTEM_DIR=" + fs::path(TSRNVX_PROGRAM).parent_path().string()};
    WriteText(folder / "inner" / "kept", "stored bytes");
    std::ofstream(root_ / "list.ini") << "[pathes]\npath=" << folder.string() << "\n";
    const std::string list = (root_ / "list.ini").string();
    const std::string password = std::string(kPassword) + "\n";

    int errFd = -1;
    int outFd = -1;
    const pid_t server =
        StartTool({"serve", "--use", list, "--password-stdin"}, password, env, errFd, &outFd);
    ASSERT_GT(server, 0);
    std::string said;
    char buffer[256];
    while (said.find("serving") == std::string::npos) {
        const ssize_t got = read(outFd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ASSERT_NE(said.find("serving"), std::string::npos) << said;
    // Read below the mount: what a run would go through.
    const std::vector<std::uint8_t> before = ReadBytes(folder / "inner" / "kept");

    struct Case {
        std::string command;
        fs::path folder;
    };
    const Case cases[] = {
        {"encipher", folder},          {"decipher", folder / "inner"}, {"encipher", root_},
        {"encipher", root_ / "alias"}, {"recipher", folder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command + " " + c.folder.string());
        const Outcome outcome =
            RunTool({c.command, "--password-stdin", c.folder.string()}, "a\nb\n", env);
        EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
        EXPECT_NE(outcome.err.find("is served by a running Tessaryn driver"), std::string::npos)
            << outcome.err;
    }
    const Outcome second = RunTool({"serve", "--use", list, "--password-stdin"}, password, env);
    EXPECT_EQ(second.exitCode, 1) << second.err;
    EXPECT_NE(second.err.find("served by a running Tessaryn driver already"), std::string::npos)
        << second.err;
    EXPECT_EQ(MountsBelow(folder), std::vector<std::string>{folder.string()});
    EXPECT_EQ(ReadBytes(folder / "inner" / "kept"), before);

    kill(server, SIGTERM);
    int status = 0;
    waitpid(server, &status, 0);
    close(outFd);
    close(errFd);
    EXPECT_TRUE(MountsBelow(root_).empty());
}

}  // namespace
}  // namespace tsrn::vx::test
