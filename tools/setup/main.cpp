// setup: installs Tessaryn from the installation medium (the folder holding
// this program), through the wizard or, with --unattended, without windows.

#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "DesktopServices.h"
#include "MessageBoxPrompter.h"
#include "SetupWizard.h"
#include "resources/StringTable.h"
#include "runtime/Runtime.h"
#include "setup/InstallFileTable.h"
#include "setup/UnattendedInstall.h"
#include "setup/Uninstall.h"

namespace {

namespace fs = std::filesystem;
using namespace tsrn;
using namespace tsrn::setup;

struct Options {
    bool unattended = false;
    bool version = false;
    bool installed = false;
    bool replacePassword = false;
    bool valid = true;
    std::string installFolder;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--unattended") {
            options.unattended = true;
        } else if (args[i] == "--install-dir" && i + 1 < args.size()) {
            options.installFolder = std::string(args[++i]);
        } else if (args[i] == "--replace-password") {
            options.replacePassword = true;
        } else if (args[i] == "--installed") {
            options.installed = true;
        } else if (args[i] == "--version") {
            options.version = true;
        } else if (args[i].starts_with("--")) {
            options.valid = false;  // single-dash arguments are Qt's
        }
    }
    if (options.unattended && options.installFolder.empty()) {
        options.valid = false;
    }
    return options;
}

// The medium: the current directory when it holds the installation files (as
// when started from the medium's folder), else the folder of this program.
std::string SourceFolder() {
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    if (!ec && fs::exists(current / std::string(kProgramFiles[0].mediumName), ec)) {
        return current.string();
    }
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? current.string() : self.parent_path().string();
}

int RunUnattended(const Options& options) {
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    registry::RegistryDatabase registry(registry::RegistryDatabase::DefaultDirectory());
    UnattendedRequest request{options.installFolder, SourceFolder(), password,
                              options.replacePassword};
    return RunUnattendedInstall(request, InstallPaths::FromEnvironment(), registry, std::cout,
                                std::cerr);
}

// Prints the install folder of an existing installation; 1 when there is none.
int ReportInstalled() {
    registry::RegistryDatabase registry(registry::RegistryDatabase::DefaultDirectory());
    const std::string folder = InstalledFolder(registry, "");
    std::error_code ec;
    if (folder.empty() || !fs::is_regular_file(fs::path(folder) / std::string(kMainProgram), ec)) {
        return 1;
    }
    std::cout << folder << '\n';
    return 0;
}

int RunWizard(int argc, char** argv) {
    QApplication app(argc, argv);
    registry::RegistryDatabase registry(registry::RegistryDatabase::DefaultDirectory());
    InstallState state;
    state.sourceFolder = SourceFolder();
    MessageBoxPrompter prompter;
    DesktopServices desktop;
    SetupContext context{state,  InstallPaths::FromEnvironment(), registry, prompter, desktop,
                         desktop};
    SetupWizard wizard(context);
    prompter.SetOwner(&wizard);
    wizard.exec();
    return wizard.RolledBack() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    if (!options.valid) {
        std::cerr << text::setup::Text(res::setup::str::kUsage) << '\n';
        return 2;
    }
    if (options.version) {
        const auto version = tsrn_runtime_version();
        std::cout << "setup " << (version >> 48) << '.' << ((version >> 32) & 0xFFFF) << '.'
                  << ((version >> 16) & 0xFFFF) << " (framework library "
                  << (tsrn_framework_version() >> 48) << '.'
                  << ((tsrn_framework_version() >> 32) & 0xFFFF) << ")\n";
        return 0;
    }
    if (options.installed) {
        return ReportInstalled();
    }
    if (options.unattended) {
        return RunUnattended(options);
    }
    return RunWizard(argc, argv);
}
