// The driver's side of the control protocol, with real mounts: what is
// served, refused, counted and left behind.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "FormatCheck.h"
#include "MountTest.h"
#include "crypto/KeyDerivation.h"
#include "driver/DriverProtocol.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;
namespace wire = driver::wire;

class LifecycleTest : public MountTest {};

TEST_F(LifecycleTest, FoldersThatCannotBeServedAreRefused) {
    fs::path missing = root_ / "missing";
    EXPECT_NE(session_.Link().SetFolderPath(missing.string(), 1, 0x01), 0);
    EXPECT_NE(session_.Link().SetFolderState(1, 0x02), 0) << "state for an empty slot";
    EXPECT_NE(session_.Link().SetFolderPath("/", 2, 0x02), 0) << "the root is never covered";
    EXPECT_FALSE(session_.Link().SetPassword(std::string(300, 'p')));
    EXPECT_TRUE(MountsBelow(root_).empty());
}

TEST_F(LifecycleTest, WorkingStateNeedsAPassword) {
    driver::DriverClient fresh(TSRNVX_PROGRAM);
    ASSERT_TRUE(fresh.Open());
    fs::path folder = Folder("plain");
    EXPECT_NE(fresh.SetFolderPath(folder.string(), 1, 0x01), 0);
    EXPECT_EQ(fresh.SetFolderPath(folder.string(), 1, 0x02), 0);
    EXPECT_NE(fresh.SetFolderState(1, 0x01), 0);
    ASSERT_TRUE(fresh.SetPassword(""));  // an empty password is a password
    EXPECT_EQ(fresh.SetFolderState(1, 0x01), 0);
    fresh.Close();
}

TEST_F(LifecycleTest, LongAndShortPathNameTheSameFolder) {
    fs::path folder = Folder("real");
    fs::create_directory_symlink(folder, root_ / "alias");
    auto& link = session_.Link();
    EXPECT_EQ(link.SetFolderShortPath(folder.string(), 1, 0x21), 0);
    EXPECT_EQ(link.SetFolderPath((root_ / "alias").string(), 1, 0x21), 0);
    EXPECT_EQ(MountsBelow(root_), std::vector<std::string>{folder.string()});
    EXPECT_EQ(::mkdir((root_ / "alias" / "d").c_str(), 0700), -1);
    EXPECT_EQ(errno, EACCES);
}

// Switching a folder between working and stopped is how files are ciphered
// in bulk: stopped shows the stored bytes, working the plaintext.
TEST_F(LifecycleTest, StateChangesTakeEffectOnTheNextOpen) {
    fs::path folder = Folder("switch");
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    WriteText(folder / "f", "twelve bytes");
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x02), 0);
    auto stored = ReadBytes(folder / "f");
    std::vector<std::uint8_t> plain{'t', 'w', 'e', 'l', 'v', 'e', ' ', 'b', 'y', 't', 'e', 's'};
    EXPECT_EQ(stored, StoredForm(plain, crypto::DeriveKey(kPassword)));
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x01), 0);
    EXPECT_EQ(ReadText(folder / "f"), "twelve bytes");
}

TEST_F(LifecycleTest, NestedFoldersShareOneMountAndTheInnermostDecides) {
    fs::path outer = Folder("outer");
    fs::path inner = Folder("outer/inner");
    ASSERT_TRUE(session_.Serve(1, inner, 0x22));
    EXPECT_EQ(MountsBelow(root_), std::vector<std::string>{inner.string()});
    ASSERT_TRUE(session_.Serve(2, outer, 0x01));
    EXPECT_EQ(MountsBelow(root_), std::vector<std::string>{outer.string()});
    WriteText(outer / "o.txt", "ciphered");
    EXPECT_EQ(::open((inner / "i.txt").c_str(), O_CREAT | O_WRONLY, 0600), -1);
    EXPECT_EQ(errno, EACCES);
    ASSERT_EQ(session_.Link().ClearFolderShortPath(2), 0);
    ASSERT_EQ(session_.Link().ClearFolderPath(2), 0);
    EXPECT_EQ(MountsBelow(root_), std::vector<std::string>{inner.string()});
    EXPECT_NE(ReadText(outer / "o.txt"), "ciphered") << "unserved: the stored bytes show";
}

TEST_F(LifecycleTest, OpenFilesAreCountedPerFolder) {
    fs::path outer = Folder("count");
    fs::path inner = Folder("count/inner");
    ASSERT_TRUE(session_.Serve(1, outer, 0x01));
    ASSERT_TRUE(session_.Serve(2, inner, 0x02));
    int a = ::open((outer / "a").c_str(), O_CREAT | O_RDWR, 0600);
    int b = ::open((inner / "b").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_EQ(session_.Link().QueryOpenFiles(1), 2);
    EXPECT_EQ(session_.Link().QueryOpenFiles(2), 1);
    EXPECT_EQ(session_.Link().QueryOpenFiles(3), 0);
    ::close(a);
    ::close(b);
    // Releases reach the driver just after close returns.
    for (int i = 0; i < 100 && session_.Link().QueryOpenFiles(1) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(session_.Link().QueryOpenFiles(1), 0);
}

TEST_F(LifecycleTest, ClearingASlotWithAFileOpenLosesNoData) {
    fs::path folder = Folder("lazy");
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    int fd = ::open((folder / "f").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "first half ", 11), 11);
    ASSERT_EQ(session_.Link().ClearFolderPath(1), 0);
    EXPECT_TRUE(MountsBelow(root_).empty()) << "the path shows the stored folder at once";
    ASSERT_EQ(::write(fd, "second half", 11), 11);
    ::close(fd);
    std::string text = "first half second half";
    std::vector<std::uint8_t> plain(text.begin(), text.end());
    for (int i = 0; i < 100 && ReadBytes(folder / "f").size() != plain.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadBytes(folder / "f"), StoredForm(plain, crypto::DeriveKey(kPassword)));
    // Served again, the folder has no file open: the handle of the detached
    // mount was let go even if its release never reached the driver.
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    for (int i = 0; i < 100 && session_.Link().QueryOpenFiles(1) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(session_.Link().QueryOpenFiles(1), 0);
}

// A registered file (the registry databases) is guarded in place; its
// neighbours are not.
TEST_F(LifecycleTest, RegisteredFileIsGuardedWithoutCiphering) {
    fs::path dir = Folder("registry");
    WriteText(dir / "system.db", "database bytes");
    WriteText(dir / "other", "x");
    ASSERT_TRUE(session_.Serve(1, dir / "system.db", 0x83));
    EXPECT_EQ(MountsBelow(root_), std::vector<std::string>{dir.string()});
    EXPECT_EQ(::unlink((dir / "system.db").c_str()), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadText(dir / "system.db"), "database bytes");
    EXPECT_EQ(::unlink((dir / "other").c_str()), 0);
}

TEST_F(LifecycleTest, FilesCreatedThroughAMountBelongToTheirCaller) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only a driver running as root switches owners";
    }
    fs::path folder = Folder("shared");
    ::chmod(root_.c_str(), 0755);
    ::chmod(folder.c_str(), 0777);
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    // A folder writable only through a supplementary group of the caller.
    fs::path teamFolder = Folder("shared/team");
    ::chown(teamFolder.c_str(), 0, 4242);
    ::chmod(teamFolder.c_str(), 0770);
    pid_t child = ::fork();
    if (child == 0) {
        gid_t team = 4242;
        if (::setgroups(1, &team) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        int fd = ::open((folder / "mine").c_str(), O_CREAT | O_WRONLY, 0600);
        bool made = fd >= 0 && ::mkdir((folder / "dir").c_str(), 0700) == 0;
        ::_exit(made && ::mkdir((teamFolder / "ours").c_str(), 0700) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat st {};
    ASSERT_EQ(::stat((folder / "mine").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    ASSERT_EQ(::stat((folder / "dir").c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(LifecycleTest, CreatedModesAreTheCallersOnly) {
    fs::path folder = Folder("modes");
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    mode_t previous = ::umask(0);
    int fd = ::open((folder / "f").c_str(), O_CREAT | O_WRONLY, 0777);
    int made = ::mkdir((folder / "d").c_str(), 0777);
    ::umask(previous);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(made, 0);
    struct stat st {};
    ASSERT_EQ(::stat((folder / "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0777u);
    ASSERT_EQ(::stat((folder / "d").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0777u);
}

int ThreadsOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) {
            return std::stoi(line.substr(8));
        }
    }
    return -1;
}

// One pool of workers serves every mount: the driver's threads do not grow
// with the number of folders it serves.
TEST_F(LifecycleTest, ThreadsDoNotGrowWithTheFolders) {
    constexpr int kFolders = 60;
    for (int i = 1; i <= kFolders; ++i) {
        ASSERT_TRUE(session_.Serve(static_cast<std::uint32_t>(i),
                                   Folder("many" + std::to_string(i)), 0x01));
    }
    EXPECT_EQ(MountsBelow(root_).size(), static_cast<std::size_t>(kFolders));
    WriteText(root_ / "many7" / "f", "served");
    EXPECT_EQ(ReadText(root_ / "many7" / "f"), "served");
    int threads = ThreadsOf(session_.Link().DriverPid());
    EXPECT_GT(threads, 0);
    EXPECT_LE(threads, 16);
}

// A driver started by hand over a socket pair, so the test can vanish the
// way a crashed program does.
class BareDriver {
  public:
    bool Start() {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            return false;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::fcntl(pair[1], F_SETFD, 0);
            std::string arg = "--control-fd=" + std::to_string(pair[1]);
            ::execl(TSRNVX_PROGRAM, TSRNVX_PROGRAM, arg.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pair[1]);
        fd_ = pair[0];
        std::array<std::uint8_t, wire::kHelloSize> hello{};
        return ::read(fd_, hello.data(), hello.size()) == static_cast<ssize_t>(hello.size()) &&
               wire::DecodeHello(hello).has_value();
    }

    bool Request(driver::RequestCode code, std::optional<std::string> text, std::uint32_t in,
                 std::uint32_t out, std::uint32_t& answer) {
        auto frame = wire::EncodeRequest(driver::Request{code, std::move(text), in, out, out});
        if (!frame ||
            ::write(fd_, frame->data(), frame->size()) != static_cast<ssize_t>(frame->size())) {
            return false;
        }
        std::array<std::uint8_t, wire::kReplySize> raw{};
        if (::read(fd_, raw.data(), raw.size()) != static_cast<ssize_t>(raw.size())) {
            return false;
        }
        auto reply = wire::DecodeReply(raw);
        answer = reply ? reply->answer : 1;
        return reply && reply->success;
    }

    void CloseChannel() { ::close(fd_); }
    void Signal(int number) { ::kill(pid_, number); }
    bool Exited(std::chrono::seconds within) {
        auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    ~BareDriver() {
        ::close(fd_);
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

TEST_F(LifecycleTest, ProgramGoneOrSignalUnmountsEverything) {
    struct Ending {
        const char* what;
        std::function<void(BareDriver&)> end;
    };
    const Ending endings[] = {
        {"control socket closed", [](BareDriver& d) { d.CloseChannel(); }},
        {"SIGTERM", [](BareDriver& d) { d.Signal(SIGTERM); }},
        {"SIGINT", [](BareDriver& d) { d.Signal(SIGINT); }},
    };
    int round = 0;
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.what);
        BareDriver driver;
        ASSERT_TRUE(driver.Start());
        std::uint32_t answer = 1;
        ASSERT_TRUE(driver.Request(driver::RequestCode::SetPassword, "pw", 0, 0, answer));
        for (std::uint32_t slot = 1; slot <= 2; ++slot) {
            fs::path folder = Folder("gone" + std::to_string(round) + "_" + std::to_string(slot));
            ASSERT_TRUE(driver.Request(driver::RequestCode::SetFolderPath, folder.string(), slot,
                                       0x01, answer));
            ASSERT_EQ(answer, 0u);
        }
        ASSERT_EQ(MountsBelow(root_).size(), 2u);
        ending.end(driver);
        EXPECT_TRUE(driver.Exited(std::chrono::seconds(10)));
        EXPECT_TRUE(MountsBelow(root_).empty());
        ++round;
    }
}

}  // namespace
}  // namespace tsrn::vx::test
