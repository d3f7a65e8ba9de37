#include "app/gui/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QWhatsThis>

#include "app/AppIds.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/ProjectIcons.h"
#include "app/gui/SettingsDialog.h"
#include "app/gui/ShellTexts.h"
#include "app/gui/ToolBarLayoutStore.h"
#include "resources/MenuLayout.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::app {
namespace {

// A command's string holds its status-bar prompt, then "\n" and its tooltip.
QString PromptOf(int commandId) {
    return ToQString(text::Prompt(commandId));
}
QString TooltipOf(int commandId) {
    return ToQString(text::Tooltip(commandId));
}

// An item's text in whichever of the two menus holds it.
QString ItemText(int commandId) {
    for (const int menuId : {ids::kMenuUnlocked, ids::kMenuLocked}) {
        for (const res::MenuEntry& entry : res::Menu(menuId)) {
            if (entry.kind == res::MenuEntryKind::Item && entry.commandId == commandId) {
                return ToQString(entry.text);
            }
        }
    }
    return {};
}

// The tray menu shows an item's text without the window's shortcut.
QString TrayItemText(int commandId) {
    if (commandId == ids::kCmdShowWindow)
        return TableText(commandId);
    const QString text = ItemText(commandId);
    return text.left(text.indexOf(QLatin1Char('\t')));
}

TrayEvent EventOf(int reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return TrayEvent::Click;
        case QSystemTrayIcon::DoubleClick:
            return TrayEvent::DoubleClick;
        default:
            return TrayEvent::Other;
    }
}

constexpr int kTrayCommands[] = {ids::kCmdShowWindow, ids::kCmdHideWindow, ids::kCmdLock,
                                 ids::kCmdUnlock, ids::kCmdExit};

constexpr int kAllCommands[] = {
    ids::kCmdAddFolder, ids::kCmdDeleteFolder, ids::kCmdFolderProtection, ids::kCmdStop,
    ids::kCmdStart,     ids::kCmdSettings,     ids::kCmdRefresh,          ids::kCmdChangePassword,
    ids::kCmdLock,      ids::kCmdHideWindow,   ids::kCmdUnlock,           ids::kCmdHelpContents,
    ids::kCmdAbout,     ids::kCmdExit,         ids::kCmdViewToolBar,      ids::kCmdViewStatusBar};

}  // namespace

CMainFrame::CMainFrame(FrameServices services, std::unique_ptr<FrameView> view)
    : services_(std::move(services)), view_(std::move(view)) {
    setWindowTitle(TableText(ids::kTextProductName));
    setWindowIcon(ProgramIcon());
    CreateActions();
    CreateBars();
    BuildMenus(ids::kMenuUnlocked);
    CreateCentre();
    CreateTray();
    restoreState(services_.layouts.Load(TableText(ids::kTextToolBarSection)));
    ApplyPlacement();
    startTime_ = services_.clock.NowSeconds();
    services_.logic.SetView(view_.get());
    services_.logic.Created();
    UpdateTrayMenu();
    view_->SetTick([this] { Tick(); });
    UpdateWorkTime();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    services_.logic.SetView(nullptr);
}

void CMainFrame::CreateActions() {
    for (const int id : kAllCommands) {
        auto* action = new QAction(this);
        action->setObjectName(QString::number(id));
        action->setData(id);
        action->setText(ItemText(id));
        action->setStatusTip(PromptOf(id));
        const QString tooltip = TooltipOf(id);
        if (!tooltip.isEmpty())
            action->setToolTip(tooltip);
        action->setIcon(CommandIcon(id));
        actions_.insert(id, action);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    actions_[ids::kCmdHelpContents]->setShortcut(QKeySequence(Qt::Key_F1));
    actions_[ids::kCmdHideWindow]->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    actions_[ids::kCmdViewToolBar]->setCheckable(true);
    actions_[ids::kCmdViewToolBar]->setChecked(true);
    actions_[ids::kCmdViewStatusBar]->setCheckable(true);
    actions_[ids::kCmdViewStatusBar]->setChecked(true);
    auto* contextHelp = new QAction(this);
    contextHelp->setObjectName(QString::number(ids::kCmdContextHelp));
    contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(contextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(contextHelp);
}

void CMainFrame::CreateBars() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QString::number(ids::kToolBarId));
    toolBar_->setWindowTitle(PromptOf(ids::kCmdViewToolBar));
    toolBar_->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    BuildToolBar(ids::kMenuUnlocked);
    connect(actions_[ids::kCmdViewToolBar], &QAction::toggled, toolBar_, &QToolBar::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, actions_[ids::kCmdViewToolBar],
            &QAction::setChecked);

    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(ids::kStatusBarId));
    workTime_ = new QLabel(bar);
    workTime_->setObjectName(QString::number(ids::kWorkTimePaneId));
    workTime_->setMinimumWidth(
        workTime_->fontMetrics().horizontalAdvance(TableText(ids::kTextWorkTimeSizer)) + 12);
    workTime_->setFrameShape(QFrame::Panel);
    workTime_->setFrameShadow(QFrame::Sunken);
    bar->addPermanentWidget(workTime_);
    bar->showMessage(TableText(ids::kTextIdlePrompt));
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty())
            bar->showMessage(TableText(ids::kTextIdlePrompt));
    });
    connect(actions_[ids::kCmdViewStatusBar], &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::CreateCentre() {
    // While locked an empty page stands in for the list: the folders and
    // their states are not shown to whoever finds the window.
    centre_ = new QStackedWidget(this);
    centre_->addWidget(view_->Widget());
    lockedPage_ = new QWidget(centre_);
    lockedPage_->setObjectName(QStringLiteral("lockedPage"));
    centre_->addWidget(lockedPage_);
    setCentralWidget(centre_);
}

void CMainFrame::CreateTray() {
    tray_ = new QSystemTrayIcon(TrayIcon(false), this);
    tray_->setToolTip(TableText(ids::kTextProductName));
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName(QStringLiteral("trayMenu"));
    for (const int id : kTrayCommands) {
        // Owned by the window: clearing the menu must not delete them.
        auto* action = new QAction(TrayItemText(id), this);
        action->setObjectName(QStringLiteral("tray%1").arg(id));
        action->setData(id);
        trayActions_.insert(id, action);
        connect(action, &QAction::triggered, this, [this, id] {
            if (id == ids::kCmdShowWindow)
                ShowFromTray();
            else
                RunCommand(id);
        });
    }
    UpdateTrayMenu();
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnTrayActivated(reason); });
    tray_->show();
}

void CMainFrame::OnTrayActivated(int reason) {
    switch (TrayActivation(EventOf(reason), WindowShown())) {
        case TrayAction::Show:
            ShowFromTray();
            break;
        case TrayAction::Hide:
            HideToTray();
            break;
        case TrayAction::None:
            break;
    }
}

// Rebuilt on every change rather than when it opens: a StatusNotifierItem
// host reads the menu over D-Bus before showing it.
void CMainFrame::UpdateTrayMenu() {
    if (!trayMenu_)
        return;
    trayMenu_->clear();
    for (const int id : TrayMenuCommands(WindowShown(), services_.logic.Unlocked())) {
        if (id == 0)
            trayMenu_->addSeparator();
        else if (QAction* action = trayActions_.value(id))
            trayMenu_->addAction(action);
    }
}

bool CMainFrame::WindowShown() const {
    return isVisible() && !isMinimized();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateTrayMenu();
}

void CMainFrame::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    UpdateTrayMenu();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        UpdateTrayMenu();
}

void CMainFrame::ApplyPlacement() {
    Rect area{0, 0, 1024, 768};
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        area = {available.left(), available.top(), available.left() + available.width(),
                available.top() + available.height()};
    }
    const Placement fallback = DefaultPlacement(area);
    const int x = services_.store.GetInt(registry::kSettingsKey, ids::kValueX, fallback.x);
    const int y = services_.store.GetInt(registry::kSettingsKey, ids::kValueY, fallback.y);
    const int cx = services_.store.GetInt(registry::kSettingsKey, ids::kValueCx, fallback.cx);
    const int cy = services_.store.GetInt(registry::kSettingsKey, ids::kValueCy, fallback.cy);
    move(x, y);
    resize(cx, cy);
}

void CMainFrame::BuildMenus(int menuId) {
    QMenuBar* bar = menuBar();
    bar->clear();
    bar->setObjectName(QString::number(menuId));
    QMenu* menu = nullptr;
    for (const res::MenuEntry& entry : res::Menu(menuId)) {
        switch (entry.kind) {
            case res::MenuEntryKind::PopupBegin:
                menu = bar->addMenu(ToQString(entry.text));
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
                break;
            case res::MenuEntryKind::PopupEnd:
                menu = nullptr;
                break;
            case res::MenuEntryKind::Separator:
                if (menu)
                    menu->addSeparator();
                break;
            case res::MenuEntryKind::Item:
                if (QAction* action = actions_.value(entry.commandId); menu && action) {
                    action->setText(ToQString(entry.text));
                    menu->addAction(action);
                }
                break;
        }
    }
}

void CMainFrame::BuildToolBar(int toolBarId) {
    toolBar_->clear();
    for (const int id : res::ToolbarButtons(toolBarId)) {
        if (id == res::kToolbarSeparator) {
            toolBar_->addSeparator();
        } else if (QAction* action = actions_.value(id)) {
            toolBar_->addAction(action);
        }
    }
    // Keep it docked at the top; its size follows the new buttons.
    if (toolBarArea(toolBar_) != Qt::TopToolBarArea)
        addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->adjustSize();
}

QAction* CMainFrame::Action(int commandId) const {
    return actions_.value(commandId, nullptr);
}

void CMainFrame::RunCommand(int commandId) {
    // Refresh also offers to start a lost driver again.
    if (commandId == ids::kCmdRefresh && services_.logic.Unlocked() &&
        services_.logic.DriverDown()) {
        OfferDriverRestart();
    }
    if (view_->HandlesCommand(commandId)) {
        if (services_.logic.Unlocked())
            view_->RunCommand(commandId);
        return;
    }
    switch (commandId) {
        case ids::kCmdLock:
            Lock();
            break;
        case ids::kCmdUnlock:
            Unlock();
            break;
        case ids::kCmdHideWindow:
            HideToTray();
            break;
        case ids::kCmdExit:
            Exit();
            break;
        case ids::kCmdSettings:
            if (services_.logic.Unlocked())
                ShowSettings();
            break;
        case ids::kCmdHelpContents:
        case ids::kCmdHelp:
            ShowHelpByMode();
            break;
        case ids::kCmdAbout:
            if (services_.showAbout)
                services_.showAbout();
            break;
        default:
            break;
    }
}

void CMainFrame::ShowFromTray() {
    showNormal();
    raise();
    activateWindow();
    if (isMinimized())
        showNormal();
}

void CMainFrame::HideToTray() {
    tray_->show();  // no change when the entry is already there
    hide();
}

void CMainFrame::Tick() {
    UpdateWorkTime();
    if (services_.logic.DriverLostNow())
        DriverLost();
    if (services_.logic.DriverDown()) {
        UpdateCommandStates();
        return;
    }
    const int total = OpenFilesTotal(services_.driver, view_->FolderCount());
    const TrayUpdate update = ticker_.Tick(total, view_->AnyFilesOpen());
    if (update.changed) {
        tray_->setIcon(TrayIcon(update.busy));
        tray_->setToolTip(QString::fromStdString(update.tip));
    }
    UpdateCommandStates();
}

void CMainFrame::DriverLost() {
    tray_->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    tray_->setToolTip(TableText(res::str::kDriverLostTip));
    OfferDriverRestart();
}

void CMainFrame::OfferDriverRestart() {
    if (!services_.logic.OfferDriverRestart())
        return;
    ticker_ = TrayTicker{};
    tray_->setIcon(TrayIcon(false));
    tray_->setToolTip(TableText(ids::kTextProductName));
}

QString CMainFrame::WorkTimePaneText() const {
    return workTime_->text();
}

void CMainFrame::UpdateWorkTime() {
    workTime_->setText(
        QString::fromStdString(WorkTimeText(services_.clock.NowSeconds() - startTime_)));
}

void CMainFrame::UpdateCommandStates() {
    const bool unlocked = services_.logic.Unlocked();
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
        const int id = it.key();
        if (view_->HandlesCommand(id)) {
            it.value()->setEnabled(unlocked && view_->CommandEnabled(id));
        } else if (id >= res::cmd::kFirstViewCommand && id <= res::cmd::kLastViewCommand &&
                   id != ids::kCmdSettings) {
            it.value()->setEnabled(false);  // no view takes it
        }
    }
    if (!view_->HandlesCommand(ids::kCmdSettings))
        actions_[ids::kCmdSettings]->setEnabled(unlocked);
}

void CMainFrame::Lock() {
    if (!services_.logic.Unlocked())
        return;
    services_.layouts.Save(TableText(ids::kTextToolBarSection), saveState());
    BuildToolBar(ids::kMenuLocked);
    restoreState(services_.layouts.Load(TableText(ids::kTextToolBarOffSection)));
    BuildMenus(ids::kMenuLocked);
    services_.logic.Lock();
    view_->SetLocked(true);
    centre_->setCurrentWidget(lockedPage_);
    UpdateCommandStates();
    UpdateTrayMenu();
}

void CMainFrame::Unlock() {
    if (services_.logic.Unlocked())
        return;
    const UnlockResult result = services_.logic.Unlock([this] {
        services_.layouts.Save(TableText(ids::kTextToolBarOffSection), saveState());
        BuildToolBar(ids::kMenuUnlocked);
        restoreState(services_.layouts.Load(TableText(ids::kTextToolBarSection)));
        BuildMenus(ids::kMenuUnlocked);
    });
    if (result == UnlockResult::Unlocked) {
        centre_->setCurrentIndex(0);
        view_->SetLocked(false);
        UpdateCommandStates();
        UpdateTrayMenu();
    }
}

void CMainFrame::Exit() {
    tray_->hide();
    exiting_ = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!exiting_) {
        // The close box and Alt-F4 only hide the window; protection goes on.
        event->ignore();
        HideToTray();
        return;
    }
    exiting_ = false;
    const QRect frame = frameGeometry();
    const Rect windowRect{frame.left(), frame.top(), frame.left() + width(),
                          frame.top() + height()};
    if (!services_.logic.Destroy(windowRect)) {
        event->ignore();
        tray_->show();
        return;
    }
    services_.layouts.Save(TableText(ids::kTextToolBarSection), saveState());
    view_->Close();
    event->accept();
    emit exitCompleted();
}

void CMainFrame::ShowSettings() {
    SettingsLogic logic(*view_, {services_.store, services_.windowsStore, services_.autostart},
                        services_.listFileRun);
    SettingsDialog dialog(logic, &services_.help, this);
    dialog.exec();
}

void CMainFrame::ShowHelpByMode() {
    services_.help.ShowHelp(services_.logic.Unlocked() ? ids::kHelpUnlocked : ids::kHelpLocked);
}

}  // namespace tsrn::app
