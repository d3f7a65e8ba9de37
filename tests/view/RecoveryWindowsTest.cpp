// The start-up recovery with its real windows, offscreen: the three-way
// question boxes (a run's, a password change's), the progress window over a
// real recovery, and the ciphering dialog that finishes a resumed run over a
// tree whose run died mid-write, or takes a folder of a change back.

#include "view/gui/RecoveryWindows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "CrashedRun.h"
#include "RecordingView.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "journal/PasswordChangeRecord.h"
#include "password/ChangeRecovery.h"
#include "resources/ResourceIds.h"
#include "runsafety/JournaledLoopRunner.h"
#include "runsafety/StartupRecovery.h"
#include "view/gui/CipheringDialog.h"
#include "view/gui/RecoveryProgressDialog.h"

namespace tsrn::test {
namespace {

using runsafety::RecoveryAnswer;

QApplication& App() {
    static int argc = 1;
    static char name[] = "tsrn_recovery_widgets";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Clicks the button named `button` (Esc when null) once the box is shown.
void PressWhenShown(QMessageBox& box, const char* button) {
    QTimer::singleShot(0, &box, [&box, button] {
        if (button)
            box.findChild<QPushButton*>(button)->click();
        else
            QTest::keyClick(&box, Qt::Key_Escape);
    });
}

class NoPasswords : public app::PasswordPrompts {
  public:
    std::optional<std::string> AskUnlock(bool) override { return std::nullopt; }
    std::optional<app::MissingPasswordAnswer> AskMissingPassword() override { return std::nullopt; }
};

class GivenPassword : public NoPasswords {
  public:
    explicit GivenPassword(std::string password) : password_(std::move(password)) {}
    std::optional<std::string> AskUnlock(bool) override { return password_; }

  private:
    std::string password_;
};

// Presses OK in every ciphering dialog once its run has finished.
void PressOkWhenFinished(QObject* owner) {
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<view::CipheringDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->Run().Finished())
            dialog->findChild<QPushButton*>(QString::number(res::ctl::kOk))->click();
    });
    poll->start(5);
}

class RecoveryWindowsTest : public ::testing::Test {
  protected:
    RecoveryWindowsTest() {
        App();
        setenv("TSRN_STATE_DIR", state_.Path().c_str(), 1);
    }
    ~RecoveryWindowsTest() override { unsetenv("TSRN_STATE_DIR"); }

    TempDir dir_{"tsrn-recovery-widgets"};
    TempDir state_{"tsrn-recovery-widgets-state"};
    NoPasswords passwords_;
    test::RecordingView view_;
    view::RecoveryWindows windows_{passwords_, &view_};
};

TEST_F(RecoveryWindowsTest, TheQuestionOffersResumeUndoAndLaterWithLaterForEsc) {
    struct Case {
        const char* button;  // nullptr: Esc
        RecoveryAnswer answer;
    };
    for (const Case& c :
         {Case{"resume", RecoveryAnswer::Resume}, Case{"undo", RecoveryAnswer::Undo},
          Case{"later", RecoveryAnswer::Later}, Case{nullptr, RecoveryAnswer::Later}}) {
        windows_.SetQuestionHook([&c](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Tessaryn: Unfinished run");
            EXPECT_EQ(box.text(), "what to do");
            EXPECT_EQ(box.defaultButton()->objectName(), "later");
            PressWhenShown(box, c.button);
        });
        EXPECT_EQ(windows_.AskChoice("what to do"), c.answer) << (c.button ? c.button : "Esc");
    }
}

TEST_F(RecoveryWindowsTest, AnUnfinishedChangeOffersTakeBackFinishAndLaterWithLaterForEsc) {
    using runsafety::ChangeAnswer;
    struct Case {
        const char* button;  // nullptr: Esc
        ChangeAnswer answer;
    };
    for (const Case& c :
         {Case{"takeBack", ChangeAnswer::TakeBack}, Case{"finish", ChangeAnswer::Finish},
          Case{"later", ChangeAnswer::Later}, Case{nullptr, ChangeAnswer::Later}}) {
        windows_.SetQuestionHook([&c](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Tessaryn: Unfinished password change");
            EXPECT_EQ(box.defaultButton()->objectName(), "later");
            PressWhenShown(box, c.button);
        });
        EXPECT_EQ(windows_.AskChangeChoice("what to do"), c.answer)
            << (c.button ? c.button : "Esc");
    }
}

TEST_F(RecoveryWindowsTest, ResumeThroughTheWindowsFinishesEveryFile) {
    TestTree tree(dir_.Path() / "tree", 2, 11);
    const bulk::KeyPair keys = TestKeys();
    ASSERT_TRUE(CrashRun(tree.Root(), bulk::CipherMode::Encipher, keys, 8));

    windows_.SetQuestionHook([](QMessageBox& box) {
        QTimer::singleShot(0, &box, [&box] { box.findChild<QPushButton*>("resume")->click(); });
    });
    auto owner = std::make_unique<QObject>();
    PressOkWhenFinished(owner.get());
    ScriptedPrompter prompter;
    runsafety::StartupRecovery recovery(prompter, windows_);
    EXPECT_EQ(recovery.Run(keys.current),
              std::vector<runsafety::RunFate>{runsafety::RunFate::Resumed});

    std::string first;
    EXPECT_EQ(tree.Differences(journal::FileState::New, bulk::CipherMode::Encipher, keys, first),
              0u)
        << first;
    EXPECT_EQ(view_.stopped, std::vector<std::string>{tree.Root().string()});
    EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty());
}

TEST_F(RecoveryWindowsTest, ATakeBackThroughTheWindowsReciphersTheFolderBack) {
    const bulk::KeyPair keys = TestKeys();
    TestTree done(dir_.Path() / "done", 1, 5);
    TestTree untouched(dir_.Path() / "untouched", 1, 6);
    for (TestTree* tree : {&done, &untouched})
        tree->PrepareFor(bulk::CipherMode::Recipher, keys);
    {
        ScriptedPrompter quiet;
        bulk::CipheringRun run(done.Root().string(), bulk::CipherMode::Recipher, quiet, keys);
        bulk::DriveToEnd(run);
        journal::PasswordChangeRecord record;
        std::string error;
        ASSERT_TRUE(record.Create(journal::JournalDirectory(), keys.current, keys.next, error));
        ASSERT_TRUE(record.NoteMoving(done.Root().string(), journal::ChangeKey::New, error));
        ASSERT_TRUE(record.NoteReached(done.Root().string(), journal::ChangeKey::New, error));
    }
    GivenPassword newPassword("new secret");
    view::RecoveryWindows windows(newPassword, &view_);
    windows.SetQuestionHook([](QMessageBox& box) {
        QTimer::singleShot(0, &box, [&box] { box.findChild<QPushButton*>("takeBack")->click(); });
    });
    auto owner = std::make_unique<QObject>();
    PressOkWhenFinished(owner.get());

    ScriptedPrompter prompter;
    TestDriver driver;
    folders::FolderList list;
    for (const TestTree* tree : {&done, &untouched})
        list.Append(
            {tree->Root().string(), tree->Root().string(), "", 0x21, folders::FolderKind::User});
    folders::AppState state;
    state.currentPassword = "old secret";
    runsafety::JournaledLoopRunner runner(prompter);
    password::PasswordPorts ports{prompter, driver, list, state, runner};
    password::ChangeRecovery change(ports, windows);
    EXPECT_EQ(change.Run(keys.current, {}), password::ChangeFate::TakenBack);

    for (const TestTree* tree : {&done, &untouched}) {
        std::string first;
        EXPECT_EQ(
            tree->Differences(journal::FileState::Old, bulk::CipherMode::Recipher, keys, first), 0u)
            << first;
    }
    EXPECT_EQ(view_.stopped, std::vector<std::string>{done.Root().string()});
    EXPECT_FALSE(journal::PasswordChangeRecord::Load(journal::JournalDirectory()).present);
    EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty());
}

TEST_F(RecoveryWindowsTest, TheProgressWindowFollowsAnUndoFileByFile) {
    TestTree tree(dir_.Path() / "tree", 2, 12);
    const bulk::KeyPair keys = TestKeys();
    ASSERT_TRUE(CrashRun(tree.Root(), bulk::CipherMode::Encipher, keys, 12));
    journal::RunScan scan = journal::FindUnfinishedRuns();
    ASSERT_EQ(scan.runs.size(), 1u);
    const std::size_t files = scan.runs[0].contents.files.size();

    journal::RunRecovery recovery(scan.runs[0], keys);
    view::RecoveryProgressDialog progress;
    const journal::RecoveryResult result = progress.Run(recovery, journal::RecoveryChoice::Undo);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.undone);
    EXPECT_GT(progress.FilesSeen(), 0);
    EXPECT_LE(static_cast<std::size_t>(progress.FilesSeen()), files);
    EXPECT_FALSE(progress.isVisible());
    std::string first;
    EXPECT_EQ(tree.Differences(journal::FileState::Old, bulk::CipherMode::Encipher, keys, first),
              0u)
        << first;
}

}  // namespace
}  // namespace tsrn::test
