#include "ProgramRunner.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "about/CAboutBox.h"
#include "about/DesktopLinkLauncher.h"
#include "app/AppIds.h"
#include "app/AutostartEntry.h"
#include "app/FrameLogic.h"
#include "app/StartupSequence.h"
#include "app/SteadyClock.h"
#include "app/gui/CMainFrame.h"
#include "app/gui/DialogPasswordPrompts.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/LocalInstanceChannel.h"
#include "app/gui/MessageBoxPrompter.h"
#include "app/gui/ToolBarLayoutStore.h"
#include "app/gui/ViewContext.h"
#include "crypto/KeyDerivation.h"
#include "driver/DriverClient.h"
#include "password/ChangeRecovery.h"
#include "platform/Locations.h"
#include "runsafety/StartupRecovery.h"
#include "view/gui/CTsrnView.h"
#include "view/gui/RecoveryWindows.h"

namespace tsrn::app {
namespace {

class QtKeyboardState : public KeyboardState {
  public:
    bool ShiftDown() override {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    }
};

std::filesystem::path CurrentDirectory() {
    std::error_code error;
    auto path = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : path;
}

}  // namespace

int RunProgram(const std::string& commandLine) {
    registry::RegistryDatabase database(registry::RegistryDatabase::DefaultDirectory());
    registry::RegistryStore store(database);
    registry::RegistryStore windowsStore(database, registry::Hive::LocalMachine,
                                         std::string(registry::kWindowsRunRoot));
    driver::DriverClient driver(DriverDirectory() / "tsrnvx");
    MessageBoxPrompter prompter;
    DesktopHelpOpener help(&prompter);
    DialogPasswordPrompts passwords(&help);
    LocalInstanceChannel instances;
    QtKeyboardState keyboard;

    StartupSequence startup(
        {prompter, passwords, instances, keyboard, store, driver, CurrentDirectory()});
    const StartupOutcome outcome = startup.Run(commandLine);
    if (!outcome.run)
        return 0;
    instances.Listen();

    folders::AppState state;
    state.currentPassword = outcome.currentPassword;
    state.keyLoaded = outcome.keyLoaded;
    state.listFileMode = outcome.listFileMode;
    state.listFilePath = outcome.listFilePath;

    FrameLogic logic(state, {prompter, passwords, store, driver, CurrentDirectory()});
    SteadyClock clock;
    ToolBarLayoutStore layouts(database);
    AutostartEntry autostart;
    about::DesktopLinkLauncher launcher;
    ViewContext viewContext{state, store, database, driver, prompter};

    CMainFrame* frame = nullptr;
    FrameServices services{logic,
                           store,
                           windowsStore,
                           layouts,
                           driver,
                           prompter,
                           help,
                           clock,
                           autostart,
                           outcome.listFileMode,
                           [&] {
                               about::CAboutBox box(launcher, database, prompter, frame);
                               box.exec();
                           }};
    CMainFrame window(services, std::make_unique<view::CTsrnView>(viewContext));
    frame = &window;
    prompter.SetOwner(&window);
    QObject::connect(&instances, &LocalInstanceChannel::showRequested, &window,
                     &CMainFrame::ShowFromTray);
    QObject::connect(&window, &CMainFrame::exitCompleted, qApp, &QApplication::quit,
                     Qt::QueuedConnection);

    // Unfinished bulk runs are offered as soon as the password in force is
    // known: now, or at the first unlock after a service start. Not in a
    // list-file run: its password is a temporary one for other folders.
    view::RecoveryWindows recoveryWindows(passwords, &window.View(), &window);
    runsafety::StartupRecovery recovery(prompter, recoveryWindows);
    const auto offerUnfinishedRuns = [&] {
        if (state.listFileMode)
            return;
        // A copy: finishing a password change puts another key in force.
        const crypto::CipherKey keyInForce =
            crypto::KeySlots::Instance().Key(crypto::KeySlot::Current);
        // Each run's fate is shown as it comes, in the recovery windows.
        (void)recovery.Run(keyInForce);
        // After the runs: what they became tells a password change left
        // unfinished which of its folders are under which key.
        window.View().WithPasswordPorts([&](password::PasswordPorts& ports) {
            password::ChangeRecovery change(ports, recoveryWindows);
            (void)change.Run(keyInForce, recovery.Offered());  // told on its way, too
        });
    };
    logic.SetKeyLoadedHook(offerUnfinishedRuns);

    window.View().Start();
    if (outcome.startLocked) {
        window.hide();
        window.RunCommand(ids::kCmdLock);
    } else {
        window.show();
        if (outcome.keyLoaded)
            offerUnfinishedRuns();
    }
    return QApplication::exec();
}

}  // namespace tsrn::app
