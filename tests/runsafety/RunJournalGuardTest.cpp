// The journal under a run the program starts: a tree an unfinished run still
// holds is refused, a journal that cannot be started is asked about (No by
// default), a failed run keeps its journal and says where, a clean run
// leaves none; the password change's reciphering goes through the same guard.

#include "runsafety/RunJournalGuard.h"

#include <gtest/gtest.h>

#include <fstream>

#include "CrashedRun.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "journal/RunRecovery.h"
#include "password/PasswordChange.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "runsafety/JournaledLoopRunner.h"

namespace tsrn::test {
namespace {

namespace str = res::str;
using bulk::CipherMode;
using journal::FileState;

class RunJournalGuardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TSRN_STATE_DIR", state_.Path().c_str(), 1);
        ASSERT_TRUE(crypto::KeySlots::Instance().DeriveKey("old secret", crypto::KeySlot::Current));
        ASSERT_TRUE(crypto::KeySlots::Instance().DeriveKey("new secret", crypto::KeySlot::New));
    }
    void TearDown() override {
        unsetenv("TSRN_STATE_DIR");
        crypto::KeySlots::Instance().Clear();
    }

    TempDir dir_{"tsrn-guard"};
    TempDir state_{"tsrn-guard-state"};
    ScriptedPrompter prompter_;
};

TEST_F(RunJournalGuardTest, ATreeHeldByAnUnfinishedRunIsRefusedOthersAreNot) {
    const std::filesystem::path held = dir_.Path() / "held";
    TestTree tree(held / "inner", 1, 3);
    ASSERT_TRUE(CrashRun(held, CipherMode::Encipher, TestKeys(), 3));

    struct Case {
        std::filesystem::path folder;
        bool refused;
    };
    std::filesystem::create_directories(dir_.Path() / "elsewhere");
    const Case cases[] = {{held, true},
                          {held / "inner", true},
                          {dir_.Path(), true},
                          {dir_.Path() / "elsewhere", false}};
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        runsafety::RunJournalGuard guard(prompter);
        EXPECT_EQ(guard.Open(c.folder.string(), CipherMode::Encipher, TestKeys()), !c.refused)
            << c.folder;
        EXPECT_EQ(prompter.AskedIds(),
                  c.refused ? std::vector<int>{str::kRunOverlapRefused} : std::vector<int>{})
            << c.folder;
        EXPECT_EQ(guard.Writer() != nullptr, !c.refused) << c.folder;
    }
}

TEST_F(RunJournalGuardTest, AJournalThatCannotStartIsAskedAboutAndNoStopsTheRun) {
    // The journal folder would have to be made inside a plain file.
    const std::filesystem::path blocked = dir_.Path() / "not-a-folder";
    std::ofstream(blocked) << "x";
    const std::filesystem::path folder = dir_.Path() / "tree";
    std::filesystem::create_directories(folder);

    for (const Answer answer : {Answer::No, Answer::Yes}) {
        ScriptedPrompter prompter;
        prompter.Then(answer);
        runsafety::RunJournalGuard guard(prompter, blocked / "runs");
        EXPECT_EQ(guard.Open(folder.string(), CipherMode::Encipher, TestKeys()),
                  answer == Answer::Yes);
        ASSERT_EQ(prompter.AskedIds(), std::vector<int>{str::kJournalStartFailed});
        EXPECT_EQ(prompter.Asked().front().defaultButton, Answer::No);
        EXPECT_EQ(guard.Writer(), nullptr);
    }
}

TEST_F(RunJournalGuardTest, ACleanRunLeavesNoJournalAFailedOneKeepsItAndSaysWhere) {
    TestTree tree(dir_.Path() / "tree", 1, 5);
    runsafety::JournaledLoopRunner runner(prompter_);
    EXPECT_EQ(runner.Run(tree.Root().string(), CipherMode::Encipher), bulk::RunOutcome::Completed);
    std::string first;
    EXPECT_EQ(tree.Differences(FileState::New, CipherMode::Encipher, bulk::KeysFromSlots(), first),
              0u)
        << first;
    EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty());
    EXPECT_EQ(JournalsIn(state_.Path()), 0u);

    // A file that can neither be finished nor put back (every read after
    // its first chunk fails) fails the run: its journal stays for the next
    // start.
    const std::filesystem::path bad = tree.Root() / "bad";
    WriteBytes(bad, Bytes(3 * kCrashChunk, 7));
    ScriptedPrompter prompter;
    runsafety::RunJournalGuard guard(prompter);
    ASSERT_TRUE(guard.Open(tree.Root().string(), CipherMode::Decipher, bulk::KeysFromSlots()));
    {
        class FailingIo : public bulk::FileIo {
          public:
            explicit FailingIo(std::filesystem::path bad) : bad_(std::move(bad)) {}
            ssize_t ReadAt(int fd, void* buffer, std::size_t length, off_t offset) override {
                std::error_code error;
                const auto path =
                    std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
                if (path == bad_ && ++reads_ > 1) {
                    errno = EIO;
                    return -1;
                }
                return FileIo::ReadAt(fd, buffer, length, offset);
            }

          private:
            std::filesystem::path bad_;
            int reads_ = 0;
        } io(std::filesystem::canonical(bad));
        bulk::CipheringRun run(tree.Root().string(), CipherMode::Decipher, prompter,
                               bulk::KeysFromSlots(), kCrashChunk, io);
        guard.Attach(run);
        bulk::DriveToEnd(run);
        ASSERT_EQ(run.Outcome(), bulk::RunOutcome::Failed);
    }
    const std::string journalPath = guard.Writer()->Path().string();
    guard.Close();
    EXPECT_EQ(guard.Writer(), nullptr);
    const std::vector<int> asked = prompter.AskedIds();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), str::kJournalKept);
    EXPECT_NE(prompter.Asked().back().text.find(journalPath), std::string::npos);
    EXPECT_EQ(journal::FindUnfinishedRuns().runs.size(), 1u);
}

TEST_F(RunJournalGuardTest, ThePasswordChangeIsRefusedOverATreeAnUnfinishedRunHolds) {
    const std::filesystem::path folder = dir_.Path() / "tree";
    TestTree tree(folder, 1, 9);
    ASSERT_TRUE(CrashRun(folder, CipherMode::Encipher, TestKeys(), 2));
    const Bytes before = ReadBytes(tree.Files().back().path);

    registry::RegistryDatabase database(dir_.Path() / "registry");
    registry::RegistryStore store(database);
    folders::FolderList list;
    list.Append({folder.string(), folder.string(), "", 0x21, folders::FolderKind::User});
    folders::AppState state;
    state.currentPassword = "old secret";
    TestDriver driver;
    runsafety::JournaledLoopRunner runner(prompter_);
    password::PasswordPorts ports{prompter_, driver, list, state, runner, &store};
    prompter_.Then(Answer::Yes).Then(Answer::Yes);
    EXPECT_EQ(password::ChangePassword("new secret", ports),
              password::PasswordChangeResult::NotInstalled);
    EXPECT_EQ(state.currentPassword, "old secret");
    const std::vector<int> asked = prompter_.AskedIds();
    EXPECT_NE(std::find(asked.begin(), asked.end(), str::kRunOverlapRefused), asked.end());
    EXPECT_EQ(ReadBytes(tree.Files().back().path), before);
}

}  // namespace
}  // namespace tsrn::test
