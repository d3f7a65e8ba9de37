// tsrnctl on trees only Linux has: hard links, mounts inside the tree, the
// program's own files inside it, files other programs hold open.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include <gtest/gtest.h>

#include "FileHolder.h"
#include "TempDir.h"
#include "ToolProcess.h"
#include "TreeHelpers.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "pw";

Bytes Enciphered(const Bytes& plain) {
    return ReferenceEncipher(plain, crypto::DeriveKey(kPassword));
}

ToolResult Encipher(const fs::path& folder, const std::vector<std::string>& options = {},
                    const std::vector<std::string>& env = {}) {
    std::vector<std::string> args{"encipher", "--password-stdin"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(folder.string());
    return RunTool(args, std::string(kPassword) + "\n", env);
}

bool Says(const ToolResult& result, const std::string& text) {
    return result.err.find(text) != std::string::npos;
}

using Holder = test::FileHolder;

TEST(TsrnctlLinuxTree, EachFileOnceAndNeverOneWithNamesOutside) {
    TempDir dir;
    const fs::path tree = dir / "tree";
    MakeFile(tree / "a", 5000, 1);
    MakeFile(tree / "plain", 77, 2);
    MakeFile(dir / "outside" / "o", 4099, 3);
    fs::create_directories(tree / "sub");
    fs::create_hard_link(tree / "a", tree / "sub" / "a2");
    fs::create_hard_link(tree / "a", tree / "a3");
    fs::create_hard_link(dir / "outside" / "o", tree / "sub" / "o");
    const Bytes a = ReadBytes(tree / "a");
    const Bytes plain = ReadBytes(tree / "plain");
    const Bytes o = ReadBytes(dir / "outside" / "o");

    for (const bool journal : {true, false}) {
        SCOPED_TRACE(journal ? "with journal" : "without journal");
        const ToolResult result = Encipher(
            tree, journal ? std::vector<std::string>{} : std::vector<std::string>{"--no-journal"});
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_TRUE(
            Says(result, (tree / "sub" / "o").string() + "': it has names (hard links) outside"))
            << result.err;
        // Three names, one file, enciphered once.
        EXPECT_EQ(ReadBytes(tree / "a"), Enciphered(a));
        EXPECT_EQ(ReadBytes(tree / "sub" / "a2"), Enciphered(a));
        EXPECT_EQ(ReadBytes(tree / "plain"), Enciphered(plain));
        EXPECT_EQ(ReadBytes(dir / "outside" / "o"), o);

        const ToolResult back = RunTool({"decipher", "--password-stdin", tree.string()}, "pw\n");
        EXPECT_EQ(back.exitCode, 1) << back.err;
        EXPECT_EQ(ReadBytes(tree / "a3"), a);
        EXPECT_EQ(ReadBytes(tree / "plain"), plain);
        EXPECT_EQ(ReadBytes(dir / "outside" / "o"), o);
    }
}

TEST(TsrnctlLinuxTree, AFileInUseIsLeftExactlyAsItWas) {
    struct Case {
        const char* onError;
        int flags;
        int exitCode;
        bool othersEnciphered;
    };
    const Case cases[] = {
        {"--on-error=ignore", O_RDONLY, 1, true},
        {"--on-error=ignore", O_RDWR, 1, true},
        {"--on-error=abort", O_RDONLY, 3, false},  // cancelled and undone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.onError) + (c.flags == O_RDWR ? " read-write" : " read-only"));
        TempDir dir;
        MakeFile(dir / "before", 9000, 1);
        MakeFile(dir / "mailbox", 300000, 2);
        MakeFile(dir / "z" / "after", 10, 3);
        std::map<fs::path, Bytes> plain;
        for (const char* name : {"before", "mailbox", "z/after"})
            plain[dir / name] = ReadBytes(dir / name);
        Holder holder(dir / "mailbox", c.flags);
        ASSERT_TRUE(holder.Held());
        const ToolResult result = Encipher(dir.Path(), {c.onError});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(ReadBytes(dir / "mailbox"), plain[dir / "mailbox"]);
        if (c.exitCode == 1) {
            EXPECT_TRUE(Says(result, "mailbox': in use by another program")) << result.err;
        }
        for (const char* name : {"before", "z/after"}) {
            EXPECT_EQ(ReadBytes(dir / name),
                      c.othersEnciphered ? Enciphered(plain[dir / name]) : plain[dir / name])
                << name;
        }
    }
}

// A program that opens a file while it is being transformed waits for the
// run's lease; the run gives the file back as it was, never half done.
TEST(TsrnctlLinuxTree, AnOpenDuringTheTransformGetsTheFileWhole) {
    for (const bool journal : {true, false}) {
        SCOPED_TRACE(journal ? "with journal" : "without journal");
        TempDir dir;
        MakeFile(dir / "a", 10, 6);
        MakeFile(dir / "big", 6u << 20, 7);
        const Bytes plain = ReadBytes(dir / "big");
        std::vector<std::string> args{"encipher", "--password-stdin", "--on-error=ignore",
                                      "--chunk-size=65536"};
        if (!journal)
            args.push_back("--no-journal");
        args.push_back(dir.Path().string());
        ToolProcess process(args, "pw\n");
        ASSERT_TRUE(process.WaitForError("big"));
        // The opener waits in its own thread: the run must not wait for its
        // progress lines to be read meanwhile.
        Bytes seen;
        std::chrono::steady_clock::duration waited{};
        std::thread opener([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const auto start = std::chrono::steady_clock::now();
            const int fd = open((dir / "big").c_str(), O_RDONLY);
            waited = std::chrono::steady_clock::now() - start;
            if (fd < 0)
                return;
            seen.resize(plain.size());
            if (pread(fd, seen.data(), seen.size(), 0) != static_cast<ssize_t>(seen.size()))
                seen.clear();
            close(fd);
        });
        const ToolResult result = process.Wait();
        opener.join();
        EXPECT_LT(waited, std::chrono::seconds(20)) << "the run held on to its lease";
        if (seen == plain) {
            EXPECT_EQ(result.exitCode, 1) << result.err;
            EXPECT_TRUE(Says(result, "big': in use by another program")) << result.err;
            EXPECT_EQ(ReadBytes(dir / "big"), plain);
        } else {
            EXPECT_TRUE(seen == Enciphered(plain)) << "the opener saw a file half done";
            EXPECT_EQ(result.exitCode, 0) << result.err;
        }
    }
}

// A file system mounted inside the tree (here a bind mount of a folder
// beside it) is left alone and named; the test's own mount namespace takes
// the mount away even if the test dies.
TEST(TsrnctlLinuxTree, StaysOnTheFileSystemItStartsOn) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "a bind mount needs root: the walk across mounts is not tested";
    }
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        GTEST_SKIP() << "no mount namespace of its own (" << strerror(errno)
                     << "): the walk across mounts is not tested";
    }
    TempDir dir;
    const fs::path tree = dir / "tree";
    MakeFile(tree / "mine", 100, 1);
    MakeFile(dir / "elsewhere" / "theirs", 100, 2);
    fs::create_directories(tree / "mnt");
    const Bytes mine = ReadBytes(tree / "mine");
    const Bytes theirs = ReadBytes(dir / "elsewhere" / "theirs");
    ASSERT_EQ(mount((dir / "elsewhere").c_str(), (tree / "mnt").c_str(), nullptr, MS_BIND, nullptr),
              0)
        << strerror(errno);
    const ToolResult result = Encipher(tree);
    umount2((tree / "mnt").c_str(), MNT_DETACH);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(Says(result, (tree / "mnt").string() + "/': another file system is mounted there"))
        << result.err;
    EXPECT_EQ(ReadBytes(dir / "elsewhere" / "theirs"), theirs);
    EXPECT_EQ(ReadBytes(tree / "mine"), Enciphered(mine));
}

// A home folder holding the registry, the state directory and the installed
// driver: the run enciphers the user's files and leaves Tessaryn's alone.
TEST(TsrnctlLinuxTree, AHomeTreeKeepsTheProgramsOwnFiles) {
    TempDir dir;
    const fs::path home = dir / "home";
    const fs::path registry = home / ".config" / "tessaryn";
    const fs::path state = home / ".local" / "state" / "tessaryn";
    const fs::path system = home / ".local" / "lib" / "tessaryn";
    const std::vector<std::string> env{"TSRN_REGISTRY_DIR=" + registry.string(),
                                       "TSRN_STATE_DIR=" + state.string(),
                                       "TSRN_SYSTEM_DIR=" + system.string()};
    ASSERT_EQ(
        RunTool({"registry", "set", "HKCU\\Software\\Test", "name", "REG_SZ", "kept"}, "", env)
            .exitCode,
        0);
    MakeFile(home / "notes.txt", 1234, 1);
    MakeFile(registry / "other.txt", 50, 2);
    MakeFile(state / "runs" / "left.bin", 60, 3);
    MakeFile(system / "tsrnvx", 70, 4);
    std::map<fs::path, Bytes> before;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        if (entry.is_regular_file())
            before[entry.path()] = ReadBytes(entry.path());
    }

    const ToolResult result = Encipher(home, {}, env);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Says(result, "user.db': one of Tessaryn's own files")) << result.err;
    const ToolResult get = RunTool({"registry", "get", "HKCU\\Software\\Test", "name"}, "", env);
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_NE(get.out.find("kept"), std::string::npos) << get.out;
    for (const auto& [path, bytes] : before) {
        const bool users = path == home / "notes.txt" || path == registry / "other.txt";
        EXPECT_EQ(ReadBytes(path), users ? Enciphered(bytes) : bytes) << path;
    }
}

}  // namespace
}  // namespace tsrn::test
