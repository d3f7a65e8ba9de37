// The real driver killed with SIGKILL under the running window (offscreen):
// the loss is said at once with its reason, the tray shows it, the rows show
// the folders as not served, and starting the driver again serves every
// folder with its own state and prohibitions. Skips where FUSE cannot be
// used; never leaves a mount behind (dead ones included).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QSystemTrayIcon>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AppDoubles.h"
#include "Mounts.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "app/AppIds.h"
#include "app/gui/CMainFrame.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/ToolBarLayoutStore.h"
#include "app/gui/ViewContext.h"
#include "crypto/KeyDerivation.h"
#include "driver/DeadMounts.h"
#include "driver/DriverClient.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "view/gui/CTsrnView.h"

namespace tsrn::test {
namespace {

namespace stdfs = std::filesystem;

constexpr const char* kPassword = "driver loss";

bool MountedAt(const std::string& point) {
    for (const std::string& mount : driver::DriverMountPoints()) {
        if (mount == point)
            return true;
    }
    return false;
}

QApplication& App() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "tsrn_driver_loss";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return *app;
}

class NoHelp : public app::HelpOpener {
  public:
    void ShowHelp(int) override {}
};

class DriverLoss : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string reason = FuseUnavailableReason();
        if (!reason.empty())
            GTEST_SKIP() << reason << ": the driver-loss run needs FUSE mounts";
        App();
        root = stdfs::canonical(dir.Path());
        kept = (root / "kept").string();
        stdfs::create_directory(kept);
        std::ofstream(root / "kept" / "note.txt") << "plain words";
        ASSERT_TRUE(crypto::KeySlots::Instance().DeriveKey(kPassword, crypto::KeySlot::Current));
        ASSERT_TRUE(driver.Open()) << "tsrnvx did not start";
        ASSERT_TRUE(driver.SetPassword(kPassword));
        ASSERT_TRUE(driver.InitializeDriver());
        state.currentPassword = kPassword;
        state.keyLoaded = true;
        state.unlocked = true;
    }
    void TearDown() override {
        frame.reset();
        driver.Close();
        driver::DetachDeadDriverMounts();
        crypto::KeySlots::Instance().Clear();
        if (!root.empty()) {
            EXPECT_FALSE(MountedAt(kept)) << "a mount was left behind at " << kept;
        }
    }

    app::CMainFrame& Frame() {
        if (!frame) {
            frame = std::make_unique<app::CMainFrame>(
                app::FrameServices{logic, store, windows, layouts, driver, prompter, help, clock,
                                   autostart, false, [] {}},
                std::make_unique<view::CTsrnView>(context));
            frame->View().Start();
        }
        return *frame;
    }
    view::CTsrnView& View() { return static_cast<view::CTsrnView&>(Frame().View()); }
    // The view's one-second tick, until the window has said something.
    void TickUntilAsked(std::size_t messages) {
        for (int i = 0; i < 100 && prompter.Asked().size() < messages; ++i) {
            View().TimerTick();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    // Deleting a file in the folder: refused with EACCES while its
    // prohibition holds.
    int DeleteError(const std::string& name) {
        std::ofstream(root / "kept" / name) << "x";
        return ::unlink((root / "kept" / name).c_str()) == 0 ? 0 : errno;
    }

    TempDir dir{"tsrn-driver-loss"};
    stdfs::path root;
    std::string kept;
    registry::RegistryDatabase database{dir.Path() / "registry"};
    registry::RegistryStore store{database};
    registry::RegistryStore windows{database, registry::Hive::LocalMachine,
                                    std::string(registry::kWindowsRunRoot)};
    app::ToolBarLayoutStore layouts{database};
    driver::DriverClient driver{TSRNVX_PROGRAM};
    ScriptedPrompter prompter;
    ScriptedPasswords passwords;
    FakeClock clock;
    NoHelp help;
    app::AutostartEntry autostart{dir.Path() / "autostart.desktop"};
    folders::AppState state;
    app::FrameLogic logic{state, {prompter, passwords, store, driver, dir.Path() / "cwd"}};
    app::ViewContext context{state, store, database, driver, prompter};
    std::unique_ptr<app::CMainFrame> frame;
};

TEST_F(DriverLoss, AKilledDriverIsSaidAtOnceAndStartedAgainServesEveryFolder) {
    Frame();
    ASSERT_EQ(View().Logic().Folders().AddFolder(kept, "kept", 0x82, folders::FolderKind::User), 0);
    View().Logic().RefreshList(false);
    const std::size_t row = View().Logic().List().Size() - 1;
    ASSERT_EQ(DeleteError("a"), EACCES) << "the prohibition holds while the driver runs";

    ASSERT_EQ(::kill(driver.DriverPid(), SIGKILL), 0);
    prompter.Then(Answer::No);
    TickUntilAsked(1);
    ASSERT_EQ(prompter.AskedIds(), std::vector<int>{res::str::kDriverLost});
    EXPECT_NE(prompter.Asked()[0].text.find("killed by signal 9"), std::string::npos)
        << prompter.Asked()[0].text;
    EXPECT_EQ(Frame().Tray()->toolTip().toStdString(), text::Text(res::str::kDriverLostTip));
    EXPECT_EQ(View().Logic().Rows()[row].ciphering, "Initialization error");
    EXPECT_EQ(View().Logic().Rows()[row].note, text::Text(res::str::kDriverGoneNote));
    EXPECT_EQ(View().Logic().List().State(row), 0x82u) << "the record keeps its state";
    View().TimerTick();
    EXPECT_EQ(prompter.Asked().size(), 1u) << "said once, not every second";

    // Refresh offers it again; this time it is started.
    prompter.Then(Answer::Yes);
    Frame().RunCommand(app::ids::kCmdRefresh);
    EXPECT_EQ(prompter.Asked().size(), 2u);
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_FALSE(logic.DriverDown());
    EXPECT_EQ(Frame().Tray()->toolTip().toStdString(), text::Text(res::str::kAppTitle));
    EXPECT_EQ(View().Logic().Rows()[row].ciphering, "Stopped");
    EXPECT_EQ(View().Logic().Rows()[row].note, "");
    EXPECT_TRUE(MountedAt(kept));
    EXPECT_EQ(DeleteError("b"), EACCES) << "the folder's prohibition holds again";
    std::ifstream note(root / "kept" / "note.txt");
    std::string words;
    std::getline(note, words);
    EXPECT_EQ(words, "plain words");
}

}  // namespace
}  // namespace tsrn::test
