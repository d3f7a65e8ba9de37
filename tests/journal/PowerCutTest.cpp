// A power cut on a real file system: the run works in an ext4 image mounted
// from a loop device, while files are flushed at random (as the kernel's
// own write-back might); at a random moment the file system is shut down
// without flushing anything more, which drops every write not yet on disk.
// After mounting it again, recovery must leave every file wholly old or new.

#include <gtest/gtest.h>
#include <linux/ioctl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "JournalTestSupport.h"
#include "ProcessHelpers.h"
#include "TempDir.h"
#include "journal/RunRecovery.h"

namespace tsrn::test {
namespace {

using bulk::CipherMode;
using journal::FileState;

// The generic file-system shutdown request; ext4 honours it.
constexpr unsigned long kShutdown = _IOR('X', 125, std::uint32_t);
constexpr std::uint32_t kShutdownNoFlush = 2;  // drop the log and every unwritten page

int Shell(const std::string& command) {
    return RunToEnd({"/bin/sh", "-c", command}, "");
}

// A mounted ext4 image; unmounted (and its loop device let go) on every way out.
class Ext4Image {
  public:
    explicit Ext4Image(const std::filesystem::path& dir)
        : image_(dir / "disk.img"), mount_(dir / "mnt") {
        std::filesystem::create_directories(mount_);
        if (Shell("truncate -s 160M '" + image_.string() + "' && mkfs.ext4 -q -F '" +
                  image_.string() + "'") != 0) {
            return;
        }
        mounted_ = Mount();
    }
    ~Ext4Image() {
        if (mounted_) {
            Unmount();
        }
    }
    Ext4Image(const Ext4Image&) = delete;
    Ext4Image& operator=(const Ext4Image&) = delete;

    bool Mounted() const { return mounted_; }
    const std::filesystem::path& Root() const { return mount_; }

    bool Remount() {
        mounted_ = Unmount() && Mount();
        return mounted_;
    }

  private:
    bool Mount() {
        return Shell("mount -o loop '" + image_.string() + "' '" + mount_.string() + "'") == 0;
    }
    bool Unmount() {
        if (Shell("umount '" + mount_.string() + "'") != 0) {
            return Shell("umount -l '" + mount_.string() + "'") == 0 && false;
        }
        return true;
    }

    std::filesystem::path image_;
    std::filesystem::path mount_;
    bool mounted_ = false;
};

TEST(PowerCutTest, UnflushedWritesLostAtRandomThenRecovered) {
    if (geteuid() != 0 || access("/sbin/mkfs.ext4", X_OK) != 0 ||
        access("/dev/loop-control", F_OK) != 0) {
        GTEST_SKIP() << "needs root, mkfs.ext4 and loop devices to cut the power on an image";
    }
    TempDir dir("tsrn-powercut");
    Ext4Image disk(dir.Path());
    if (!disk.Mounted()) {
        GTEST_SKIP() << "this machine cannot mount an ext4 image from a loop device";
    }
    const bulk::KeyPair keys = TestKeys();
    std::mt19937 random(4242);
    const CipherMode modes[] = {CipherMode::Encipher, CipherMode::Recipher, CipherMode::Decipher};
    int cut = 0;
    double window = 150000;  // follows how long runs take here
    for (int round = 0; round < 12; ++round) {
        const CipherMode mode = modes[round % 3];
        const std::string passwords =
            mode == CipherMode::Recipher ? "old secret\nnew secret\n" : "old secret\n";
        const std::filesystem::path treeDir = disk.Root() / "tree";
        const std::filesystem::path state = disk.Root() / "state";
        std::filesystem::remove_all(treeDir);
        std::filesystem::remove_all(state);
        TestTree tree(treeDir, 3, static_cast<std::uint32_t>(round + 100));
        tree.PrepareFor(mode, keys);
        sync();
        const std::vector<std::string> env = {"TSRN_STATE_DIR=" + state.string()};
        pid_t pid = Spawn({TsrnctlPath(),
                           mode == CipherMode::Encipher   ? "encipher"
                           : mode == CipherMode::Decipher ? "decipher"
                                                          : "recipher",
                           "--password-stdin", "--chunk-size=8192", treeDir.string()},
                          passwords, env);
        // Random write-back of single files while the run goes on.
        std::atomic<bool> stop{false};
        std::thread flusher([&] {
            std::mt19937 local(static_cast<std::uint32_t>(round));
            while (!stop) {
                const auto& files = tree.Files();
                int fd = open(files[local() % files.size()].path.c_str(), O_RDONLY);
                if (fd >= 0) {
                    fdatasync(fd);
                    close(fd);
                }
                std::this_thread::sleep_for(std::chrono::microseconds(local() % 3000));
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(
            static_cast<long>(std::uniform_real_distribution<double>(0, window)(random))));
        int rootFd = open(disk.Root().c_str(), O_RDONLY | O_DIRECTORY);
        std::uint32_t how = kShutdownNoFlush;
        const bool shutDown = rootFd >= 0 && ioctl(rootFd, kShutdown, &how) == 0;
        if (rootFd >= 0) {
            close(rootFd);
        }
        stop = true;
        flusher.join();
        kill(pid, SIGKILL);
        const int status = WaitFor(pid);
        ASSERT_TRUE(shutDown) << "the file system could not be shut down";
        // Shut down mid-run, the run fails on its own (EIO) or is killed.
        const bool wasCut = status != 0 && status != 3;
        cut += wasCut ? 1 : 0;
        window *= wasCut ? 1.15 : 0.75;
        ASSERT_TRUE(disk.Remount()) << "round " << round;
        setenv("TSRN_STATE_DIR", state.c_str(), 1);
        const auto scan = journal::FindUnfinishedRuns();
        const bool hadJournal = !scan.runs.empty();
        // A run that had ended in one state is only made sure of, whatever is chosen.
        const auto completed = hadJournal ? scan.runs.front().contents.complete : std::nullopt;
        unsetenv("TSRN_STATE_DIR");
        const bool undo = round % 2 == 0;
        const int recovered =
            RunToEnd({TsrnctlPath(), "recover", undo ? "--undo" : "--resume", "--password-stdin"},
                     passwords, env);
        ASSERT_EQ(recovered, 0) << "round " << round;
        std::string firstOld;
        std::string firstNew;
        const std::size_t notOld = tree.Differences(FileState::Old, mode, keys, firstOld);
        const std::size_t notNew = tree.Differences(FileState::New, mode, keys, firstNew);
        EXPECT_TRUE(notOld == 0 || notNew == 0)
            << "round " << round << ": " << notOld << " not old (" << firstOld << "), " << notNew
            << " not new (" << firstNew << ")";
        if (status == 0) {
            EXPECT_EQ(notNew, 0u) << "round " << round << ": the run said it was done";
        } else if (completed) {
            EXPECT_EQ(*completed == FileState::New ? notNew : notOld, 0u) << "round " << round;
        } else if (undo && hadJournal) {
            EXPECT_EQ(notOld, 0u) << "round " << round << ": " << firstOld;
        }
    }
    EXPECT_GE(cut, 4) << "too few runs were cut short to show anything";
}

}  // namespace
}  // namespace tsrn::test
