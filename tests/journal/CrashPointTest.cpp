// A run is cut short at chosen writes (the process ends at once, as when it
// is killed, with only some pages of the chunk written), then recovered by
// resume or undo; every file must be wholly in the state the choice asks for.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DyingIo.h"
#include "JournalTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "journal/RunJournalWriter.h"
#include "journal/RunRecovery.h"

namespace tsrn::test {
namespace {

using bulk::CipherMode;
using journal::FileState;
using journal::RecoveryChoice;

constexpr std::size_t kChunk = 16384;

struct CrashCase {
    CipherMode mode;
    int dieAt;          // the data write the process dies in
    std::size_t pages;  // pages of that write that reach the file
    int cancelAfter;    // files done before the user cancels (0: never)
    RecoveryChoice choice;
};

// Runs in a child process; returns whether the run ended before the crash point.
bool RunUntilDeath(const TestTree& tree, const CrashCase& c, const bulk::KeyPair& keys) {
    pid_t pid = fork();
    if (pid == 0) {
        DyingIo io(c.dieAt, c.pages);
        ScriptedPrompter prompter;
        prompter.Then(Answer::Yes);  // the cancel question, if asked
        bulk::CipheringRun run(tree.Root().string(), c.mode, prompter, keys, kChunk, io);
        std::string error;
        auto writer = journal::RunJournalWriter::Start(journal::JournalDirectory(),
                                                       tree.Root().string(), c.mode, keys, error);
        if (!writer) {
            _exit(2);
        }
        // Small batches, so crash points fall between flushes too.
        writer->SetLimits(journal::JournalLimits{40000, 3});
        run.SetJournal(writer.get());
        int ticks = 0;
        while (!run.Ended()) {
            if (run.Finished()) {
                run.PressButton();
            } else if (c.cancelAfter > 0 && ++ticks == c.cancelAfter) {
                run.PressButton();
            } else {
                run.Tick();
            }
        }
        _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

class CrashPointTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("TSRN_STATE_DIR", (state_.Path()).c_str(), 1); }
    void TearDown() override { unsetenv("TSRN_STATE_DIR"); }

    // Recovers every run found; returns the state the files must now be in.
    FileState Recover(RecoveryChoice choice, const bulk::KeyPair& keys, bool& hadRun) {
        journal::RunScan scan = journal::FindUnfinishedRuns();
        EXPECT_TRUE(scan.problems.empty());
        hadRun = !scan.runs.empty();
        if (!hadRun) {
            return FileState::Old;
        }
        EXPECT_EQ(scan.runs.size(), 1u);
        journal::RunRecovery recovery(scan.runs.front(), keys);
        journal::RecoveryResult result = recovery.Recover(choice);
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_TRUE(result.changedFiles.empty());
        if (result.undone) {
            return FileState::Old;
        }
        ScriptedPrompter prompter;
        auto run = recovery.ContinuedRun(result, prompter, kChunk);
        EXPECT_NE(run, nullptr);
        if (run) {
            bulk::DriveToEnd(*run);
            EXPECT_EQ(run->Outcome(), bulk::RunOutcome::Completed);
        }
        return FileState::New;
    }

    TempDir state_{"tsrn-journal-state"};
};

TEST_F(CrashPointTest, EveryFileEndsWhollyOldOrNew) {
    const bulk::KeyPair keys = TestKeys();
    std::vector<CrashCase> cases;
    for (CipherMode mode : {CipherMode::Encipher, CipherMode::Decipher, CipherMode::Recipher}) {
        for (int dieAt : {1, 2, 5, 12, 26, 45}) {
            const auto pages = static_cast<std::size_t>(dieAt % 4);
            const RecoveryChoice choice =
                dieAt % 2 == 0 ? RecoveryChoice::Resume : RecoveryChoice::Undo;
            cases.push_back({mode, dieAt, pages, 0, choice});
            // Cancelled after a few files: the crash falls in the undo or just before it.
            cases.push_back({mode, dieAt, pages, 6, choice});
        }
    }
    for (const CrashCase& c : cases) {
        TempDir dir("tsrn-journal-tree");
        TestTree tree(dir.Path(), 1, static_cast<std::uint32_t>(c.dieAt));
        tree.PrepareFor(c.mode, keys);
        const bool ended = RunUntilDeath(tree, c, keys);
        bool hadRun = false;
        const FileState state = Recover(c.choice, keys, hadRun);
        std::string first;
        FileState expected = state;
        if (!hadRun) {
            // No journal left: the run must have ended on its own, complete or wholly undone.
            ASSERT_TRUE(ended) << "journal missing after a crash";
            expected = c.cancelAfter > 0 ? FileState::Old : FileState::New;
        }
        EXPECT_EQ(tree.Differences(expected, c.mode, keys, first), 0u)
            << "mode " << static_cast<int>(c.mode) << " dieAt " << c.dieAt << " pages " << c.pages
            << " cancelAfter " << c.cancelAfter << ": first wrong file " << first;
        EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty());
    }
}

// Ends the process as the run opens a file whose mode it has opened up for writing.
class DyingOpenIo : public bulk::FileIo {
  public:
    int OpenFile(const bulk::FilePlace& file, int flags) override {
        const char* path = file.path;
        struct stat st {};
        if (stat(path, &st) == 0 && (st.st_mode & S_IWUSR) != 0) {
            _exit(0);
        }
        return FileIo::OpenFile(file, flags);
    }
};

TEST_F(CrashPointTest, ReadOnlyFileGetsItsModeBackAfterACrashBeforeAnyWrite) {
    const bulk::KeyPair keys = TestKeys();
    TempDir dir("tsrn-journal-tree");
    const std::filesystem::path path = dir / "read-only";
    const Bytes original(5000, 0x5A);
    WriteBytes(path, original);
    chmod(path.c_str(), 0444);
    pid_t pid = fork();
    if (pid == 0) {
        DyingOpenIo io;
        ScriptedPrompter prompter;
        bulk::CipheringRun run(dir.Path().string(), CipherMode::Encipher, prompter, keys, kChunk,
                               io);
        std::string error;
        auto writer = journal::RunJournalWriter::Start(
            journal::JournalDirectory(), dir.Path().string(), CipherMode::Encipher, keys, error);
        run.SetJournal(writer.get());
        bulk::DriveToEnd(run);
        _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    bool hadRun = false;
    Recover(RecoveryChoice::Undo, keys, hadRun);
    EXPECT_TRUE(hadRun);
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(ReadBytes(path), original);
}

}  // namespace
}  // namespace tsrn::test
