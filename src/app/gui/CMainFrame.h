#pragma once
// The program's only top-level window: the folder list view in its centre, a
// toolbar, a two-pane status bar with the blinking work time, and a tray icon
// with the open-files tip, a click that shows or hides the window and a menu.
// It hides into the tray instead of closing, switches between the unlocked
// (menu and toolbar 128) and locked (147) modes, hiding the list while locked,
// and its destroy step closes the driver and saves the placement and the
// check word.

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "app/AutostartEntry.h"
#include "app/FrameLogic.h"
#include "app/FrameRules.h"
#include "app/StartupPorts.h"
#include "app/gui/FrameView.h"

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QSystemTrayIcon;
class QToolBar;

namespace tsrn::app {

class HelpOpener;
class ToolBarLayoutStore;

struct FrameServices {
    FrameLogic& logic;
    registry::RegistryStore& store;         // "SOFTWARE\Tessaryn\"
    registry::RegistryStore& windowsStore;  // "SOFTWARE\Microsoft\Windows\CurrentVersion\"
    ToolBarLayoutStore& layouts;
    driver::DriverLink& driver;
    Prompter& prompter;
    HelpOpener& help;
    Clock& clock;
    AutostartEntry& autostart;
    bool listFileRun = false;
    std::function<void()> showAbout;  // command 57664
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    CMainFrame(FrameServices services, std::unique_ptr<FrameView> view);
    ~CMainFrame() override;

    // The command ids of the window's menus and toolbar.
    void RunCommand(int commandId);
    QAction* Action(int commandId) const;
    // Show, raise and activate: the tray and a second start.
    void ShowFromTray();
    void HideToTray();
    // Once a second, from the view's timer.
    void Tick();

    bool IsLocked() const { return !services_.logic.Unlocked(); }
    FrameView& View() { return *view_; }
    QSystemTrayIcon* Tray() const { return tray_; }
    // Shown and not minimized: what the tray's click and menu go by.
    bool WindowShown() const;
    QString WorkTimePaneText() const;

  signals:
    // The destroy step ran: the program may end now.
    void exitCompleted();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void CreateActions();
    void CreateBars();
    void CreateCentre();
    void CreateTray();
    void OnTrayActivated(int reason);
    void UpdateTrayMenu();
    void ApplyPlacement();
    void BuildMenus(int menuId);
    void BuildToolBar(int toolBarId);
    void Lock();
    void Unlock();
    void Exit();
    void ShowSettings();
    void ShowHelpByMode();
    void UpdateWorkTime();
    void UpdateCommandStates();
    // The driver stopped: said at once, in the tray too, with the offer to
    // start it again.
    void DriverLost();
    void OfferDriverRestart();

    FrameServices services_;
    std::unique_ptr<FrameView> view_;
    QHash<int, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QLabel* workTime_ = nullptr;
    QStackedWidget* centre_ = nullptr;
    QWidget* lockedPage_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QHash<int, QAction*> trayActions_;
    TrayTicker ticker_;
    std::int64_t startTime_ = 0;
    bool exiting_ = false;
};

}  // namespace tsrn::app
