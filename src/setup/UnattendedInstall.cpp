#include "setup/UnattendedInstall.h"

#include <ostream>

#include "crypto/KeyDerivation.h"
#include "platform/Prompter.h"
#include "resources/StringTable.h"
#include "setup/FolderGuard.h"
#include "setup/InstallEngine.h"
#include "setup/InstallFileTable.h"
#include "setup/InstallationPassword.h"
#include "setup/Rollback.h"

namespace tsrn::setup {
namespace {

// A failed copy is not retried: it is cancelled and the rollback confirmed.
class UnattendedPrompter : public Prompter {
  public:
    explicit UnattendedPrompter(std::ostream& err) : err_(err) {}
    Answer Ask(const Message& message) override {
        err_ << message.text << (message.text.ends_with('\n') ? "" : "\n");
        switch (message.buttons) {
            case Buttons::RetryCancel:
            case Buttons::OkCancel:
                return Answer::Cancel;
            case Buttons::YesNo:
            case Buttons::YesNoCancel:
                return Answer::Yes;
            default:
                return message.defaultButton;
        }
    }

  private:
    std::ostream& err_;
};

class LineObserver : public InstallObserver {
  public:
    explicit LineObserver(std::ostream& out) : out_(out) {}
    void ShowFileText(const std::string& text) override { out_ << text << '\n'; }
    void ShowProgress(int, const std::string& percentText) override { out_ << percentText << '\n'; }

  private:
    std::ostream& out_;
};

}  // namespace

int RunUnattendedInstall(const UnattendedRequest& request, const InstallPaths& paths,
                         registry::RegistryDatabase& registry, std::ostream& out,
                         std::ostream& err) {
    const FolderCheck check = CheckInstallFolder(request.installFolder, paths, registry);
    if (check.verdict != FolderVerdict::Accepted) {
        err << RefusalText(check.verdict,
                           check.folder.empty() ? request.installFolder : check.folder)
            << '\n';
        return 1;
    }
    if (!crypto::PasswordLengthAllowed(request.password)) {
        err << text::setup::Text(res::setup::str::kPasswordTooLong) << '\n';
        return 1;
    }
    InstallState state;
    state.installFolder = check.folder;
    state.sourceFolder = request.sourceFolder;
    UnattendedPrompter prompter(err);
    LineObserver observer(out);
    InstallEngine engine(state, paths, registry, prompter, observer);
    engine.Prepare();
    while (!engine.Finished()) {
        if (engine.Tick() == TickResult::RolledBack) {
            return 1;
        }
    }
    const bool complete = engine.FinalStepComplete();
    if (!complete) {
        err << text::setup::Text(res::setup::str::kFinalStepIncomplete) << '\n';
    }
    const bool keep = !request.replacePassword && PasswordInForce(registry);
    if (keep) {
        err << text::setup::Text(res::setup::str::kPasswordKept) << '\n';
    }
    const bool stored =
        StoreInstallationPassword(request.password, state.installFolder, registry, keep);
    if (!stored) {
        err << text::setup::FormatText<res::setup::str::kPasswordNotStored>(
                   state.installFolder + std::string(kMainProgram))
            << '\n';
    }
    if (!complete || !stored) {
        (void)UndoInstallation(state, paths, registry);  // the exit code says it failed
        return 1;
    }
    DiscardSetAsideFiles(state);
    return 0;
}

}  // namespace tsrn::setup
