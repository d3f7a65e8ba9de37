// A password change over three real folders cut by a crash (in the middle of
// the second folder's run, or between two folders), then the next start:
// the unfinished run is offered first, then the change is taken back or
// finished, and every file of every folder is compared byte for byte with
// what it must hold under the password in force. Also the change's rules on
// records made for the purpose: a record of the new password in force goes
// unasked, nothing is written without the change's new password, and a
// folder whose own run is unfinished, or whose state no journal tells, holds
// the change back.

#include "password/ChangeRecovery.h"

#include <gtest/gtest.h>

#include "CrashedRun.h"
#include "ScriptedRecoveryPorts.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "journal/RunRecovery.h"
#include "password/PasswordChange.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "runsafety/JournaledLoopRunner.h"
#include "runsafety/StartupRecovery.h"

namespace tsrn::test {
namespace {

namespace str = res::str;
using bulk::CipherMode;
using journal::ChangeKey;
using journal::FileState;
using journal::PasswordChangeRecord;
using password::ChangeFate;
using runsafety::ChangeAnswer;
using runsafety::RecoveryAnswer;

constexpr const char* kOldPassword = "old secret";
constexpr const char* kNewPassword = "new secret";

// Journaled runs whose run over one folder ends the process in the middle of
// a data write, as a kill would.
class CrashingRunner : public bulk::BulkRunner {
  public:
    CrashingRunner(Prompter& prompter, std::string dyingFolder, int dieAt)
        : prompter_(prompter), dyingFolder_(std::move(dyingFolder)), dieAt_(dieAt) {}

    // `dieAt` 0: the run over that folder ends with OK, then the process dies
    // before the change has noted it.
    bulk::RunOutcome Run(const std::string& folder, CipherMode mode) override {
        if (folder != dyingFolder_)
            return runsafety::JournaledLoopRunner(prompter_).Run(folder, mode);
        if (dieAt_ == 0) {
            (void)runsafety::JournaledLoopRunner(prompter_).Run(folder, mode);
            _exit(0);
        }
        DyingIo io(dieAt_, 1);
        runsafety::RunJournalGuard guard(prompter_);
        if (!guard.Open(folder, mode, bulk::KeysFromSlots()) || guard.Writer() == nullptr)
            _exit(2);
        guard.Writer()->SetLimits(journal::JournalLimits{40000, 3});
        bulk::CipheringRun run(folder, mode, prompter_, bulk::KeysFromSlots(), kCrashChunk, io);
        guard.Attach(run);
        bulk::DriveToEnd(run);
        _exit(3);  // the run ended before its crash point
    }

  private:
    Prompter& prompter_;
    std::string dyingFolder_;
    int dieAt_;
};

// Says yes to every question and ends the process when asked about folder N.
class DyingPrompter : public ScriptedPrompter {
  public:
    explicit DyingPrompter(int dieAtFolder) : dieAtFolder_(dieAtFolder) {}
    Answer Ask(const Message& message) override {
        if (message.textId == str::kRecipherFolderQuestion && ++folders_ == dieAtFolder_)
            _exit(0);
        return ScriptedPrompter::Ask(message);
    }

  private:
    int dieAtFolder_;
    int folders_ = 0;
};

// Recovery ports whose runs end the process after a few steps, as a kill
// in the middle of a take-back would.
class DyingRunPorts : public ScriptedRecoveryPorts {
  public:
    explicit DyingRunPorts(int dieAfterTicks) : dieAfterTicks_(dieAfterTicks) {}
    bulk::RunOutcome FinishRun(std::unique_ptr<bulk::CipheringRun> run) override {
        for (int tick = 0; tick < dieAfterTicks_ && !run->Finished(); ++tick)
            run->Tick();
        _exit(0);
    }

  private:
    int dieAfterTicks_;
};

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

class PasswordChangeRecoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TSRN_STATE_DIR", state_.Path().c_str(), 1);
        for (int i = 0; i < 3; ++i) {
            const std::filesystem::path root = dir_.Path() / ("folder" + std::to_string(i));
            trees_.push_back(std::make_unique<TestTree>(root, 1, 7 + static_cast<unsigned>(i)));
            trees_.back()->PrepareFor(CipherMode::Recipher, keys_);  // under the old key
            list_.Append({root.string(), root.string(), "", 0x21, folders::FolderKind::User});
        }
        state_in_force_.currentPassword = kOldPassword;
        EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(kOldPassword, crypto::KeySlot::Current));
    }
    void TearDown() override { unsetenv("TSRN_STATE_DIR"); }

    // For each case of a table: new folders, no journal, no record, no answers.
    void StartAfresh() {
        TearDown();
        trees_.clear();
        list_ = folders::FolderList();
        std::filesystem::remove_all(state_.Path() / "runs");
        for (int i = 0; i < 3; ++i)
            std::filesystem::remove_all(dir_.Path() / ("folder" + std::to_string(i)));
        SetUp();
        prompter_ = ScriptedPrompter();
        ports_ = ScriptedRecoveryPorts();
    }

    std::string Folder(int i) const { return trees_[static_cast<std::size_t>(i)]->Root().string(); }
    std::filesystem::path RecordDir() const { return journal::JournalDirectory(); }

    // A password change to the new password in a child process that dies
    // inside the run over folder `dyingFolder` (at data write `dieAt`), or
    // when asked about folder `dieAtQuestion` (1-based).
    bool CrashedChange(int dyingFolder, int dieAt, int dieAtQuestion) {
        const pid_t pid = fork();
        if (pid == 0) {
            DyingPrompter prompter(dieAtQuestion);
            CrashingRunner runner(prompter, dyingFolder < 0 ? "" : Folder(dyingFolder), dieAt);
            TestDriver driver;
            password::PasswordPorts ports{prompter, driver, list_, state_in_force_, runner};
            ports.changeRecordDirectory = RecordDir();
            password::ChangePassword(kNewPassword, ports);
            _exit(4);  // the change ended before its crash point
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // The next start: unfinished runs first, then the change left behind.
    ChangeFate Restart(const crypto::CipherKey& keyInForce) {
        runsafety::StartupRecovery startup(prompter_, ports_);
        (void)startup.Run(keyInForce);
        runsafety::JournaledLoopRunner runner(prompter_);
        password::PasswordPorts ports{prompter_, driver_, list_, state_in_force_, runner, &store_};
        ports.changeRecordDirectory = RecordDir();
        password::ChangeRecovery change(ports, ports_);
        return change.Run(keyInForce, startup.Offered());
    }

    // Folders whose files do not all hold what `key` gives them.
    std::vector<std::string> FoldersNotUnder(ChangeKey key) const {
        std::vector<std::string> wrong;
        for (const auto& tree : trees_) {
            std::string first;
            const FileState state = key == ChangeKey::Old ? FileState::Old : FileState::New;
            if (tree->Differences(state, CipherMode::Recipher, keys_, first) != 0)
                wrong.push_back(first);
        }
        return wrong;
    }

    // A record as a change leaves it, written for the purpose.
    void MakeRecord(const std::vector<std::pair<int, ChangeKey>>& reached,
                    const std::vector<int>& moving = {}, const std::vector<int>& ended = {}) {
        PasswordChangeRecord record;
        std::string error;
        ASSERT_TRUE(record.Create(RecordDir(), keys_.current, keys_.next, error)) << error;
        for (const auto& [folder, key] : reached) {
            ASSERT_TRUE(record.NoteMoving(Folder(folder), key, error)) << error;
            ASSERT_TRUE(record.NoteReached(Folder(folder), key, error)) << error;
        }
        for (int folder : moving)
            ASSERT_TRUE(record.NoteMoving(Folder(folder), ChangeKey::New, error)) << error;
        for (int folder : ended)
            ASSERT_TRUE(record.NoteEnded(Folder(folder), error)) << error;
    }

    bool RecordLeft() const { return PasswordChangeRecord::Load(RecordDir()).present; }

    TempDir dir_{"tsrn-change"};
    TempDir state_{"tsrn-change-state"};
    bulk::KeyPair keys_ = TestKeys();
    std::vector<std::unique_ptr<TestTree>> trees_;
    folders::FolderList list_;
    folders::AppState state_in_force_;
    registry::RegistryDatabase database_{dir_.Path() / "registry"};
    registry::RegistryStore store_{database_};
    ScriptedPrompter prompter_;
    ScriptedRecoveryPorts ports_;
    TestDriver driver_;
};

TEST_F(PasswordChangeRecoveryTest, ACrashedChangeIsTakenBackOrFinishedToTheLastByte) {
    struct Case {
        const char* name;
        int dyingFolder;  // -1: the process dies between two folders
        int dieAt;        // data write of that folder's run; 0: after the run
        int dieAtQuestion;
        RecoveryAnswer runAnswer;  // for the second folder's unfinished run
        ChangeAnswer changeAnswer;
        ChangeFate fate;
        ChangeKey allUnder;
    };
    const Case cases[] = {
        {"inside, resumed, taken back", 1, 5, 0, RecoveryAnswer::Resume, ChangeAnswer::TakeBack,
         ChangeFate::TakenBack, ChangeKey::Old},
        {"inside, undone, taken back", 1, 5, 0, RecoveryAnswer::Undo, ChangeAnswer::TakeBack,
         ChangeFate::TakenBack, ChangeKey::Old},
        {"inside, resumed, finished", 1, 5, 0, RecoveryAnswer::Resume, ChangeAnswer::Finish,
         ChangeFate::Finished, ChangeKey::New},
        {"inside, undone, finished", 1, 5, 0, RecoveryAnswer::Undo, ChangeAnswer::Finish,
         ChangeFate::Finished, ChangeKey::New},
        {"between, taken back", -1, 0, 3, RecoveryAnswer::Later, ChangeAnswer::TakeBack,
         ChangeFate::TakenBack, ChangeKey::Old},
        {"between, finished", -1, 0, 3, RecoveryAnswer::Later, ChangeAnswer::Finish,
         ChangeFate::Finished, ChangeKey::New},
        // The second folder's run ended with OK, its journal ended: it tells.
        {"after a run, before its note, taken back", 1, 0, 0, RecoveryAnswer::Later,
         ChangeAnswer::TakeBack, ChangeFate::TakenBack, ChangeKey::Old},
        {"after a run, before its note, finished", 1, 0, 0, RecoveryAnswer::Later,
         ChangeAnswer::Finish, ChangeFate::Finished, ChangeKey::New},
        // Inside the first folder, undone: nothing is under the new key.
        {"inside the first, undone", 0, 5, 0, RecoveryAnswer::Undo, ChangeAnswer::Finish,
         ChangeFate::NothingDone, ChangeKey::Old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartAfresh();

        ASSERT_TRUE(CrashedChange(c.dyingFolder, c.dieAt, c.dieAtQuestion))
            << "the change ended before its crash point";
        ASSERT_TRUE(RecordLeft());
        if (c.dyingFolder >= 0) {
            ports_.answers.push_back(c.runAnswer);
            ports_.passwords.push_back(kNewPassword);  // the unfinished run's second key
        }
        ports_.changeAnswers.push_back(c.changeAnswer);
        ports_.passwords.push_back(kNewPassword);

        EXPECT_EQ(Restart(keys_.current), c.fate);
        EXPECT_EQ(FoldersNotUnder(c.allUnder), std::vector<std::string>{});
        EXPECT_FALSE(RecordLeft());
        EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty());
        EXPECT_EQ(state_in_force_.currentPassword,
                  c.allUnder == ChangeKey::New ? kNewPassword : kOldPassword);
        if (c.fate == ChangeFate::NothingDone) {
            EXPECT_TRUE(ports_.changeQuestions.empty());
            continue;
        }
        ASSERT_EQ(ports_.changeQuestions.size(), 1u);
        // The question names the folders that cannot be read now.
        EXPECT_NE(ports_.changeQuestions[0].find(Folder(0)), std::string::npos);
        EXPECT_EQ(ports_.changeQuestions[0].find(Folder(2)), std::string::npos);
    }
    EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(kOldPassword, crypto::KeySlot::Current));
}

TEST_F(PasswordChangeRecoveryTest, ACrashDuringTheTakeBackIsRecoveredTheSameWay) {
    struct Case {
        RecoveryAnswer runAnswer;  // for the take-back's unfinished run
        ChangeAnswer changeAnswer;
        ChangeFate fate;
        ChangeKey allUnder;
    };
    const Case cases[] = {
        {RecoveryAnswer::Resume, ChangeAnswer::TakeBack, ChangeFate::TakenBack, ChangeKey::Old},
        {RecoveryAnswer::Undo, ChangeAnswer::Finish, ChangeFate::Finished, ChangeKey::New},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.changeAnswer == ChangeAnswer::Finish ? "undone, finished" : "resumed");
        StartAfresh();

        ASSERT_TRUE(CrashedChange(-1, 0, 3));  // folders 0 and 1 done
        const pid_t pid = fork();
        if (pid == 0) {
            DyingRunPorts dying(6);
            dying.changeAnswers.push_back(ChangeAnswer::TakeBack);
            dying.passwords.push_back(kNewPassword);
            runsafety::JournaledLoopRunner runner(prompter_);
            password::PasswordPorts ports{prompter_, driver_, list_, state_in_force_, runner};
            ports.changeRecordDirectory = RecordDir();
            (void)password::ChangeRecovery(ports, dying).Run(keys_.current, {});
            _exit(4);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the take-back ended before its crash point";
        ASSERT_EQ(journal::FindUnfinishedRuns().runs.size(), 1u);

        ports_.answers.push_back(c.runAnswer);
        ports_.passwords.push_back(kNewPassword);
        ports_.changeAnswers.push_back(c.changeAnswer);
        ports_.passwords.push_back(kNewPassword);
        EXPECT_EQ(Restart(keys_.current), c.fate);
        // The take-back's run asked for the change's new password by that name.
        EXPECT_TRUE(Contains(prompter_.AskedIds(), str::kChangeAskNewPassword));
        EXPECT_FALSE(Contains(prompter_.AskedIds(), str::kRecoveryAskOldPassword));
        EXPECT_EQ(FoldersNotUnder(c.allUnder), std::vector<std::string>{});
        EXPECT_FALSE(RecordLeft());
        EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty());
    }
    EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(kOldPassword, crypto::KeySlot::Current));
}

TEST_F(PasswordChangeRecoveryTest, WithTheNewPasswordInForceTheRecordGoesUnasked) {
    MakeRecord({{0, ChangeKey::New}, {1, ChangeKey::New}, {2, ChangeKey::New}});
    EXPECT_EQ(Restart(keys_.next), ChangeFate::Completed);
    EXPECT_FALSE(RecordLeft());
    EXPECT_TRUE(prompter_.Asked().empty());
    EXPECT_TRUE(ports_.changeQuestions.empty());
}

TEST_F(PasswordChangeRecoveryTest, NothingIsWrittenWithoutTheChangesNewPassword) {
    struct Case {
        const char* name;
        ChangeAnswer answer;
        std::optional<std::string> password;
        ChangeFate fate;
        int said;
    };
    const Case cases[] = {
        {"later", ChangeAnswer::Later, kNewPassword, ChangeFate::Later, str::kChangeKept},
        {"prompt cancelled", ChangeAnswer::TakeBack, std::nullopt, ChangeFate::Later,
         str::kChangeKept},
        {"wrong password, take back", ChangeAnswer::TakeBack, "not it", ChangeFate::WrongPassword,
         str::kChangeWrongPassword},
        {"old password, finish", ChangeAnswer::Finish, kOldPassword, ChangeFate::WrongPassword,
         str::kChangeWrongPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(RecordDir());
        prompter_ = ScriptedPrompter();
        ports_ = ScriptedRecoveryPorts();
        MakeRecord({{0, ChangeKey::New}});
        ports_.changeAnswers.push_back(c.answer);
        ports_.passwords.push_back(c.password);
        EXPECT_EQ(Restart(keys_.current), c.fate);
        EXPECT_TRUE(RecordLeft());
        EXPECT_EQ(FoldersNotUnder(ChangeKey::Old), std::vector<std::string>{});
        EXPECT_TRUE(Contains(prompter_.AskedIds(), c.said));
        EXPECT_EQ(state_in_force_.currentPassword, kOldPassword);
    }
}

TEST_F(PasswordChangeRecoveryTest, ARecordOfOtherPasswordsIsOnlyReported) {
    MakeRecord({{0, ChangeKey::New}});
    EXPECT_EQ(Restart(crypto::DeriveKey("a third one")), ChangeFate::OtherPassword);
    EXPECT_TRUE(RecordLeft());
    EXPECT_TRUE(Contains(prompter_.AskedIds(), str::kChangeOtherPassword));
    EXPECT_TRUE(ports_.changeQuestions.empty());
}

TEST_F(PasswordChangeRecoveryTest, AFolderWhoseRunIsLeftForLaterHoldsTheChangeBack) {
    // The run first: a guard refuses a run over a folder a left change holds.
    ASSERT_TRUE(CrashRun(trees_[1]->Root(), CipherMode::Recipher, keys_, 5));
    MakeRecord({{0, ChangeKey::New}}, {1});
    ports_.answers.push_back(RecoveryAnswer::Later);
    EXPECT_EQ(Restart(keys_.current), ChangeFate::Blocked);
    EXPECT_TRUE(Contains(prompter_.AskedIds(), str::kChangeBlocked));
    EXPECT_TRUE(ports_.changeQuestions.empty());
    EXPECT_TRUE(RecordLeft());
    EXPECT_EQ(journal::FindUnfinishedRuns().runs.size(), 1u);
}

TEST_F(PasswordChangeRecoveryTest, ARunWithoutJournalDecidesOnlyWhenItSaidHowItEnded) {
    // Announced and never said to end, with no journal: it may have written anything.
    MakeRecord({{0, ChangeKey::New}}, {1});
    EXPECT_EQ(Restart(keys_.current), ChangeFate::Blocked);
    EXPECT_TRUE(Contains(prompter_.AskedIds(), str::kChangeFolderUnknown));
    EXPECT_TRUE(RecordLeft());

    // Ended without OK and no journal kept: it left the folder as it was.
    std::filesystem::remove_all(RecordDir());
    prompter_ = ScriptedPrompter();
    MakeRecord({}, {1}, {1});
    EXPECT_EQ(Restart(keys_.current), ChangeFate::NothingDone);
    EXPECT_FALSE(RecordLeft());
    EXPECT_TRUE(prompter_.Asked().empty());
}

TEST_F(PasswordChangeRecoveryTest, NoRunStartsInAFolderTheLeftChangeHasUnderItsNewKey) {
    MakeRecord({{0, ChangeKey::New}});
    for (const std::string& folder : {Folder(0), Folder(0) + "/d1", dir_.Path().string()}) {
        runsafety::RunJournalGuard guard(prompter_);
        EXPECT_FALSE(guard.Open(folder, CipherMode::Decipher, keys_)) << folder;
    }
    runsafety::RunJournalGuard elsewhere(prompter_);
    EXPECT_TRUE(elsewhere.Open(Folder(2), CipherMode::Decipher, keys_));
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>(3, str::kChangeLeftRefused));
}

TEST_F(PasswordChangeRecoveryTest, ASecondChangeIsRefusedWhileOneIsLeft) {
    MakeRecord({{0, ChangeKey::New}});
    runsafety::JournaledLoopRunner runner(prompter_);
    password::PasswordPorts ports{prompter_, driver_, list_, state_in_force_, runner, &store_};
    ports.changeRecordDirectory = RecordDir();
    EXPECT_EQ(password::ChangePassword("a third one", ports),
              password::PasswordChangeResult::NotInstalled);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{str::kChangeLeftRefused});
    EXPECT_EQ(FoldersNotUnder(ChangeKey::Old), std::vector<std::string>{});
    EXPECT_EQ(state_in_force_.currentPassword, kOldPassword);
}

TEST_F(PasswordChangeRecoveryTest, AChangeThatEndsLeavesNoRecordAndOneNotInstalledSaysWhatItLeft) {
    runsafety::JournaledLoopRunner runner(prompter_);
    password::PasswordPorts ports{prompter_, driver_, list_, state_in_force_, runner, &store_};
    ports.changeRecordDirectory = RecordDir();
    EXPECT_EQ(password::ChangePassword(kNewPassword, ports),
              password::PasswordChangeResult::Installed);
    EXPECT_FALSE(RecordLeft());
    EXPECT_EQ(FoldersNotUnder(ChangeKey::New), std::vector<std::string>{});

    // Back under the old key, then a change broken off after the first folder.
    state_in_force_.currentPassword = kNewPassword;
    prompter_ = ScriptedPrompter();
    prompter_.Then(Answer::Yes).Then(Answer::Yes).Then(Answer::Cancel).Then(Answer::Yes);
    EXPECT_EQ(password::ChangePassword(kOldPassword, ports),
              password::PasswordChangeResult::NotInstalled);
    EXPECT_TRUE(Contains(prompter_.AskedIds(), str::kChangeLeftBehind));
    const journal::ChangeRecordLoad left = PasswordChangeRecord::Load(RecordDir());
    ASSERT_TRUE(left.contents);
    ASSERT_EQ(left.contents->folders.size(), 1u);
    EXPECT_EQ(left.contents->folders[0].path, Folder(0));
    EXPECT_EQ(left.contents->folders[0].key, ChangeKey::New);
    EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(kOldPassword, crypto::KeySlot::Current));
}

TEST_F(PasswordChangeRecoveryTest, AChangeNotInstalledIsOfferedAtOnceWithItsPasswordKnown) {
    // The run over the second folder fails once; the others go through.
    class FailingOnceRunner : public bulk::BulkRunner {
      public:
        FailingOnceRunner(Prompter& prompter, std::string failing)
            : real_(prompter), failing_(std::move(failing)) {}
        bulk::RunOutcome Run(const std::string& folder, CipherMode mode) override {
            if (folder == failing_ && !failed_) {
                failed_ = true;
                return bulk::RunOutcome::Failed;
            }
            return real_.Run(folder, mode);
        }

      private:
        runsafety::JournaledLoopRunner real_;
        std::string failing_;
        bool failed_ = false;
    };
    struct Case {
        ChangeAnswer answer;
        ChangeKey allUnder;
        const char* password;
    };
    for (const Case& c : {Case{ChangeAnswer::TakeBack, ChangeKey::Old, kOldPassword},
                          Case{ChangeAnswer::Finish, ChangeKey::New, kNewPassword}}) {
        SCOPED_TRACE(c.password);
        EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(kOldPassword, crypto::KeySlot::Current));
        state_in_force_.currentPassword = kOldPassword;
        ports_ = ScriptedRecoveryPorts();
        ports_.changeAnswers.push_back(c.answer);
        FailingOnceRunner runner(prompter_, Folder(1));
        password::PasswordPorts ports{prompter_, driver_, list_, state_in_force_, runner, &store_};
        ports.changeRecordDirectory = RecordDir();
        ports.recoveryAsks = &ports_;
        EXPECT_EQ(password::ChangePassword(kNewPassword, ports),
                  c.allUnder == ChangeKey::New ? password::PasswordChangeResult::Installed
                                               : password::PasswordChangeResult::NotInstalled);
        EXPECT_EQ(ports_.changeQuestions.size(), 1u);
        EXPECT_EQ(ports_.passwordsAsked, 0);
        EXPECT_EQ(FoldersNotUnder(c.allUnder), std::vector<std::string>{});
        EXPECT_FALSE(RecordLeft());
        EXPECT_EQ(state_in_force_.currentPassword, c.password);
    }
    EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(kOldPassword, crypto::KeySlot::Current));
}

TEST_F(PasswordChangeRecoveryTest, AChangeBrokenOffBeforeAnyFolderWasDoneLeavesNoRecord) {
    class RefusingRunner : public bulk::BulkRunner {
      public:
        bulk::RunOutcome Run(const std::string&, CipherMode) override {
            return bulk::RunOutcome::Failed;
        }
    } runner;
    password::PasswordPorts ports{prompter_, driver_, list_, state_in_force_, runner, &store_};
    ports.changeRecordDirectory = RecordDir();
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(password::ChangePassword(kNewPassword, ports),
                  password::PasswordChangeResult::NotInstalled);
        EXPECT_FALSE(RecordLeft());
    }
    EXPECT_FALSE(Contains(prompter_.AskedIds(), str::kChangeLeftRefused));
}

}  // namespace
}  // namespace tsrn::test
