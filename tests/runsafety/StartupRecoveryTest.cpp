// The start-up recovery over real trees whose runs died in the middle of a
// write: the user's choice is carried out to the last byte of every file, a
// run of another password is only reported, a reciphering run's second
// password is checked before anything is written, and a file changed outside
// the run is reported and never written.

#include "runsafety/StartupRecovery.h"

#include <gtest/gtest.h>

#include <map>

#include "CrashedRun.h"
#include "ScriptedRecoveryPorts.h"
#include "TempDir.h"
#include "journal/RunRecovery.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::test {
namespace {

namespace str = res::str;
using bulk::CipherMode;
using journal::FileState;
using runsafety::RecoveryAnswer;
using runsafety::RunFate;

std::map<std::string, Bytes> Snapshot(const TestTree& tree) {
    std::map<std::string, Bytes> files;
    for (const TreeFile& file : tree.Files())
        files[file.path.string()] = ReadBytes(file.path);
    return files;
}

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

class StartupRecoveryTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("TSRN_STATE_DIR", state_.Path().c_str(), 1); }
    void TearDown() override { unsetenv("TSRN_STATE_DIR"); }

    // A tree in the state `mode` starts from, with a run of `mode` that died at write `dieAt`.
    TestTree& Crashed(CipherMode mode, int dieAt, std::uint32_t seed = 1) {
        const std::filesystem::path root = dir_.Path() / ("tree" + std::to_string(trees_.size()));
        trees_.push_back(std::make_unique<TestTree>(root, 2, seed));
        TestTree& tree = *trees_.back();
        tree.PrepareFor(mode, keys_);
        EXPECT_TRUE(CrashRun(root, mode, keys_, dieAt)) << "the run ended before its crash point";
        return tree;
    }

    std::vector<RunFate> Recover(const crypto::CipherKey& keyInForce) {
        runsafety::StartupRecovery recovery(prompter_, ports_);
        return recovery.Run(keyInForce);
    }

    std::size_t UnfinishedRuns() { return journal::FindUnfinishedRuns().runs.size(); }

    TempDir dir_{"tsrn-recovery"};
    TempDir state_{"tsrn-recovery-state"};
    bulk::KeyPair keys_ = TestKeys();
    std::vector<std::unique_ptr<TestTree>> trees_;
    ScriptedPrompter prompter_;
    ScriptedRecoveryPorts ports_;
};

TEST_F(StartupRecoveryTest, ResumeAndUndoLeaveEveryFileWhollyInTheChosenState) {
    struct Case {
        CipherMode mode;
        int dieAt;
        RecoveryAnswer answer;
    };
    const Case cases[] = {
        {CipherMode::Encipher, 2, RecoveryAnswer::Resume},
        {CipherMode::Encipher, 9, RecoveryAnswer::Undo},
        {CipherMode::Decipher, 5, RecoveryAnswer::Resume},
        {CipherMode::Decipher, 30, RecoveryAnswer::Undo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << static_cast<int>(c.mode) << " write " << c.dieAt);
        TestTree& tree = Crashed(c.mode, c.dieAt, static_cast<std::uint32_t>(c.dieAt));
        ports_ = ScriptedRecoveryPorts{};
        ports_.answers = {c.answer};
        prompter_ = ScriptedPrompter{};

        const bool resume = c.answer == RecoveryAnswer::Resume;
        EXPECT_EQ(Recover(keys_.current),
                  std::vector<RunFate>{resume ? RunFate::Resumed : RunFate::Undone});
        std::string first;
        EXPECT_EQ(tree.Differences(resume ? FileState::New : FileState::Old, c.mode, keys_, first),
                  0u)
            << first;
        EXPECT_EQ(ports_.questions.size(), 1u);
        EXPECT_NE(ports_.questions.front().find(tree.Root().string()), std::string::npos);
        EXPECT_EQ(ports_.stopped, std::vector<std::string>{tree.Root().string()});
        EXPECT_EQ(ports_.passwordsAsked, 0);
        for (const Message& message : prompter_.Asked())
            EXPECT_NE(message.captionId, str::kCaptionError) << message.text;
        EXPECT_EQ(UnfinishedRuns(), 0u);
        EXPECT_EQ(JournalsIn(state_.Path()), 0u);
    }
}

TEST_F(StartupRecoveryTest, LaterAndAnotherPasswordTouchNothingAndKeepTheJournal) {
    TestTree& tree = Crashed(CipherMode::Encipher, 4);
    const auto before = Snapshot(tree);

    ports_.answers = {RecoveryAnswer::Later};
    EXPECT_EQ(Recover(keys_.current), std::vector<RunFate>{RunFate::Later});
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{str::kRecoveryKept});
    EXPECT_EQ(Snapshot(tree), before);
    EXPECT_EQ(UnfinishedRuns(), 1u);

    prompter_ = ScriptedPrompter{};
    ports_ = ScriptedRecoveryPorts{};
    ports_.answers = {RecoveryAnswer::Resume};
    EXPECT_EQ(Recover(crypto::DeriveKey("someone else")),
              std::vector<RunFate>{RunFate::OtherPassword});
    EXPECT_TRUE(ports_.questions.empty());
    ASSERT_EQ(prompter_.AskedIds(), std::vector<int>{str::kRecoveryOtherPassword});
    const std::string journalPath = journal::FindUnfinishedRuns().runs.at(0).journal.string();
    EXPECT_NE(prompter_.Asked().front().text.find(journalPath), std::string::npos);
    EXPECT_EQ(Snapshot(tree), before);

    // The right password later still finds everything as it was left.
    EXPECT_EQ(Recover(keys_.current), std::vector<RunFate>{RunFate::Resumed});
    std::string first;
    EXPECT_EQ(tree.Differences(FileState::New, CipherMode::Encipher, keys_, first), 0u) << first;
}

TEST_F(StartupRecoveryTest, AReciphersSecondPasswordIsCheckedBeforeAnythingIsWritten) {
    struct Case {
        const char* name;
        bool oldInForce;                   // else the new password is in force
        std::optional<std::string> typed;  // nothing: the prompt is cancelled
        RecoveryAnswer answer;
        RunFate fate;
        std::optional<FileState> state;  // nothing: every file as the crash left it
    };
    const Case cases[] = {
        {"old in force, new typed, resume", true, "new secret", RecoveryAnswer::Resume,
         RunFate::Resumed, FileState::New},
        {"new in force, old typed, undo", false, "old secret", RecoveryAnswer::Undo,
         RunFate::Undone, FileState::Old},
        {"wrong second password", true, "not it", RecoveryAnswer::Resume, RunFate::WrongPassword,
         std::nullopt},
        {"the password in force typed again", true, "old secret", RecoveryAnswer::Undo,
         RunFate::WrongPassword, std::nullopt},
        {"prompt cancelled", false, std::nullopt, RecoveryAnswer::Undo, RunFate::Later,
         std::nullopt},
    };
    int seed = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestTree& tree = Crashed(CipherMode::Recipher, 6, static_cast<std::uint32_t>(++seed));
        const auto before = Snapshot(tree);
        ports_ = ScriptedRecoveryPorts{};
        ports_.answers = {c.answer};
        ports_.passwords = {c.typed};
        prompter_ = ScriptedPrompter{};

        EXPECT_EQ(Recover(c.oldInForce ? keys_.current : keys_.next), std::vector<RunFate>{c.fate});
        EXPECT_EQ(ports_.passwordsAsked, 1);
        ASSERT_FALSE(prompter_.AskedIds().empty());
        EXPECT_EQ(prompter_.AskedIds().front(),
                  c.oldInForce ? str::kRecoveryAskNewPassword : str::kRecoveryAskOldPassword);
        // With the old password in force, the question says what resuming means.
        EXPECT_EQ(ports_.questions.at(0).rfind(
                      std::string(text::Text(str::kRecoveryResumeOldInForce)), 0) == 0,
                  c.oldInForce);
        if (c.state) {
            std::string first;
            EXPECT_EQ(tree.Differences(*c.state, CipherMode::Recipher, keys_, first), 0u) << first;
            EXPECT_EQ(UnfinishedRuns(), 0u);
        } else {
            EXPECT_EQ(Snapshot(tree), before);
            EXPECT_EQ(UnfinishedRuns(), 1u);
            EXPECT_TRUE(ports_.stopped.empty());
            // Leave it to the next case's tree alone.
            ports_ = ScriptedRecoveryPorts{};
            ports_.answers = {RecoveryAnswer::Undo};
            ports_.passwords = {c.oldInForce ? "new secret" : "old secret"};
            Recover(c.oldInForce ? keys_.current : keys_.next);
            EXPECT_EQ(UnfinishedRuns(), 0u);
        }
    }
}

TEST_F(StartupRecoveryTest, AFileChangedOutsideTheRunIsReportedAndNeverWritten) {
    TestTree& tree = Crashed(CipherMode::Encipher, 7);
    const journal::RunScan scan = journal::FindUnfinishedRuns();
    ASSERT_EQ(scan.runs.size(), 1u);
    ASSERT_FALSE(scan.runs[0].contents.files.empty());
    std::string changed;
    for (const auto& entry : scan.runs[0].contents.files) {
        if (entry.length >= 64) {
            changed = entry.path;
            break;
        }
    }
    ASSERT_FALSE(changed.empty());
    Bytes edited = ReadBytes(changed);
    for (std::size_t i = 0; i < 32; ++i)
        edited[i] = static_cast<std::uint8_t>(edited[i] ^ 0x5A);
    chmod(changed.c_str(), 0644);
    WriteBytes(changed, edited);

    ports_.answers = {RecoveryAnswer::Resume};
    EXPECT_EQ(Recover(keys_.current), std::vector<RunFate>{RunFate::Failed});
    const std::vector<int> asked = prompter_.AskedIds();
    ASSERT_TRUE(Contains(asked, str::kRecoveryChangedFiles));
    EXPECT_TRUE(Contains(asked, str::kRecoveryFailed));
    for (const Message& message : prompter_.Asked()) {
        if (message.textId == str::kRecoveryChangedFiles) {
            EXPECT_NE(message.text.find(changed), std::string::npos);
        }
    }
    EXPECT_EQ(ReadBytes(changed), edited);
    EXPECT_EQ(UnfinishedRuns(), 1u);
    (void)tree;
}

TEST_F(StartupRecoveryTest, NothingIsWrittenWhileTheFolderCannotBeStoppedInTheDriver) {
    TestTree& tree = Crashed(CipherMode::Encipher, 3);
    const auto before = Snapshot(tree);
    ports_.answers = {RecoveryAnswer::Undo};
    ports_.canStop = false;
    EXPECT_EQ(Recover(keys_.current), std::vector<RunFate>{RunFate::Failed});
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{str::kRecoveryKept});
    EXPECT_EQ(Snapshot(tree), before);
    EXPECT_EQ(UnfinishedRuns(), 1u);
}

TEST_F(StartupRecoveryTest, AnUnreadableJournalIsReportedAndLeftAlone) {
    std::filesystem::create_directories(state_.Path() / "runs");
    const std::filesystem::path junk = state_.Path() / "runs" / "run-junk.journal";
    WriteBytes(junk, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'j', 'o', 'u', 'r', 'n', 'a', 'l'});
    EXPECT_TRUE(Recover(keys_.current).empty());
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{str::kRecoveryUnreadableJournal});
    EXPECT_TRUE(std::filesystem::exists(junk));
}

}  // namespace
}  // namespace tsrn::test
