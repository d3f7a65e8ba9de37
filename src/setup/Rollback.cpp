#include "setup/Rollback.h"

#include <unistd.h>

#include "resources/StringTable.h"
#include "setup/ClearFolder.h"
#include "setup/FileCopy.h"
#include "setup/FolderGuard.h"
#include "setup/InstallFileTable.h"
#include "setup/ProgramGroup.h"
#include "setup/RegistryEntries.h"

namespace tsrn::setup {

bool RemoveInstallation(const InstallState& state, const InstallPaths& paths,
                        RegistryDatabase& registry) {
    DeleteInstallEntries(registry);

    const std::string systemFolder = WithTrailingSlash(
        state.systemFolder.empty() ? paths.systemFolder.string() : state.systemFolder);
    if (!systemFolder.empty()) {
        const std::string driver = systemFolder + std::string(kDriver);
        ClearWriteProtection(driver);
        unlink(driver.c_str());
    }

    const auto group = ProgramGroupFolder(paths);
    if (!group.empty()) {
        ClearFolder(group.string());
    }

    if (!IsFolderSafeToEmpty(state.installFolder, paths)) {
        return false;
    }
    return ClearFolder(state.installFolder);
}

bool RollbackInstallation(const InstallState& state, const InstallPaths& paths,
                          RegistryDatabase& registry, Prompter& prompter) {
    Message question;
    question.textId = res::setup::str::kInterruptQuestion;
    question.text = std::string(text::setup::Text(res::setup::str::kInterruptQuestion));
    question.buttons = Buttons::YesNo;
    question.icon = Icon::Question;
    question.defaultButton = Answer::Yes;
    if (prompter.Ask(question) != Answer::Yes) {
        return false;
    }
    RemoveInstallation(state, paths, registry);
    return true;
}

}  // namespace tsrn::setup
