#include "setup/InstallEngine.h"

#include <system_error>

#include "resources/StringTable.h"
#include "setup/FileCopy.h"
#include "setup/ProgramGroup.h"
#include "setup/RegistryEntries.h"
#include "setup/Rollback.h"
#include "setup/VersionNote.h"

namespace tsrn::setup {

InstallEngine::InstallEngine(InstallState& state, const InstallPaths& paths,
                             RegistryDatabase& registry, Prompter& prompter,
                             InstallObserver& observer)
    : state_(state), paths_(paths), registry_(registry), prompter_(prompter), observer_(observer) {}

void InstallEngine::Prepare() {
    std::error_code ec;
    state_.installFolder = WithTrailingSlash(state_.installFolder);
    if (!state_.installFolder.empty()) {
        // Parents too: the default folder's parent (~/.local/opt) may be missing.
        std::filesystem::create_directories(state_.installFolder, ec);
    }
    state_.sourceFolder = WithTrailingSlash(state_.sourceFolder);
    state_.systemFolder = WithTrailingSlash(paths_.systemFolder.string());
    std::filesystem::create_directories(paths_.systemFolder, ec);
    group_ = 0;
    index_ = 0;
}

TickResult InstallEngine::Tick() {
    if (state_.busy != 0) {
        return TickResult::Busy;
    }
    state_.busy = 1;
    TickResult result = Step();
    state_.busy = 0;
    return result;
}

TickResult InstallEngine::Step() {
    if (rolledBack_) {
        return TickResult::RolledBack;
    }
    if (group_ < kFinalGroup) {
        return CopyStep();
    }
    if (group_ == kFinalGroup) {
        return FinalStep();
    }
    return TickResult::Finished;
}

TickResult InstallEngine::CopyStep() {
    const InstallFile& file = FileGroup(group_)[static_cast<std::size_t>(index_)];
    observer_.ShowFileText(text::setup::FormatText<res::setup::str::kCopyingFile>(file.targetName));
    const std::string source = state_.sourceFolder + std::string(file.mediumName);
    const std::string target = TargetPath(file);
    const bool wanted = group_ != kVersionedGroup || ShouldCopyLibrary(source, target);
    if (wanted && !CopyInstallFile(source, target)) {
        return ReportCopyFailure(target);
    }
    Advance();
    UpdateProgress();
    return TickResult::Advanced;
}

TickResult InstallEngine::FinalStep() {
    observer_.ShowFileText(std::string(text::setup::Text(res::setup::str::kCreatingShortcuts)));
    bool shortcuts = CreateProgramGroup(state_, paths_);
    bool entries = WriteInstallEntries(registry_, state_.installFolder);
    finalStepComplete_ = shortcuts && entries;
    group_ = kDoneGroup;
    UpdateProgress();
    return TickResult::Finished;
}

TickResult InstallEngine::ReportCopyFailure(const std::string& target) {
    Message message;
    message.textId = res::setup::str::kCopyError;
    message.text = text::setup::FormatText<res::setup::str::kCopyError>(target);
    message.captionId = res::setup::str::kCaptionError;
    message.buttons = Buttons::RetryCancel;
    message.icon = Icon::Exclamation;
    message.defaultButton = Answer::Retry;
    if (prompter_.Ask(message) == Answer::Cancel &&
        RollbackInstallation(state_, paths_, registry_, prompter_)) {
        rolledBack_ = true;
        return TickResult::RolledBack;
    }
    return TickResult::CopyFailed;
}

std::string InstallEngine::TargetPath(const InstallFile& file) const {
    const std::string& folder =
        file.folder == TargetFolder::Install ? state_.installFolder : state_.systemFolder;
    return folder + std::string(file.targetName);
}

void InstallEngine::Advance() {
    ++index_;
    if (index_ >= static_cast<int>(FileGroup(group_).size())) {
        ++group_;
        index_ = 0;
    }
}

void InstallEngine::UpdateProgress() {
    ++state_.stepCounter;
    const int position = state_.stepTotal > 0 ? state_.stepCounter * 100 / state_.stepTotal : 100;
    observer_.ShowProgress(position, text::setup::FormatText<res::setup::str::kPercent>(position));
}

}  // namespace tsrn::setup
