#include "setup/Uninstall.h"

#include <unistd.h>

#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/Locations.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "setup/FileCopy.h"
#include "setup/InstallFileTable.h"
#include "setup/InstallState.h"
#include "setup/Rollback.h"

namespace tsrn::setup {

std::string InstalledFolder(registry::RegistryDatabase& registry, const std::string& fallback) {
    registry::RegistryStore program(registry);
    std::string folder = program.GetString(registry::kSettingsKey, "InstallDir", "");
    return WithTrailingSlash(folder.empty() ? fallback : folder);
}

namespace {

// The Exec line of a desktop entry, empty when there is none.
std::string ExecLine(const std::filesystem::path& entryFile) {
    std::ifstream in(entryFile);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Exec=", 0) == 0) {
            return line;
        }
    }
    return {};
}

}  // namespace

bool RemoveAutostart(registry::RegistryDatabase& registry, const std::string& installFolder,
                     const std::filesystem::path& entryFile) {
    const std::string folder = WithTrailingSlash(installFolder);
    if (folder == "/") {
        return false;
    }
    bool removed = false;
    registry::RegistryStore windows(registry, registry::Hive::LocalMachine,
                                    std::string(registry::kWindowsRunRoot));
    const std::string valueName(text::Text(res::str::kAppTitle));
    if (windows.GetString(registry::kRunServicesKey, valueName, "").rfind(folder, 0) == 0) {
        removed = windows.DeleteValue(registry::kRunServicesKey, valueName);
    }
    // The entry names the program by its absolute path, quoted when it holds a blank.
    const std::string exec = ExecLine(entryFile);
    if (exec.rfind("Exec=" + folder, 0) == 0 || exec.rfind("Exec=\"" + folder, 0) == 0) {
        std::error_code ignored;
        removed = std::filesystem::remove(entryFile, ignored) || removed;
    }
    return removed;
}

UninstallReport UninstallProduct(const std::string& installFolder, const InstallPaths& paths,
                                 registry::RegistryDatabase& registry) {
    InstallState state;
    state.installFolder = WithTrailingSlash(installFolder);
    state.systemFolder = WithTrailingSlash(paths.systemFolder.string());
    UninstallReport report;
    report.installFolder = state.installFolder;
    report.autostartEntry = AutostartEntryFile().string();
    report.autostartRemoved = RemoveAutostart(registry, state.installFolder, AutostartEntryFile());
    report.folderRemoved = RemoveInstallation(state, paths, registry);
    if (!state.systemFolder.empty()) {
        for (const InstallFile& library : kLibraryFiles) {
            const std::string path = state.systemFolder + std::string(library.targetName);
            ClearWriteProtection(path);
            unlink(path.c_str());
        }
        rmdir(state.systemFolder.c_str());  // only when empty
    }
    return report;
}

std::string UninstallReportText(const UninstallReport& report) {
    using namespace res::setup::str;
    if (!report.folderRemoved) {
        return text::setup::FormatText<kUninstallIncomplete>(report.installFolder);
    }
    std::string text = text::setup::FormatText<kUninstalled>(report.installFolder);
    if (report.autostartRemoved) {
        text += "\n" + text::setup::FormatText<kUninstalledAutostart>(report.autostartEntry);
    }
    return text;
}

}  // namespace tsrn::setup
