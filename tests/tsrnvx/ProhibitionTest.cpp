// Every way around each prohibition bit, tried through a real mount: each
// attempt must fail with EACCES and leave the stored tree exactly as it was.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>

#include "MountTest.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;

// Outer folder P (registered, no prohibitions) holds the guarded folder F
// (registered with the bit under test) and a free area in the same mount.
struct Layout {
    fs::path outer, guarded, free;
    std::string G(const char* name) const { return (guarded / name).string(); }
    std::string Free(const char* name) const { return (free / name).string(); }
};

int Result(int rc) {
    return rc == 0 ? 0 : errno;
}

int OpenResult(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    return 0;
}

int ListResult(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return errno;
    }
    ::closedir(dir);
    return 0;
}

struct Attempt {
    std::uint32_t bit;  // 0: refused whatever the bit
    const char* what;
    std::function<int(const Layout&)> run;
    int expected = EACCES;
};

std::vector<Attempt> Attempts() {
    using L = const Layout&;
    return {
        // delete
        {0x80, "unlink", [](L l) { return Result(::unlink(l.G("file.txt").c_str())); }},
        {0x80, "unlink through ..",
         [](L l) { return Result(::unlink((l.free / ".." / "guarded" / "file.txt").c_str())); }},
        {0x80, "rmdir", [](L l) { return Result(::rmdir(l.G("empty").c_str())); }},
        {0x80, "rename away",
         [](L l) { return Result(::rename(l.G("file.txt").c_str(), l.Free("moved").c_str())); }},
        {0x80, "rename inside the folder",
         [](L l) { return Result(::rename(l.G("file.txt").c_str(), l.G("renamed").c_str())); }},
        {0x80, "rename over an entry",
         [](L l) { return Result(::rename(l.Free("x.txt").c_str(), l.G("file.txt").c_str())); }},
        {0x80, "exchange",
         [](L l) {
             return Result(::renameat2(AT_FDCWD, l.Free("x.txt").c_str(), AT_FDCWD,
                                       l.G("file.txt").c_str(), RENAME_EXCHANGE));
         }},
        {0x80, "reading still works", [](L l) { return OpenResult(l.G("file.txt"), O_RDONLY); }, 0},
        // write and create
        {0x20, "open for writing", [](L l) { return OpenResult(l.G("file.txt"), O_WRONLY); }},
        {0x20, "open for reading and writing",
         [](L l) { return OpenResult(l.G("file.txt"), O_RDWR); }},
        {0x20, "truncate on open for reading",
         [](L l) { return OpenResult(l.G("file.txt"), O_RDONLY | O_TRUNC); }},
        {0x20, "append", [](L l) { return OpenResult(l.G("file.txt"), O_WRONLY | O_APPEND); }},
        {0x20, "truncate", [](L l) { return Result(::truncate(l.G("file.txt").c_str(), 1)); }},
        {0x20, "create", [](L l) { return OpenResult(l.G("new"), O_CREAT | O_WRONLY); }},
        {0x20, "create in a subfolder",
         [](L l) { return OpenResult(l.G("sub/new"), O_CREAT | O_WRONLY); }},
        {0x20, "mkdir", [](L l) { return Result(::mkdir(l.G("newdir").c_str(), 0700)); }},
        {0x20, "mkfifo", [](L l) { return Result(::mkfifo(l.G("fifo").c_str(), 0600)); }},
        {0x20, "symlink", [](L l) { return Result(::symlink("x", l.G("link").c_str())); }},
        {0x20, "link into",
         [](L l) { return Result(::link(l.Free("x.txt").c_str(), l.G("hard").c_str())); }},
        {0x20, "link out",
         [](L l) { return Result(::link(l.G("file.txt").c_str(), l.Free("alias").c_str())); }},
        {0x20, "rename into",
         [](L l) { return Result(::rename(l.Free("x.txt").c_str(), l.G("x.txt").c_str())); }},
        {0x20, "rename inside the folder",
         [](L l) { return Result(::rename(l.G("file.txt").c_str(), l.G("renamed").c_str())); }},
        {0x20, "chmod", [](L l) { return Result(::chmod(l.G("file.txt").c_str(), 0600)); }},
        {0x20, "chown",
         [](L l) { return Result(::chown(l.G("file.txt").c_str(), ::getuid(), ::getgid())); }},
        {0x20, "utimes",
         [](L l) { return Result(::utimensat(AT_FDCWD, l.G("file.txt").c_str(), nullptr, 0)); }},
        {0x20, "setxattr",
         [](L l) { return Result(::setxattr(l.G("file.txt").c_str(), "user.t", "v", 1, 0)); }},
        {0x20, "chmod of the folder itself",
         [](L l) { return Result(::chmod(l.guarded.c_str(), 0700)); }},
        {0x20, "reading still works", [](L l) { return OpenResult(l.G("file.txt"), O_RDONLY); }, 0},
        // search
        {0x40, "list the folder", [](L l) { return ListResult(l.guarded.string()); }},
        {0x40, "list a subfolder", [](L l) { return ListResult(l.G("sub")); }},
        {0x40, "list through ..",
         [](L l) { return ListResult((l.free / ".." / "guarded").string()); }},
        {0x40, "move a subfolder out to list it",
         [](L l) { return Result(::rename(l.G("sub").c_str(), l.Free("sub").c_str())); }},
        {0x40, "opening a known name still works",
         [](L l) { return OpenResult(l.G("file.txt"), O_RDONLY); }, 0},
        // open
        {0x10, "open", [](L l) { return OpenResult(l.G("file.txt"), O_RDONLY); }},
        {0x10, "open in a subfolder",
         [](L l) { return OpenResult(l.G("sub/inner.txt"), O_RDONLY); }},
        {0x10, "open through a link from outside",
         [](L l) { return OpenResult(l.Free("sym"), O_RDONLY); }},
        {0x10, "open through ..",
         [](L l) {
             return OpenResult((l.free / ".." / "guarded" / "file.txt").string(), O_RDONLY);
         }},
        {0x10, "create and open", [](L l) { return OpenResult(l.G("new"), O_CREAT | O_RDWR); }},
        {0x10, "link out to open",
         [](L l) { return Result(::link(l.G("file.txt").c_str(), l.Free("alias").c_str())); }},
        {0x10, "move out to open",
         [](L l) { return Result(::rename(l.G("file.txt").c_str(), l.Free("alias").c_str())); }},
        {0x10, "listing still works", [](L l) { return ListResult(l.guarded.string()); }, 0},
        // any bit: the registered folder itself cannot be carried away
        {0, "move the registered folder",
         [](L l) { return Result(::rename(l.guarded.c_str(), l.Free("carried").c_str())); }},
        {0, "move the folder holding it",
         [](L l) { return Result(::rename(l.outer.c_str(), (l.outer.string() + "2").c_str())); },
         EBUSY},
    };
}

// Names, types, modes, owners, sizes, change times and contents of a tree.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        std::string facts = std::to_string(st.st_mode) + "/" + std::to_string(st.st_uid) + "/" +
                            std::to_string(st.st_size) + "/" + std::to_string(st.st_mtim.tv_nsec) +
                            "/" + std::to_string(st.st_ctim.tv_nsec) + "/" +
                            std::to_string(st.st_nlink);
        if (S_ISREG(st.st_mode)) {
            auto bytes = ReadBytes(entry.path());
            facts += "/" + std::string(bytes.begin(), bytes.end());
        } else if (S_ISLNK(st.st_mode)) {
            facts += "/" + fs::read_symlink(entry.path()).string();
        }
        entries[fs::relative(entry.path(), root).string()] = facts;
    }
    return entries;
}

std::string BitName(const ::testing::TestParamInfo<std::uint32_t>& param) {
    char name[16];
    std::snprintf(name, sizeof name, "Bit%02X", param.param);
    return name;
}

class ProhibitionTest : public MountTest, public ::testing::WithParamInterface<std::uint32_t> {
  protected:
    Layout MakeLayout() {
        Layout l{Folder("outer"), Folder("outer/guarded"), Folder("outer/free")};
        Folder("outer/guarded/sub");
        Folder("outer/guarded/empty");
        WriteText(l.guarded / "file.txt", "guarded contents");
        WriteText(l.guarded / "sub" / "inner.txt", "inner contents");
        WriteText(l.free / "x.txt", "free contents");
        fs::create_symlink("../guarded/file.txt", l.free / "sym");
        return l;
    }
};

TEST_P(ProhibitionTest, EveryWayAroundIsRefusedAndChangesNothing) {
    const std::uint32_t bit = GetParam();
    Layout layout = MakeLayout();
    auto before = Snapshot(layout.outer);
    ASSERT_TRUE(session_.Serve(1, layout.outer, 0x02));
    ASSERT_TRUE(session_.Serve(2, layout.guarded, bit | 0x01));
    for (const Attempt& attempt : Attempts()) {
        if (attempt.bit == bit || attempt.bit == 0) {
            EXPECT_EQ(attempt.run(layout), attempt.expected) << attempt.what;
        }
    }
    session_.Stop();
    EXPECT_EQ(Snapshot(layout.outer), before);
}

INSTANTIATE_TEST_SUITE_P(Bits, ProhibitionTest, ::testing::Values(0x80u, 0x20u, 0x40u, 0x10u),
                         BitName);

// The same folder without prohibitions allows all of it (the attempts above
// fail because of the bits, not because of the layout).
TEST_F(MountTest, WithoutProhibitionsTheAttemptsSucceed) {
    Layout l{Folder("outer"), Folder("outer/guarded"), Folder("outer/free")};
    WriteText(l.guarded / "file.txt", "contents");
    WriteText(l.free / "x.txt", "free");
    ASSERT_TRUE(session_.Serve(1, l.outer, 0x02));
    ASSERT_TRUE(session_.Serve(2, l.guarded, 0x02));
    EXPECT_EQ(OpenResult(l.G("file.txt"), O_RDWR), 0);
    EXPECT_EQ(ListResult(l.guarded.string()), 0);
    EXPECT_EQ(Result(::link(l.G("file.txt").c_str(), l.Free("alias").c_str())), 0);
    EXPECT_EQ(Result(::rename(l.Free("x.txt").c_str(), l.G("x.txt").c_str())), 0);
    EXPECT_EQ(Result(::unlink(l.G("file.txt").c_str())), 0);
}

}  // namespace
}  // namespace tsrn::vx::test
