#include "setup/Rollback.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/SystemRecord.h"
#include "resources/StringTable.h"
#include "setup/ClearFolder.h"
#include "setup/FileCopy.h"
#include "setup/FolderGuard.h"
#include "setup/InstallEngine.h"
#include "setup/InstallFileTable.h"
#include "setup/ProgramGroup.h"
#include "setup/RegistryEntries.h"
#include "setup/SetupQuestion.h"

namespace tsrn::setup {
namespace {

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(WithTrailingSlash(a), ec) ==
           std::filesystem::weakly_canonical(WithTrailingSlash(b), ec);
}

// The system record goes only when it names this installation.
void RemoveSystemRecord(const std::string& installFolder, const InstallPaths& paths) {
    if (paths.systemRecordFile.empty()) {
        return;
    }
    const auto record = ReadSystemRecord(paths.systemRecordFile);
    if (record && SameFolder(record->installFolder, installFolder)) {
        unlink(paths.systemRecordFile.c_str());
    }
}

void RemoveSetAsideFolders(const InstallState& state) {
    std::set<std::string> folders;
    for (const auto& written : state.written) {
        if (!written.setAside.empty()) {
            folders.insert(std::filesystem::path(written.setAside).parent_path().string());
        }
    }
    for (const std::string& folder : folders) {
        rmdir(folder.c_str());  // only when empty
    }
}

}  // namespace

bool RemoveInstallation(const InstallState& state, const InstallPaths& paths,
                        registry::RegistryDatabase& registry) {
    DeleteInstallEntries(registry);
    RemoveSystemRecord(state.installFolder, paths);

    const std::string systemFolder = WithTrailingSlash(
        state.systemFolder.empty() ? paths.systemFolder.string() : state.systemFolder);
    if (!systemFolder.empty()) {
        const std::string driver = systemFolder + std::string(kDriver);
        ClearWriteProtection(driver);
        unlink(driver.c_str());
    }

    const auto group = ProgramGroupFolder(paths);
    if (!group.empty()) {
        (void)ClearFolder(group.string());  // menu entries only; the folder's answer decides
    }

    if (!IsFolderSafeToEmpty(state.installFolder, paths)) {
        return false;
    }
    return ClearFolder(state.installFolder);
}

bool RestoreEarlierInstallation(const InstallState& state, const InstallPaths& paths,
                                registry::RegistryDatabase& registry) {
    for (auto it = state.written.rbegin(); it != state.written.rend(); ++it) {
        ClearWriteProtection(it->target);
        unlink(it->target.c_str());
        if (!it->setAside.empty()) {
            std::rename(it->setAside.c_str(), it->target.c_str());
        }
    }
    RemoveSetAsideFolders(state);

    const std::string earlier = state.registryBefore ? state.registryBefore->InstallFolder() : "";
    if (!earlier.empty() && !SameFolder(earlier, state.installFolder) &&
        IsFolderSafeToEmpty(state.installFolder, paths)) {
        // A folder of this installation only; the registry's restore decides.
        (void)ClearFolder(state.installFolder);
    }
    const bool restored = state.registryBefore && state.registryBefore->Restore(registry);

    if (paths.allUsers && !paths.systemRecordFile.empty()) {
        if (state.recordBefore) {
            WriteSystemRecord(paths.systemRecordFile, *state.recordBefore);
        } else {
            RemoveSystemRecord(state.installFolder, paths);
        }
    }
    if (!earlier.empty()) {
        InstallState earlierState;
        earlierState.installFolder = WithTrailingSlash(earlier);
        (void)CreateProgramGroup(earlierState, paths);  // menu entries only
    } else if (const auto group = ProgramGroupFolder(paths); !group.empty()) {
        (void)ClearFolder(group.string());
    }
    return restored;
}

bool UndoInstallation(const InstallState& state, const InstallPaths& paths,
                      registry::RegistryDatabase& registry) {
    if (state.Reinstall()) {
        return RestoreEarlierInstallation(state, paths, registry);
    }
    const bool removed = RemoveInstallation(state, paths, registry);
    if (paths.allUsers && state.recordBefore && !paths.systemRecordFile.empty()) {
        WriteSystemRecord(paths.systemRecordFile, *state.recordBefore);  // another installation's
    }
    return removed;
}

void DiscardSetAsideFiles(const InstallState& state) {
    for (const auto& written : state.written) {
        if (!written.setAside.empty()) {
            ClearWriteProtection(written.setAside);
            unlink(written.setAside.c_str());
        }
    }
    RemoveSetAsideFolders(state);
}

bool RollbackInstallation(const InstallState& state, const InstallPaths& paths,
                          registry::RegistryDatabase& registry, Prompter& prompter) {
    if (!AskYesNo(prompter, res::setup::str::kInterruptQuestion, Icon::Question, Answer::Yes)) {
        return false;
    }
    // Undone as far as it goes; what stays is what could not be removed.
    (void)UndoInstallation(state, paths, registry);
    return true;
}

}  // namespace tsrn::setup
