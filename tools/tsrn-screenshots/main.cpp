// Renders the main window (unlocked and locked), its menus and the shell's
// dialogs from the real widgets into PNG files. The registry lives in a
// temporary folder and the driver is an idle stand-in, so nothing outside is
// touched; the folder list in the window is the real, empty one.
//
//   tsrn-screenshots OUTPUT_FOLDER

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "about/CAboutBox.h"
#include "about/DesktopLinkLauncher.h"
#include "app/AppIds.h"
#include "app/FrameLogic.h"
#include "app/gui/CMainFrame.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/MessageBoxPrompter.h"
#include "app/gui/MissingPasswordDialog.h"
#include "app/gui/ProjectIcons.h"
#include "app/gui/SettingsDialog.h"
#include "app/gui/ToolBarLayoutStore.h"
#include "app/gui/UnlockDialog.h"
#include "app/gui/ViewContext.h"
#include "view/gui/CTsrnView.h"

namespace {

using namespace tsrn;

class IdleDriver : public driver::DriverLink {
  public:
    bool Open() override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

  protected:
    bool Transact(const driver::Request&, std::uint32_t& answer) override {
        answer = 0;
        return true;
    }

  private:
    bool open_ = true;
};

class NoPrompts : public app::PasswordPrompts {
  public:
    std::optional<std::string> AskUnlock(bool) override { return std::nullopt; }
    std::optional<app::MissingPasswordAnswer> AskMissingPassword() override { return {}; }
};

class FixedClock : public app::Clock {
  public:
    std::int64_t NowSeconds() override { return now; }
    std::int64_t now = 0;
};

class NoHelp : public app::HelpOpener {
  public:
    void ShowHelp(int) override {}
};

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
    widget.show();
    QApplication::processEvents();
    const bool saved = widget.grab().save(folder.filePath(name));
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(folder.filePath(name)));
    return saved;
}

bool SaveMenu(QMenu& menu, const QDir& folder, const QString& name) {
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    const bool saved = menu.grab().save(folder.filePath(name));
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(folder.filePath(name)));
    menu.hide();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setWindowIcon(app::ProgramIcon());
    if (argc < 2) {
        std::fprintf(stderr, "usage: tsrn-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral(".")))
        return 1;
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;

    registry::RegistryDatabase database(scratch.path().toStdString());
    registry::RegistryStore store(database);
    registry::RegistryStore windows(database, registry::Hive::LocalMachine,
                                    std::string(registry::kWindowsRunRoot));
    store.SetInt(registry::kSettingsKey, "cx", 760);
    store.SetInt(registry::kSettingsKey, "cy", 420);
    IdleDriver driver;
    app::MessageBoxPrompter prompter;
    NoPrompts passwords;
    FixedClock clock;
    NoHelp help;
    app::ToolBarLayoutStore layouts(database);
    app::AutostartEntry autostart(
        (QDir(scratch.path()).filePath("autostart.desktop")).toStdString());
    folders::AppState state;
    state.currentPassword = "pw";
    state.keyLoaded = true;
    app::FrameLogic logic(state, {prompter, passwords, store, driver, "."});
    app::ViewContext context{state, store, database, driver, prompter};

    bool ok = true;
    {
        auto view = std::make_unique<view::CTsrnView>(context);
        app::CMainFrame frame(
            {logic, store, windows, layouts, driver, prompter, help, clock, autostart, false, {}},
            std::move(view));
        clock.now = 86400 + 2 * 3600 + 3 * 60 + 5;
        frame.Tick();
        ok &= Save(frame, out, "main-unlocked.png");
        const auto menus = frame.menuBar()->actions();
        for (int i = 0; i < menus.size(); ++i) {
            if (QMenu* menu = menus[i]->menu()) {
                ok &= SaveMenu(*menu, out, QStringLiteral("menu-128-%1.png").arg(i + 1));
            }
        }
        ok &= SaveMenu(*frame.Tray()->contextMenu(), out, "tray-menu-unlocked.png");
        frame.RunCommand(app::ids::kCmdLock);
        ok &= Save(frame, out, "main-locked.png");
        const auto locked = frame.menuBar()->actions();
        for (int i = 0; i < locked.size(); ++i) {
            if (QMenu* menu = locked[i]->menu()) {
                ok &= SaveMenu(*menu, out, QStringLiteral("menu-147-%1.png").arg(i + 1));
            }
        }
        ok &= SaveMenu(*frame.Tray()->contextMenu(), out, "tray-menu-locked.png");
        frame.hide();
    }
    {
        app::UnlockDialog unlock(1);
        unlock.adjustSize();
        ok &= Save(unlock, out, "dialog-164-unlock.png");
        app::UnlockDialog temporary(0);
        ok &= Save(temporary, out, "dialog-164-temporary-password.png");
        app::MissingPasswordDialog missing(&help);
        ok &= Save(missing, out, "dialog-169-password-not-found.png");
    }
    {
        view::CTsrnView view(context);
        view.SetGlobalProtection(0x80 | 0x20);
        app::SettingsLogic settings(view, {store, windows, autostart}, false);
        app::SettingsDialog dialog(settings, &help);
        ok &= Save(dialog, out, "dialog-149-settings.png");
    }
    {
        about::DesktopLinkLauncher launcher;
        about::CAboutBox box(launcher, database, prompter);
        ok &= Save(box, out, "dialog-100-about.png");
    }
    return ok ? 0 : 1;
}
