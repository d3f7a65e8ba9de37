#include "setup/InstallEngine.h"

#include <sys/stat.h>

#include <cstdio>
#include <system_error>

#include "platform/SystemRecord.h"
#include "resources/StringTable.h"
#include "setup/FileCopy.h"
#include "setup/ProgramGroup.h"
#include "setup/RegistryEntries.h"
#include "setup/Rollback.h"
#include "setup/VersionNote.h"

namespace tsrn::setup {

InstallEngine::InstallEngine(InstallState& state, const InstallPaths& paths,
                             registry::RegistryDatabase& registry, Prompter& prompter,
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
    if (!state_.registryBefore) {
        state_.registryBefore = RegistrySnapshot::Take(registry_);
        if (paths_.allUsers && !paths_.systemRecordFile.empty()) {
            state_.recordBefore = ReadSystemRecord(paths_.systemRecordFile);
        }
    }
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
    if (wanted) {
        NoteWrite(target);
        if (!CopyInstallFile(source, target)) {
            return ReportCopyFailure(target);
        }
    }
    Advance();
    UpdateProgress();
    return TickResult::Advanced;
}

TickResult InstallEngine::FinalStep() {
    observer_.ShowFileText(std::string(text::setup::Text(res::setup::str::kCreatingShortcuts)));
    const std::string icon = state_.sourceFolder + std::string(kIconFile);
    if (std::filesystem::exists(icon)) {
        const std::string target = state_.installFolder + std::string(kIconFile);
        NoteWrite(target);
        (void)CopyInstallFile(icon, target);  // without it only the menu's picture is missing
    }
    bool shortcuts = CreateProgramGroup(state_, paths_);
    bool entries = WriteInstallEntries(registry_, state_.installFolder);
    bool record = true;
    if (paths_.allUsers && !paths_.systemRecordFile.empty()) {
        record = WriteSystemRecord(paths_.systemRecordFile,
                                   SystemRecord{state_.installFolder, state_.systemFolder});
    }
    finalStepComplete_ = shortcuts && entries && record;
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

void InstallEngine::NoteWrite(const std::string& target) {
    for (const auto& written : state_.written) {
        if (written.target == target) {
            return;  // a retry: the earlier file is set aside already
        }
    }
    InstallState::WrittenFile written{target, {}};
    struct stat info {};
    if (state_.Reinstall() && lstat(target.c_str(), &info) == 0) {
        const std::filesystem::path path(target);
        const std::filesystem::path aside = path.parent_path() / std::string(kSetAsideFolder);
        std::error_code ec;
        std::filesystem::create_directory(aside, ec);
        const std::string asideFile = (aside / path.filename()).string();
        if (rename(target.c_str(), asideFile.c_str()) == 0) {
            written.setAside = asideFile;
        }
    }
    state_.written.push_back(written);
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
