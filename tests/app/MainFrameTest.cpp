#include "app/gui/CMainFrame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>

#include "AppDoubles.h"
#include "GuiTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "app/AppIds.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/ToolBarLayoutStore.h"
#include "resources/MenuLayout.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {
namespace {

using driver::RequestCode;
using test::TestDriver;

class FakeView : public FrameView {
  public:
    QWidget* Widget() override { return widget; }
    void Start() override { ++starts; }
    void Close() override { ++closes; }
    void SetTick(std::function<void()> t) override { tick = std::move(t); }
    void SetLocked(bool l) override { locked = l; }
    bool HandlesCommand(int id) const override { return id == ids::kCmdAddFolder; }
    void RunCommand(int id) override { run.push_back(id); }
    bool CommandEnabled(int) const override { return true; }
    bool AnyFilesOpen() const override { return anyOpen; }
    int FolderCount() const override { return folders; }
    int SelectedPosition() const override { return 0; }
    void ResendAllStates() override {}
    std::uint32_t GlobalProtection() const override { return 0; }
    void SetGlobalProtection(std::uint32_t) override {}
    void SendGlobalProtection() override {}
    int EnterAction() const override { return 0; }
    void SetEnterAction(int) override {}
    void SaveSettings() override {}

    QWidget* widget = new QWidget;
    std::function<void()> tick;
    bool locked = false;
    bool anyOpen = false;
    int folders = 0;
    int starts = 0;
    int closes = 0;
    std::vector<int> run;
};

class RecordingHelp : public HelpOpener {
  public:
    void ShowHelp(int context) override { contexts.push_back(context); }
    std::vector<int> contexts;
};

class MainFrameTest : public ::testing::Test {
  protected:
    MainFrameTest() {
        test::EnsureApplication();
        state_.currentPassword = "pw";
        state_.keyLoaded = true;
    }

    CMainFrame& Frame() {
        if (!frame_) {
            auto view = std::make_unique<FakeView>();
            view_ = view.get();
            frame_ = std::make_unique<CMainFrame>(
                FrameServices{logic_, store_, windows_, layouts_, driver_, prompter_, help_, clock_,
                              autostart_, false, [this] { ++abouts_; }},
                std::move(view));
        }
        return *frame_;
    }
    std::vector<int> ToolBarIds() {
        std::vector<int> ids;
        for (QAction* a : Frame().findChild<QToolBar*>(test::IdName(ids::kToolBarId))->actions()) {
            ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        }
        return ids;
    }
    // The tray menu as it stands: command ids, 0 for a separator, and texts.
    std::vector<int> TrayIds() {
        std::vector<int> ids;
        for (QAction* a : Frame().Tray()->contextMenu()->actions())
            ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return ids;
    }
    void TrayCommand(int id) {
        for (QAction* a : Frame().Tray()->contextMenu()->actions()) {
            if (!a->isSeparator() && a->data().toInt() == id) {
                a->trigger();
                return;
            }
        }
        ADD_FAILURE() << "the tray menu offers no " << id;
    }
    void TrayEvent(QSystemTrayIcon::ActivationReason reason) {
        emit Frame().Tray()->activated(reason);
    }
    std::vector<int> ExpectedToolBar(int id) {
        const auto buttons = res::ToolbarButtons(id);
        return {buttons.begin(), buttons.end()};
    }

    test::TempDir dir_;
    registry::RegistryDatabase database_{dir_ / "registry"};
    registry::RegistryStore store_{database_};
    registry::RegistryStore windows_{database_, registry::Hive::LocalMachine,
                                     std::string(registry::kWindowsRunRoot)};
    ToolBarLayoutStore layouts_{database_};
    TestDriver driver_;
    test::ScriptedPrompter prompter_;
    test::ScriptedPasswords passwords_;
    test::FakeClock clock_;
    RecordingHelp help_;
    AutostartEntry autostart_{dir_ / "autostart.desktop"};
    folders::AppState state_;
    FrameLogic logic_{state_, {prompter_, passwords_, store_, driver_, dir_ / "cwd"}};
    std::unique_ptr<CMainFrame> frame_;
    FakeView* view_ = nullptr;
    int abouts_ = 0;
};

TEST_F(MainFrameTest, UnlockedWindowHasMenuAndToolbar128AndTheStatusPanes) {
    CMainFrame& frame = Frame();
    EXPECT_EQ(frame.windowTitle(), "Tessaryn");
    EXPECT_EQ(frame.menuBar()->objectName(), test::IdName(ids::kMenuUnlocked));
    QStringList titles;
    for (QAction* menu : frame.menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Control", "&View", "&Help"}));
    EXPECT_EQ(ToolBarIds(), ExpectedToolBar(res::toolbar::kMain));
    ASSERT_NE(frame.findChild<QStatusBar*>(test::IdName(ids::kStatusBarId)), nullptr);
    ASSERT_NE(frame.findChild<QLabel*>(test::IdName(ids::kWorkTimePaneId)), nullptr);
    EXPECT_EQ(frame.findChild<QAction*>(test::IdName(ids::kCmdLock))->statusTip(), "Lock Tessaryn");
    EXPECT_EQ(frame.findChild<QAction*>(test::IdName(ids::kCmdLock))->toolTip(), "Lock");
    EXPECT_TRUE(state_.unlocked);
}

TEST_F(MainFrameTest, LockAndUnlockSwitchMenusToolbarsAndLayouts) {
    CMainFrame& frame = Frame();
    frame.RunCommand(ids::kCmdLock);
    EXPECT_TRUE(frame.IsLocked());
    EXPECT_TRUE(view_->locked);
    EXPECT_EQ(frame.menuBar()->objectName(), test::IdName(ids::kMenuLocked));
    EXPECT_EQ(ToolBarIds(), ExpectedToolBar(res::toolbar::kLocked));
    EXPECT_FALSE(layouts_.Load("ToolBar").isEmpty());

    passwords_.Unlock("wrong").Unlock("pw");
    frame.RunCommand(ids::kCmdUnlock);
    EXPECT_TRUE(frame.IsLocked());
    frame.RunCommand(ids::kCmdUnlock);
    EXPECT_FALSE(frame.IsLocked());
    EXPECT_FALSE(view_->locked);
    EXPECT_EQ(frame.menuBar()->objectName(), test::IdName(ids::kMenuUnlocked));
    EXPECT_EQ(ToolBarIds(), ExpectedToolBar(res::toolbar::kMain));
    EXPECT_FALSE(layouts_.Load("ToolBarOff").isEmpty());
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kPasswordWrong, res::str::kFailedUnlockCount}));
}

TEST_F(MainFrameTest, ViewCommandsGoDeadWhileLocked) {
    CMainFrame& frame = Frame();
    frame.RunCommand(ids::kCmdAddFolder);
    frame.RunCommand(ids::kCmdLock);
    EXPECT_FALSE(frame.findChild<QAction*>(test::IdName(ids::kCmdAddFolder))->isEnabled());
    EXPECT_FALSE(frame.findChild<QAction*>(test::IdName(ids::kCmdSettings))->isEnabled());
    frame.RunCommand(ids::kCmdAddFolder);
    EXPECT_EQ(view_->run, std::vector<int>{ids::kCmdAddFolder});
}

TEST_F(MainFrameTest, CloseHidesToTheTrayAndExitIsRefusedWhileLocked) {
    CMainFrame& frame = Frame();
    QSignalSpy exits(&frame, &CMainFrame::exitCompleted);
    frame.show();
    frame.close();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(exits.count(), 0);
    frame.ShowFromTray();
    EXPECT_TRUE(frame.isVisible());

    frame.RunCommand(ids::kCmdLock);
    frame.RunCommand(ids::kCmdExit);
    EXPECT_EQ(exits.count(), 0);
    EXPECT_TRUE(driver_.IsOpen());
    EXPECT_EQ(view_->closes, 0);
}

TEST_F(MainFrameTest, ExitRunsTheDestroyStep) {
    CMainFrame& frame = Frame();
    QSignalSpy exits(&frame, &CMainFrame::exitCompleted);
    frame.show();
    frame.RunCommand(ids::kCmdExit);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_FALSE(driver_.IsOpen());
    EXPECT_EQ(view_->closes, 1);
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "cx", -1), frame.width());
    EXPECT_FALSE(layouts_.Load("ToolBar").isEmpty());
}

TEST_F(MainFrameTest, SavedPlacementIsApplied) {
    store_.SetInt(registry::kSettingsKey, "x", 40);
    store_.SetInt(registry::kSettingsKey, "y", 30);
    store_.SetInt(registry::kSettingsKey, "cx", 640);
    store_.SetInt(registry::kSettingsKey, "cy", 420);
    CMainFrame& frame = Frame();
    EXPECT_EQ(frame.pos(), QPoint(40, 30));
    EXPECT_EQ(frame.size(), QSize(640, 420));
}

TEST_F(MainFrameTest, TickUpdatesWorkTimeAndTrayTip) {
    CMainFrame& frame = Frame();
    view_->folders = 2;
    view_->anyOpen = true;
    driver_.On(RequestCode::QueryOpenFiles, TestDriver::Accept(3));
    clock_.now += 86400 + 2 * 3600 + 3 * 60 + 5;
    view_->tick();
    EXPECT_EQ(frame.WorkTimePaneText(), "Work time: 1.02:03:05");
    EXPECT_EQ(frame.Tray()->toolTip(), "Tessaryn, open file(s) - 6");
    clock_.now += 1;
    driver_.On(RequestCode::QueryOpenFiles, TestDriver::Accept(0));
    view_->anyOpen = false;
    view_->tick();
    EXPECT_EQ(frame.WorkTimePaneText(), "Work time: 1.02:03 06");
    EXPECT_EQ(frame.Tray()->toolTip(), "Tessaryn");
}

TEST_F(MainFrameTest, HelpFollowsTheLockStateAndAboutGoesToTheApplication) {
    CMainFrame& frame = Frame();
    frame.RunCommand(ids::kCmdHelpContents);
    frame.RunCommand(ids::kCmdLock);
    frame.RunCommand(ids::kCmdHelpContents);
    EXPECT_EQ(help_.contexts, (std::vector<int>{0x20080, 0x20093}));
    frame.RunCommand(ids::kCmdAbout);
    EXPECT_EQ(abouts_, 1);
}

TEST_F(MainFrameTest, TrayClickTogglesTheWindowAndDoubleClickShowsIt) {
    CMainFrame& frame = Frame();
    frame.show();
    TrayEvent(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(frame.isVisible());
    TrayEvent(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(frame.isVisible());
    // An XEmbed double click: a click, then the double click.
    TrayEvent(QSystemTrayIcon::Trigger);
    TrayEvent(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(frame.isVisible());
    frame.showMinimized();
    TrayEvent(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(frame.WindowShown());
    TrayEvent(QSystemTrayIcon::Context);
    TrayEvent(QSystemTrayIcon::MiddleClick);
    EXPECT_TRUE(frame.isVisible());
    // Locked, the click still brings the (locked) window back.
    frame.RunCommand(ids::kCmdLock);
    frame.hide();
    TrayEvent(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.IsLocked());
}

TEST_F(MainFrameTest, TrayMenuFollowsWindowAndLockAndExitsOnlyUnlocked) {
    CMainFrame& frame = Frame();
    QSignalSpy exits(&frame, &CMainFrame::exitCompleted);
    frame.show();
    EXPECT_EQ(TrayIds(), (std::vector<int>{ids::kCmdHideWindow, 0, ids::kCmdLock, ids::kCmdExit}));
    QStringList texts;
    for (QAction* a : frame.Tray()->contextMenu()->actions())
        texts << a->text();
    EXPECT_EQ(texts, (QStringList{"&Hide window", "", "&Lock", "&Exit"}));

    TrayCommand(ids::kCmdHideWindow);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(TrayIds(), (std::vector<int>{ids::kCmdShowWindow, 0, ids::kCmdLock, ids::kCmdExit}));
    EXPECT_EQ(frame.Tray()->contextMenu()->actions().front()->text(), "Restore window");
    TrayCommand(ids::kCmdShowWindow);
    EXPECT_TRUE(frame.isVisible());

    TrayCommand(ids::kCmdLock);
    EXPECT_TRUE(frame.IsLocked());
    EXPECT_EQ(frame.menuBar()->objectName(), test::IdName(ids::kMenuLocked));
    EXPECT_EQ(TrayIds(), (std::vector<int>{ids::kCmdHideWindow, 0, ids::kCmdUnlock}));
    frame.hide();
    EXPECT_EQ(TrayIds(), (std::vector<int>{ids::kCmdShowWindow, 0, ids::kCmdUnlock}));

    passwords_.Unlock("pw");
    TrayCommand(ids::kCmdUnlock);
    EXPECT_FALSE(frame.IsLocked());
    EXPECT_EQ(frame.menuBar()->objectName(), test::IdName(ids::kMenuUnlocked));
    EXPECT_EQ(TrayIds(), (std::vector<int>{ids::kCmdShowWindow, 0, ids::kCmdLock, ids::kCmdExit}));

    // Exit from the tray while the window is hidden runs the destroy step.
    TrayCommand(ids::kCmdExit);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_FALSE(driver_.IsOpen());
    EXPECT_EQ(view_->closes, 1);
}

TEST_F(MainFrameTest, LockHidesTheListUntilUnlocked) {
    CMainFrame& frame = Frame();
    frame.show();
    EXPECT_TRUE(view_->widget->isVisible());
    frame.RunCommand(ids::kCmdLock);
    EXPECT_FALSE(view_->widget->isVisible());
    EXPECT_TRUE(frame.findChild<QWidget*>("lockedPage")->isVisible());
    passwords_.Unlock("wrong");
    frame.RunCommand(ids::kCmdUnlock);
    EXPECT_FALSE(view_->widget->isVisible());
    passwords_.Unlock("pw");
    frame.RunCommand(ids::kCmdUnlock);
    EXPECT_TRUE(view_->widget->isVisible());
    EXPECT_FALSE(frame.findChild<QWidget*>("lockedPage")->isVisible());
}

}  // namespace
}  // namespace tsrn::app
