// Extensions through a ciphered mount on a small file system of the test's
// own: the format keeps no holes, so an extension that cannot fit must be
// refused before a byte of it is written.

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "FormatCheck.h"
#include "MountTest.h"
#include "ProcessArgs.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;

bool Run(std::vector<std::string> words) {
    std::vector<char*> argv = ::tsrn::test::NullTerminated(words);
    pid_t child = ::fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A 48 MiB ext4 image mounted through a loop device that is freed with the
// mount (the loop driver's autoclear).
class SmallFileSystem {
  public:
    SmallFileSystem(const fs::path& image, fs::path point)
        : image_(image), point_(std::move(point)) {
        fs::create_directories(point_);
        mounted_ = Run({"truncate", "-s", "48M", image.string()}) &&
                   Run({"mkfs.ext4", "-q", "-F", "-m", "0", image.string()}) &&
                   Run({"mount", "-o", "loop", image.string(), point_.string()});
    }
    ~SmallFileSystem() {
        if (mounted_ && ::umount(point_.c_str()) != 0) {
            ::umount2(point_.c_str(), MNT_DETACH);
        }
        ::unlink(image_.c_str());
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    unsigned long long FreeBytes() const {
        struct statvfs st {};
        ::statvfs(point_.c_str(), &st);
        return static_cast<unsigned long long>(st.f_bfree) * st.f_frsize;
    }

  private:
    fs::path image_;
    fs::path point_;
    bool mounted_ = false;
};

class ExtensionGuardTest : public MountTest {
  protected:
    void SetUp() override {
        MountTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        if (::geteuid() != 0) {
            GTEST_SKIP() << "mounting a file system image of its own needs root";
        }
        disk_ = std::make_unique<SmallFileSystem>(root_ / "disk.img", root_ / "disk");
        if (!disk_->Mounted()) {
            GTEST_SKIP() << "cannot make and loop-mount an ext4 image (mkfs.ext4, loop devices)";
        }
    }
    void TearDown() override {
        session_.Stop();
        disk_.reset();
        MountTest::TearDown();
    }

    std::unique_ptr<SmallFileSystem> disk_;
};

using Bytes = std::vector<std::uint8_t>;

Bytes ReadThrough(const fs::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY);
    Bytes all(16 << 20);
    ssize_t got = fd < 0 ? -1 : ::pread(fd, all.data(), all.size(), 0);
    ::close(fd);
    all.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return all;
}

TEST_F(ExtensionGuardTest, ExtensionsThatCannotFitAreRefusedAndLeaveNothing) {
    fs::path folder = root_ / "disk" / "secret";
    fs::create_directories(folder);
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    fs::path file = folder / "f";
    WriteText(file, "thirteen byte");
    const Bytes plain{'t', 'h', 'i', 'r', 't', 'e', 'e', 'n', ' ', 'b', 'y', 't', 'e'};
    ASSERT_EQ(ReadThrough(file), plain);
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x02), 0);
    const Bytes stored = ReadBytes(file);
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x01), 0);
    const unsigned long long freeBefore = disk_->FreeBytes();

    constexpr off_t kGiB = off_t{1} << 30;
    struct Case {
        const char* what;
        std::function<int(int fd)> extend;  // -1 with errno on refusal
        std::vector<int> errors;
    };
    const Case cases[] = {
        {"truncate past the free space",
         [&](int) { return ::truncate(file.c_str(), kGiB); },
         {ENOSPC}},
        {"ftruncate past the free space", [](int fd) { return ::ftruncate(fd, kGiB); }, {ENOSPC}},
        {"write far past the end",
         [](int fd) { return ::pwrite(fd, "x", 1, kGiB) == 1 ? 0 : -1; },
         {ENOSPC}},
        {"fallocate past the free space",
         [](int fd) { return ::fallocate(fd, 0, 0, kGiB); },
         {ENOSPC}},
        {"truncate past the largest file",
         [&](int) { return ::truncate(file.c_str(), 999'999'999'999'999); },
         {EFBIG, EINVAL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int fd = ::open(file.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        errno = 0;
        EXPECT_EQ(c.extend(fd), -1);
        EXPECT_NE(std::find(c.errors.begin(), c.errors.end(), errno), c.errors.end())
            << std::strerror(errno);
        ::close(fd);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 13);
        EXPECT_EQ(ReadThrough(file), plain);
        EXPECT_LE(freeBefore - std::min(freeBefore, disk_->FreeBytes()), 64u * 1024)
            << "an extension that was refused left blocks behind";
    }
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x02), 0);
    EXPECT_EQ(ReadBytes(file), stored);
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x01), 0);

    // One that fits is stored as enciphered zeros, and reads as zeros.
    ASSERT_EQ(::truncate(file.c_str(), 10 << 20), 0);
    Bytes grown = plain;
    grown.resize(10 << 20, 0);
    EXPECT_EQ(ReadThrough(file), grown);
    ASSERT_EQ(session_.Link().SetFolderState(1, 0x02), 0);
    EXPECT_EQ(ReadBytes(file), StoredForm(grown, crypto::DeriveKey(kPassword)));
}

}  // namespace
}  // namespace tsrn::vx::test
