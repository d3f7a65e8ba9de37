#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <functional>

#include "ScriptedPrompter.h"
#include "SetupFixture.h"
#include "SetupWizard.h"
#include "crypto/KeyDerivation.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "setup/InstallationPassword.h"

namespace tsrn::setup::test {
namespace {

using tsrn::test::ScriptedPrompter;
namespace str = res::setup::str;

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "setup-test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
    }
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

struct FakeDesktop : FolderChooser, ProgramLauncher {
    std::optional<QString> chosen;
    std::vector<std::pair<QString, QString>> started;
    std::vector<QString> opened;
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        return chosen;
    }
    bool StartProgram(const QString& program, const QString& directory) override {
        started.emplace_back(program, directory);
        return true;
    }
    bool OpenDocument(const QString& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
    bool openSucceeds = true;
};

class WizardTest : public ::testing::Test {
  protected:
    WizardTest() {
        EnsureApplication();
        world.LayOutMedium();
        state.sourceFolder = world.Medium().string();
        wizard = std::make_unique<SetupWizard>(context);
        wizard->show();
    }
    ~WizardTest() override { wizard.reset(); }

    template <typename T>
    T* Control(int id) {
        return wizard->findChild<T*>(QString::number(id));
    }
    bool Enabled(QWizard::WizardButton which) {
        QAbstractButton* b = wizard->button(which);
        return b->isVisible() && b->isEnabled();
    }
    void Next() {
        wizard
            ->button(wizard->currentPage()->isCommitPage() ? QWizard::CommitButton
                                                           : QWizard::NextButton)
            ->click();
    }
    // Welcome -> folder page with the test's install folder typed in.
    void ToFolderPage() {
        Next();
        ASSERT_EQ(wizard->currentId(), SetupWizard::Folder);
        Control<QLineEdit>(res::setup::ctl::kInstallFolder)
            ->setText(QString::fromStdString(world.InstallFolder()));
    }
    void ToPasswordPage() {
        ToFolderPage();
        Next();
        ASSERT_TRUE(WaitFor([&] { return wizard->currentId() == SetupWizard::Password; }));
    }
    void EnterPasswords(const QString& first, const QString& second) {
        Control<QLineEdit>(res::setup::ctl::kPassword)->setText(first);
        Control<QLineEdit>(res::setup::ctl::kPasswordAgain)->setText(second);
        Control<QLineEdit>(res::setup::ctl::kPasswordAgain)->setFocus();
        Next();
    }

    SetupWorld world;
    InstallState state;
    ScriptedPrompter prompter;
    FakeDesktop desktop;
    SetupContext context{state, world.Paths(), world.Registry(), prompter, desktop, desktop};
    std::unique_ptr<SetupWizard> wizard;
};

TEST_F(WizardTest, WalkThroughInstallsAndStartsTheProgram) {
    using namespace res::setup;
    EXPECT_EQ(wizard->windowTitle(), "Installation Tessaryn");
    EXPECT_TRUE(Enabled(QWizard::NextButton));
    EXPECT_FALSE(Enabled(QWizard::BackButton));

    Next();
    EXPECT_EQ(wizard->windowTitle(), "Installation Tessaryn: choice of folder for installing");
    EXPECT_TRUE(Enabled(QWizard::BackButton));
    EXPECT_EQ(Control<QLineEdit>(ctl::kInstallFolder)->text().toStdString(),
              DefaultInstallFolder().string());
    Control<QLineEdit>(ctl::kInstallFolder)->setText(QString::fromStdString(world.InstallFolder()));

    Next();
    EXPECT_EQ(wizard->currentId(), SetupWizard::Copying);
    EXPECT_FALSE(Enabled(QWizard::BackButton));
    EXPECT_FALSE(Enabled(QWizard::CommitButton));
    EXPECT_FALSE(Enabled(QWizard::NextButton));
    EXPECT_TRUE(Enabled(QWizard::CancelButton));
    ASSERT_TRUE(WaitFor([&] { return wizard->currentId() == SetupWizard::Password; }));
    EXPECT_EQ(Control<QProgressBar>(ctl::kProgress)->value(), 100);
    EXPECT_EQ(Control<QLabel>(ctl::kPercent)->text(), "100 %");
    EXPECT_EQ(wizard->windowTitle(), "Installation Tessaryn: installing a password");
    EXPECT_FALSE(Enabled(QWizard::BackButton));
    EXPECT_TRUE(fs::exists(fs::path(world.InstallFolder()) / "tsrn"));

    EnterPasswords("secret", "secret");
    ASSERT_EQ(wizard->currentId(), SetupWizard::Finished);
    EXPECT_TRUE(prompter.Asked().empty());
    EXPECT_FALSE(Enabled(QWizard::BackButton));
    EXPECT_TRUE(Enabled(QWizard::FinishButton));
    EXPECT_TRUE(Control<QCheckBox>(ctl::kViewReadme)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(ctl::kRunProgram)->isChecked());
    Control<QCheckBox>(ctl::kRunProgram)->setChecked(true);
    wizard->button(QWizard::FinishButton)->click();

    const QString folder = QString::fromStdString(world.InstallFolder() + "/");
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].first, folder + "tsrn");
    EXPECT_EQ(desktop.started[0].second, folder);
    EXPECT_EQ(desktop.opened, std::vector<QString>{
                                  QString::fromStdString(world.Medium().string() + "/readme.txt")});
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(wizard->RolledBack());
}

TEST_F(WizardTest, FinishWithBothBoxesClearedOnlyCloses) {
    ToPasswordPage();
    EnterPasswords("", "");
    ASSERT_EQ(wizard->currentId(), SetupWizard::Finished) << "empty passwords are accepted";
    Control<QCheckBox>(res::setup::ctl::kViewReadme)->setChecked(false);
    wizard->button(QWizard::FinishButton)->click();
    EXPECT_TRUE(desktop.started.empty());
    EXPECT_TRUE(desktop.opened.empty());
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(WizardTest, PasswordPageEnterMovesOnAndMismatchStartsAgain) {
    using namespace res::setup;
    ToPasswordPage();
    auto* first = Control<QLineEdit>(ctl::kPassword);
    auto* second = Control<QLineEdit>(ctl::kPasswordAgain);
    EXPECT_EQ(wizard->focusWidget(), first);

    first->setText("abc");
    QTest::keyClick(first, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return wizard->focusWidget() == second; }));
    EXPECT_TRUE(first->text().isEmpty());
    EXPECT_TRUE(second->text().isEmpty());
    EXPECT_TRUE(prompter.Asked().empty());
    EXPECT_EQ(wizard->currentId(), SetupWizard::Password);

    EnterPasswords("abc", "abd");
    EXPECT_EQ(prompter.AskedIds(), std::vector<int>{str::kPasswordMismatch});
    EXPECT_EQ(prompter.Asked()[0].captionId, str::kCaptionError);
    EXPECT_EQ(prompter.Asked()[0].icon, Icon::Stop);
    EXPECT_TRUE(first->text().isEmpty());
    EXPECT_TRUE(second->text().isEmpty());
    EXPECT_EQ(wizard->focusWidget(), first);
    EXPECT_EQ(wizard->currentId(), SetupWizard::Password);

    EnterPasswords("Abc", "Abc");
    EXPECT_EQ(wizard->currentId(), SetupWizard::Finished);
    registry::RegistryStore settings(world.Registry());
    std::uint8_t pwd[4] = {};
    EXPECT_TRUE(settings.GetBinary("settings\\", "pwd", pwd, sizeof pwd));
}

TEST_F(WizardTest, PasswordEditsTakeAtMost252BytesAsTyped) {
    using namespace res::setup;
    ToPasswordPage();
    for (const int id : {ctl::kPassword, ctl::kPasswordAgain}) {
        SCOPED_TRACE(id);
        auto* edit = Control<QLineEdit>(id);
        for (int i = 0; i < 130; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                            QString::fromUtf8("\xC3\xA9"));
            QApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(edit->text().toUtf8().size(), 252);
        EXPECT_EQ(edit->text().size(), 126);
    }
}

TEST_F(WizardTest, FolderChooserAsksBeforeCreatingAFolder) {
    using namespace res::setup;
    ToFolderPage();
    auto* edit = Control<QLineEdit>(ctl::kInstallFolder);
    auto* choose = Control<QPushButton>(ctl::kChooseFolder);
    const QString before = edit->text();

    desktop.chosen.reset();
    choose->click();
    EXPECT_EQ(edit->text(), before) << "cancelled";

    const fs::path missing = world.Root() / "chosen";
    desktop.chosen = QString::fromStdString(missing.string());
    prompter.Then(Answer::No);
    choose->click();
    ASSERT_EQ(prompter.AskedIds(), std::vector<int>{str::kCreateFolderQuestion});
    EXPECT_EQ(prompter.Asked()[0].text, "Folder " + missing.string() + " not exist, create ?");
    EXPECT_EQ(prompter.Asked()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(edit->text(), before);
    EXPECT_FALSE(fs::exists(missing));

    prompter.Then(Answer::Yes);
    choose->click();
    EXPECT_TRUE(fs::is_directory(missing));
    EXPECT_EQ(edit->text(), QString::fromStdString(missing.string()));

    const fs::path existing = world.Root() / "home";
    desktop.chosen = QString::fromStdString(existing.string());
    choose->click();
    EXPECT_EQ(prompter.Asked().size(), 2u) << "an existing folder needs no question";
    EXPECT_EQ(edit->text(), QString::fromStdString(existing.string()));
}

TEST_F(WizardTest, FolderPageRefusesFoldersThatAreNotItsOwn) {
    using namespace res::setup;
    ToFolderPage();
    WriteFile(world.Root() / "foreign" / "notes.txt", "mine");
    struct Case {
        std::string folder;
        int textId;
    };
    const Case cases[] = {
        {(world.Root() / "foreign").string(), str::kFolderNotEmpty},
        {world.Paths().homeFolder.string(), str::kFolderUnsafe},
        {"", str::kFolderMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        Control<QLineEdit>(ctl::kInstallFolder)->setText(QString::fromStdString(c.folder));
        Next();
        EXPECT_EQ(wizard->currentId(), SetupWizard::Folder);
        ASSERT_FALSE(prompter.Asked().empty());
        EXPECT_EQ(prompter.Asked().back().textId, c.textId);
        EXPECT_EQ(prompter.Asked().back().captionId, str::kCaptionError);
    }
    EXPECT_EQ(FileNames(world.Root() / "foreign"), std::vector<std::string>{"notes.txt"});
}

TEST_F(WizardTest, CancelBeforeCopyingOnlyAsks) {
    prompter.Then(Answer::No);
    wizard->reject();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(prompter.AskedIds(), std::vector<int>{str::kInterruptQuestion});

    ToFolderPage();
    prompter.Then(Answer::Yes);
    wizard->reject();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(wizard->RolledBack());
    EXPECT_FALSE(fs::exists(world.InstallFolder()));
}

TEST_F(WizardTest, CancelOnThePasswordPageRollsBack) {
    ToPasswordPage();
    prompter.Then(Answer::No);
    wizard->reject();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_TRUE(fs::exists(fs::path(world.InstallFolder()) / "tsrn"));

    prompter.Then(Answer::Yes);
    wizard->reject();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_TRUE(wizard->RolledBack());
    EXPECT_FALSE(fs::exists(world.InstallFolder()));
    EXPECT_FALSE(fs::exists(world.Paths().systemFolder / "tsrnvx"));
    EXPECT_FALSE(world.Registry().KeyExists(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn"));
    EXPECT_TRUE(desktop.started.empty());
}

// The installation has succeeded once the last page shows: closing that page
// asks nothing and keeps it.
TEST_F(WizardTest, ClosingTheFinishedPageIsNoCancel) {
    ToPasswordPage();
    EnterPasswords("x", "x");
    ASSERT_EQ(wizard->currentId(), SetupWizard::Finished);
    const std::size_t asked = prompter.Asked().size();
    wizard->reject();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(wizard->RolledBack());
    EXPECT_EQ(prompter.Asked().size(), asked);
    EXPECT_TRUE(fs::exists(fs::path(world.InstallFolder()) / "tsrn"));
    EXPECT_TRUE(
        world.Registry().KeyExists(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings"));
    EXPECT_TRUE(desktop.started.empty());
}

// A reinstall over a password in force warns before replacing it; No keeps it.
TEST_F(WizardTest, APasswordThatCannotBeStoredIsReportedAndThePageStays) {
    ToPasswordPage();
    std::filesystem::remove(std::filesystem::path(world.InstallFolder()) / "tsrn");
    EnterPasswords("abc", "abc");
    EXPECT_EQ(prompter.AskedIds(), std::vector<int>{str::kPasswordNotStored});
    EXPECT_EQ(prompter.Asked()[0].icon, Icon::Stop);
    EXPECT_EQ(wizard->currentId(), SetupWizard::Password);
}

TEST_F(WizardTest, ReinstallAsksBeforeReplacingThePasswordInForce) {
    struct Case {
        Answer answer;
        const char* expectedInForce;
    };
    for (const Case& c : {Case{Answer::No, "working"}, Case{Answer::Yes, "install"}}) {
        SCOPED_TRACE(c.expectedInForce);
        wizard.reset();
        state = InstallState{};
        state.sourceFolder = world.Medium().string();
        // The password in force is the registry's; no program is there to take it yet.
        (void)StoreInstallationPassword("working", world.InstallFolder() + "/", world.Registry());
        wizard = std::make_unique<SetupWizard>(context);
        wizard->show();
        ToPasswordPage();
        prompter.Then(c.answer);
        EnterPasswords("install", "install");
        ASSERT_EQ(wizard->currentId(), SetupWizard::Finished);
        ASSERT_FALSE(prompter.Asked().empty());
        EXPECT_EQ(prompter.Asked().back().textId, str::kReplacePasswordQuestion);
        EXPECT_EQ(prompter.Asked().back().defaultButton, Answer::No);
        std::uint8_t pwd[4] = {};
        registry::RegistryStore settings(world.Registry());
        ASSERT_TRUE(settings.GetBinary("settings\\", "pwd", pwd, sizeof pwd));
        EXPECT_EQ(pwd[0] | (pwd[1] << 8), crypto::StoredCheckWord(c.expectedInForce));
        wizard->accept();
    }
}

// The readme is shown from the medium, or the user is told why not.
TEST_F(WizardTest, ReadmeThatCannotBeOpenedIsReported) {
    desktop.openSucceeds = false;
    ToPasswordPage();
    EnterPasswords("x", "x");
    wizard->accept();
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0].toStdString(), world.Medium().string() + "/readme.txt");
    ASSERT_FALSE(prompter.Asked().empty());
    EXPECT_EQ(prompter.Asked().back().textId, str::kReadmeNotOpened);
    EXPECT_NE(prompter.Asked().back().text.find(world.Medium().string() + "/readme.txt"),
              std::string::npos);
}

TEST_F(WizardTest, CancelledCopyFailureRollsBackAndCloses) {
    fs::remove(world.Medium() / "TSRNVX.Vx_");
    prompter.Then(Answer::Cancel).Then(Answer::Yes);
    ToFolderPage();
    Next();
    ASSERT_TRUE(WaitFor([&] { return !wizard->isVisible(); }));
    EXPECT_EQ(prompter.AskedIds(), (std::vector<int>{str::kCopyError, str::kInterruptQuestion}));
    EXPECT_TRUE(wizard->RolledBack());
    EXPECT_FALSE(fs::exists(world.InstallFolder()));
}

}  // namespace
}  // namespace tsrn::setup::test
