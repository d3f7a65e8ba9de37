// Every name of a file is one file: after link, rename, chmod or chown
// through one name, every other name shows the same link count, mode and
// owner at once; and an open file keeps its attributes after its last name
// is gone.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <vector>

#include "MountTest.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;

class PosixAttributesTest : public MountTest {
  protected:
    void SetUp() override {
        MountTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        folder_ = Folder("names");
        ASSERT_TRUE(session_.Serve(1, folder_, 0x01));
    }

    struct stat StatOf(const std::string& name) {
        struct stat st {};
        EXPECT_EQ(::lstat((folder_ / name).c_str(), &st), 0) << name;
        return st;
    }

    fs::path folder_;
};

TEST_F(PosixAttributesTest, EveryNameShowsTheSameAttributesAtOnce) {
    WriteText(folder_ / "a", "some bytes");
    ASSERT_EQ(::mkdir((folder_ / "d").c_str(), 0755), 0);
    struct Step {
        const char* what;
        std::function<int()> act;
        std::vector<std::string> names;  // all must agree with each other
        nlink_t links;
        mode_t mode;
        uid_t owner;
    };
    auto at = [&](const char* name) { return (folder_ / name).string(); };
    const bool root = ::geteuid() == 0;
    const uid_t me = ::geteuid();
    const uid_t other = root ? 4321 : me;
    const std::vector<Step> steps = {
        {"link", [&] { return ::link(at("a").c_str(), at("b").c_str()); }, {"a", "b"}, 2, 0644, me},
        {"link into a folder",
         [&] { return ::link(at("b").c_str(), at("d/c").c_str()); },
         {"a", "b", "d/c"},
         3,
         0644,
         me},
        {"chmod through one name",
         [&] { return ::chmod(at("d/c").c_str(), 0600); },
         {"a", "b", "d/c"},
         3,
         0600,
         me},
        {"chown through another",
         [&] { return root ? ::chown(at("b").c_str(), other, static_cast<gid_t>(-1)) : 0; },
         {"a", "b", "d/c"},
         3,
         0600,
         other},
        {"rename one name",
         [&] { return ::rename(at("a").c_str(), at("e").c_str()); },
         {"e", "b", "d/c"},
         3,
         0600,
         other},
        {"rename over another name of the same file",
         [&] { return ::rename(at("e").c_str(), at("b").c_str()); },
         {"e", "b", "d/c"},
         3,
         0600,
         other},
        {"unlink one name",
         [&] { return ::unlink(at("e").c_str()); },
         {"b", "d/c"},
         2,
         0600,
         other},
        {"rename the folder holding one",
         [&] { return ::rename(at("d").c_str(), at("f").c_str()); },
         {"b", "f/c"},
         2,
         0600,
         other},
        {"link after the folder moved",
         [&] { return ::link(at("f/c").c_str(), at("f/g").c_str()); },
         {"b", "f/c", "f/g"},
         3,
         0600,
         other},
    };
    ::chmod(at("a").c_str(), 0644);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_EQ(step.act(), 0) << std::strerror(errno);
        struct stat first = StatOf(step.names.front());
        for (const std::string& name : step.names) {
            SCOPED_TRACE(name);
            struct stat st = StatOf(name);
            EXPECT_EQ(st.st_ino, first.st_ino);
            EXPECT_EQ(st.st_nlink, step.links);
            EXPECT_EQ(st.st_mode & 07777, step.mode);
            EXPECT_EQ(st.st_uid, step.owner);
            EXPECT_EQ(st.st_ctime, first.st_ctime);
        }
    }
    // A rename over a name of the same file leaves both (POSIX), so "e" is
    // only gone after the unlink.
    EXPECT_FALSE(fs::exists(folder_ / "e"));
}

TEST_F(PosixAttributesTest, AnOpenFileKeepsItsAttributesAfterItsLastNameIsGone) {
    fs::path file = folder_ / "doomed";
    int fd = ::open(file.c_str(), O_CREAT | O_RDWR, 0640);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "thirteen byte", 13), 13);
    ASSERT_EQ(::unlink(file.c_str()), 0);
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0) << std::strerror(errno);
    EXPECT_EQ(st.st_nlink, 0u);
    EXPECT_EQ(st.st_size, 13);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(::ftruncate(fd, 5), 0) << std::strerror(errno);
    ASSERT_EQ(::fstat(fd, &st), 0);
    EXPECT_EQ(st.st_size, 5);
    ASSERT_EQ(::fchmod(fd, 0600), 0);
    ASSERT_EQ(::fstat(fd, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    char back[8] = {};
    EXPECT_EQ(::pread(fd, back, sizeof back, 0), 5);
    EXPECT_EQ(std::string(back, 5), "thirt");
    ::close(fd);
}

}  // namespace
}  // namespace tsrn::vx::test
