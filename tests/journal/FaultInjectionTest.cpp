// Writes, reads and flushes fail at random under libfiu (fiu-run) while
// tsrnctl runs. Whatever the exit status says must be true of the files: 0
// only with every file done; otherwise, after recovery, every file old.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "JournalTestSupport.h"
#include "ProcessHelpers.h"
#include "TempDir.h"
#include "journal/RunRecovery.h"

namespace tsrn::test {
namespace {

using bulk::CipherMode;
using journal::FileState;

struct FaultCase {
    const char* point;  // libfiu's POSIX failure point
    double probability;
};

TEST(FaultInjectionTest, NoFailureIsReportedAsSuccess) {
    const std::string fiuRun = "/usr/bin/fiu-run";
    if (access(fiuRun.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "fiu-run (libfiu) is not installed: fault injection not tested";
    }
    TempDir state("tsrn-fiu-state");
    const std::vector<std::string> env = {"TSRN_STATE_DIR=" + state.Path().string(),
                                          "ASAN_OPTIONS=verify_asan_link_order=0"};
    setenv("TSRN_STATE_DIR", state.Path().c_str(), 1);
    const bulk::KeyPair keys = TestKeys();
    const FaultCase cases[] = {
        {"posix/io/rw/pwrite", 0.03},      // the files' chunks
        {"posix/io/rw/write", 0.3},        // the journal's records
        {"posix/io/sync/fdatasync", 0.3},  // the journal's flushes
        {"posix/io/sync/fsync", 0.5},      // the journal folder's flush
        {"posix/io/rw/pread", 0.03},       // reading chunks and reading ahead
    };
    int failures = 0;
    for (const FaultCase& c : cases) {
        for (int attempt = 0; attempt < 4; ++attempt) {
            const CipherMode mode = attempt % 2 == 0 ? CipherMode::Encipher : CipherMode::Recipher;
            const std::string passwords =
                mode == CipherMode::Recipher ? "old secret\nnew secret\n" : "old secret\n";
            TempDir dir("tsrn-fiu-tree");
            TestTree tree(dir.Path(), 2, static_cast<std::uint32_t>(attempt + 7));
            tree.PrepareFor(mode, keys);
            const std::string control = std::string("enable_random name=") + c.point +
                                        ",probability=" + std::to_string(c.probability);
            const int status =
                RunToEnd({fiuRun, "-x", "-f", "", "-c", control, TsrnctlPath(),
                          mode == CipherMode::Recipher ? "recipher" : "encipher",
                          "--password-stdin", "--chunk-size=4096", dir.Path().string()},
                         passwords, env);
            const std::string what = std::string(c.point) + " attempt " + std::to_string(attempt) +
                                     " status " + std::to_string(status);
            std::string first;
            if (status == 0) {
                EXPECT_EQ(tree.Differences(FileState::New, mode, keys, first), 0u) << what;
                EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty()) << what;
                continue;
            }
            ++failures;
            if (!journal::FindUnfinishedRuns().runs.empty()) {
                ASSERT_EQ(RunToEnd({TsrnctlPath(), "recover", "--undo", "--password-stdin"},
                                   passwords, env),
                          0)
                    << what;
            }
            EXPECT_EQ(tree.Differences(FileState::Old, mode, keys, first), 0u)
                << what << ": " << first;
            EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty()) << what;
        }
    }
    unsetenv("TSRN_STATE_DIR");
    EXPECT_GT(failures, 0) << "no injected fault made a run fail: the test shows nothing";
}

}  // namespace
}  // namespace tsrn::test
