// Everyday programs working through a ciphered mount; afterwards the stored
// files must decipher to what the programs wrote.

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "FormatCheck.h"
#include "MountTest.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;

bool Installed(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((fs::path(dir) / program).c_str(), X_OK) == 0) {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

// Runs a shell command line built from test-owned paths only.
int RunShell(const std::string& command) {
    return std::system(command.c_str());
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

void MakeSourceTree(const fs::path& source) {
    fs::create_directories(source / "nested");
    const std::size_t sizes[] = {0, 1, 7, 8, 13, 4099, (1u << 20) + 5};
    int n = 0;
    for (std::size_t size : sizes) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 131 + size) & 0xFF);
        }
        WriteText(source / (n % 2 == 0 ? "" : "nested") / ("f" + std::to_string(n)), bytes);
        ++n;
    }
}

struct Program {
    const char* name;
    // Works in the mounted `folder` with the plain `source` tree; returns the
    // shell's status (0 = the program did its job and checked the result).
    std::string (*script)(const fs::path& folder, const fs::path& source);
    // A file the program left whose plaintext is known (relative to folder),
    // and where the plaintext is (relative to source); empty when none.
    const char* stored;
    const char* plain;
};

const Program kPrograms[] = {
    {"cp",
     [](const fs::path& folder, const fs::path& source) {
         return "cp -a " + Quote(source) + " " + Quote(folder / "copy") + " && diff -r " +
                Quote(source) + " " + Quote(folder / "copy");
     },
     "copy/nested/f5", "nested/f5"},
    {"tar",
     [](const fs::path& folder, const fs::path& source) {
         return "tar -C " + Quote(source) + " -cf " + Quote(folder / "a.tar") + " . && mkdir " +
                Quote(folder / "x") + " && tar -C " + Quote(folder / "x") + " -xf " +
                Quote(folder / "a.tar") + " && diff -r " + Quote(source) + " " +
                Quote(folder / "x");
     },
     "x/f6", "f6"},
    {"sqlite3",
     [](const fs::path& folder, const fs::path&) {
         std::string db = Quote(folder / "t.db");
         return "sqlite3 " + db +
                " 'PRAGMA journal_mode=WAL; CREATE TABLE t(a, b); "
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<5000) "
                "INSERT INTO t SELECT i, hex(randomblob(40)) FROM n;' >/dev/null && sqlite3 " +
                db +
                " 'PRAGMA journal_mode=DELETE; DELETE FROM t WHERE a % 3 = 0; VACUUM;' "
                ">/dev/null && test \"$(sqlite3 " +
                db +
                " 'PRAGMA integrity_check; SELECT count(*) FROM t;' | tr '\\n' ' ')\" = 'ok 3334 '";
     },
     nullptr, nullptr},
    {"git",
     [](const fs::path& folder, const fs::path& source) {
         std::string repo = Quote(folder / "repo");
         std::string git = "git -C " + repo + " -c user.name=t -c user.email=t@t ";
         return "git init -q " + repo + " && cp -a " + Quote(source) + "/. " + repo + " && " + git +
                "add -A && " + git + "commit -qm one && echo more >> " +
                Quote(folder / "repo" / "f0") + " && " + git + "commit -qam two && " + git +
                "gc -q && " + git + "fsck --strict 2>/dev/null && test \"$(" + git +
                "rev-list --count HEAD)\" = 2";
     },
     "repo/f4", "f4"},
};

class RealProgramsTest : public MountTest, public ::testing::WithParamInterface<Program> {};

TEST_P(RealProgramsTest, WorksThroughACipheredMount) {
    const Program& program = GetParam();
    if (!Installed(program.name)) {
        GTEST_SKIP() << program.name << " is not installed: its run through a mount is not tested";
    }
    fs::path source = Folder("source");
    MakeSourceTree(source);
    fs::path folder = Folder("ciphered");
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    EXPECT_EQ(RunShell(program.script(folder, source)), 0) << program.name;
    session_.Stop();
    if (program.stored != nullptr) {
        auto stored = ReadBytes(folder / program.stored);
        auto plain = ReadBytes(source / program.plain);
        EXPECT_NE(stored, plain) << "stored in the clear";
        EXPECT_EQ(Deciphered(stored, crypto::DeriveKey(kPassword)), plain);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, RealProgramsTest, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace tsrn::vx::test
