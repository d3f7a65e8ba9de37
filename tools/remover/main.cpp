// remover: after a confirmation, removes what an installation of Tessaryn
// wrote, by the rollback's steps, and the two runtime libraries besides.
// "--yes" skips the confirmation (for scripts).

#include <QApplication>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "MessageBoxPrompter.h"
#include "resources/StringTable.h"
#include "setup/InstallPaths.h"
#include "setup/SetupQuestion.h"
#include "setup/Uninstall.h"

namespace {

using namespace tsrn;
using namespace tsrn::setup;

bool Unattended(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--yes") {
            return true;
        }
    }
    return false;
}

bool Confirmed(MessageBoxPrompter& prompter) {
    return AskYesNo(prompter, res::setup::str::kUninstallQuestion, Icon::Question, Answer::No);
}

// The folder this program lies in: the install folder when the registry has
// lost track of it.
std::string OwnFolder() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

}  // namespace

// The report goes to standard output with --yes, else into a message box.
int main(int argc, char** argv) {
    const bool unattended = Unattended(argc, argv);
    std::optional<QApplication> app;
    MessageBoxPrompter prompter;
    if (!unattended) {
        app.emplace(argc, argv);
        if (!Confirmed(prompter)) {
            return 1;
        }
    }
    registry::RegistryDatabase registry(registry::RegistryDatabase::DefaultDirectory());
    const std::string folder = InstalledFolder(registry, OwnFolder());
    const UninstallReport report =
        UninstallProduct(folder, InstallPaths::FromEnvironment(), registry);
    const std::string text = UninstallReportText(report);
    if (unattended) {
        std::cout << text << '\n';
    } else {
        Message done;
        done.text = text;
        done.icon = report.folderRemoved ? Icon::Information : Icon::Exclamation;
        prompter.Ask(done);
    }
    return report.folderRemoved ? 0 : 1;
}
