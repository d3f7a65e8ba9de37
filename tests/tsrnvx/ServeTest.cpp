// tsrnctl serve: the headless service loads a list file, starts the real
// driver through the program's link and serves until it is told to stop.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "FormatCheck.h"
#include "MountTest.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;

class ServeTest : public MountTest {};

TEST_F(ServeTest, ListFileFoldersAreServedUntilInterrupted) {
    fs::path folder = Folder("listed");
    fs::path registry = Folder("registry");
    std::ofstream(root_ / "list.ini") << "[pathes]\npath=" << folder.string() << "\n";

    int input[2];
    int output[2];
    ASSERT_EQ(::pipe(input), 0);
    ASSERT_EQ(::pipe(output), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::dup2(input[0], 0);
        ::dup2(output[1], 1);
        ::setenv("TSRN_REGISTRY_DIR", registry.c_str(), 1);
        ::setenv("TSRN_SYSTEM_DIR", fs::path(TSRNVX_PROGRAM).parent_path().c_str(), 1);
        std::string list = (root_ / "list.ini").string();
        ::execl(TSRNCTL_PROGRAM, "tsrnctl", "serve", "--use", list.c_str(), "--password-stdin",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    const std::string password = std::string(kPassword) + "\n";
    ASSERT_EQ(::write(input[1], password.data(), password.size()),
              static_cast<ssize_t>(password.size()));
    ::close(input[1]);

    // The service says so once every folder is registered.
    std::string said;
    char buffer[256];
    while (said.find("serving") == std::string::npos) {
        ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ASSERT_NE(said.find("serving"), std::string::npos) << said;
    EXPECT_NE(said.find("served  " + folder.string()), std::string::npos) << said;
    EXPECT_EQ(MountsBelow(folder), std::vector<std::string>{folder.string()});
    WriteText(folder / "note.txt", "served headless");

    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(output[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(MountsBelow(root_).empty());
    std::string text = "served headless";
    EXPECT_EQ(ReadBytes(folder / "note.txt"),
              StoredForm(std::vector<std::uint8_t>(text.begin(), text.end()),
                         crypto::DeriveKey(kPassword)));
}

}  // namespace
}  // namespace tsrn::vx::test
