#include "view/PasswordChange.h"

#include <string>

#include "bulk/BulkRunner.h"
#include "bulk/CipheringRun.h"
#include "journal/RunRecovery.h"
#include "password/PasswordChange.h"
#include "password/PasswordPorts.h"

namespace tsrn::view {

namespace {

// Each reciphering pass is the window's modal ciphering dialog.
class DialogPassRunner : public bulk::BulkRunner {
  public:
    explicit DialogPassRunner(ViewDialogs& dialogs) : dialogs_(dialogs) {}
    bulk::RunOutcome Run(const std::string& folder, bulk::CipherMode mode) override {
        return dialogs_.RunPass(folder, mode) ? bulk::RunOutcome::Completed
                                              : bulk::RunOutcome::Failed;
    }

  private:
    ViewDialogs& dialogs_;
};

}  // namespace

PasswordChange::PasswordChange(folders::AppState& state, registry::RegistryStore& store,
                               driver::DriverLink& driver, Prompter& prompter, ViewDialogs& dialogs,
                               folders::FolderList& list)
    : state_(state),
      store_(store),
      driver_(driver),
      prompter_(prompter),
      dialogs_(dialogs),
      list_(list) {}

void PasswordChange::Run() {
    const auto newPassword = dialogs_.AskNewPassword();
    if (!newPassword)
        return;
    WithPorts(
        [&](password::PasswordPorts& ports) { password::ChangePassword(*newPassword, ports); });
}

void PasswordChange::WithPorts(const std::function<void(password::PasswordPorts&)>& work) {
    DialogPassRunner runner(dialogs_);
    password::PasswordPorts ports{prompter_, driver_, list_, state_, runner, &store_};
    // The change keeps its record beside the run journals, so a crash between
    // two folders can be taken back or finished. Not for a list file's
    // temporary password: the next start would not know it.
    if (!state_.listFileMode)
        ports.changeRecordDirectory = journal::JournalDirectory();
    ports.recoveryAsks = dialogs_.RecoveryAsks();
    work(ports);
}

}  // namespace tsrn::view
