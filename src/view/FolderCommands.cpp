#include "view/FolderCommands.h"

#include <algorithm>
#include <utility>

#include "driver/FolderState.h"
#include "folders/FolderPaths.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "view/ProtectionEdit.h"

namespace tsrn::view {

namespace fs = driver::folder_state;
namespace str = res::str;
using folders::FolderKind;

namespace {
constexpr std::uint32_t kStoppedWord = fs::kStopped;

std::uint32_t Slot(std::size_t position) {
    return static_cast<std::uint32_t>(position + 1);
}
}  // namespace

FolderCommands::FolderCommands(folders::ProtectedFolders& folders, driver::DriverLink& driver,
                               Prompter& prompter, ViewDialogs& dialogs, Selection& selection,
                               std::function<void()> fullRefresh)
    : folders_(folders),
      driver_(driver),
      prompter_(prompter),
      dialogs_(dialogs),
      selection_(selection),
      fullRefresh_(std::move(fullRefresh)) {}

Answer FolderCommands::Ask(int textId, std::string text, int captionId, Buttons buttons, Icon icon,
                           Answer defaultButton) {
    Message message;
    message.textId = textId;
    message.text = std::move(text);
    message.captionId = captionId;
    message.buttons = buttons;
    message.icon = icon;
    message.defaultButton = defaultButton;
    return prompter_.Ask(message);
}

std::optional<std::size_t> FolderCommands::SelectedIndex() const {
    const int position = selection_.position;
    if (position <= 0 || static_cast<std::size_t>(position) > folders_.List().Size())
        return std::nullopt;
    return static_cast<std::size_t>(position - 1);
}

std::optional<SelectedRecord> FolderCommands::Selected() const {
    const auto index = SelectedIndex();
    if (!index)
        return std::nullopt;
    return SelectedRecord{folders_.List().State(*index), folders_.List().Kind(*index)};
}

void FolderCommands::BrowseAndAdd() {
    if (const auto path = dialogs_.ChooseFolder())
        AddFolderFlow(*path);
}

bool FolderCommands::AskOverlaps(const std::string& path) {
    const folders::FolderList& list = folders_.List();
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (list.Kind(i) == FolderKind::RegistryFile)
            continue;
        int relation = folders::ComparePaths(path, list.LongPath(i));
        if (relation == 0)
            relation = folders::CompareFolders(path, list.LongPath(i));
        if (relation != 1 && relation != -1)
            continue;
        const int textId = relation == 1 ? str::kFolderIsOverfolder : str::kFolderIsSubfolder;
        const auto text = text::Format(textId, {path, list.LongPath(i)});
        if (Ask(textId, text.value_or(""), 0, Buttons::YesNo, Icon::Question, Answer::No) !=
            Answer::Yes) {
            return false;
        }
    }
    return true;
}

std::vector<std::size_t> FolderCommands::OverlappingUserFolders(
    const std::string& path, std::optional<std::size_t> skipped) const {
    const folders::FolderList& list = folders_.List();
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (i == skipped || list.Kind(i) != FolderKind::User)
            continue;
        if (folders::FoldersOverlap(path, list.LongPath(i)))
            positions.push_back(i);
    }
    return positions;
}

bool FolderCommands::StopInDriver(std::size_t position) {
    // A folder the driver does not serve has nothing to stop.
    if (!folders_.List().IsServed(position))
        return true;
    if (driver_.SetFolderState(Slot(position), kStoppedWord) != 0) {
        Ask(str::kStopCipheringError, std::string(text::Text(str::kStopCipheringError)),
            str::kCaptionError, Buttons::Ok, Icon::None, Answer::Ok);
        return false;
    }
    return true;
}

void FolderCommands::RestoreInDriver(std::size_t position) {
    folders::FolderList& list = folders_.EditableList();
    if (!list.IsServed(position))
        return;
    if (driver_.SetFolderState(Slot(position), list.State(position)) != 0) {
        Ask(str::kStartCipheringError, std::string(text::Text(str::kStartCipheringError)),
            str::kCaptionError, Buttons::Ok, Icon::None, Answer::Ok);
        list.SetState(position, fs::WithCipherState(list.State(position), fs::kInitError));
    }
}

bool FolderCommands::RunPassWithOverlapsStopped(const std::string& path, bulk::CipherMode mode,
                                                std::optional<std::size_t> skipped) {
    const std::vector<std::size_t> overlapping = OverlappingUserFolders(path, skipped);
    std::vector<std::size_t> stopped;
    bool allStopped = true;
    for (const std::size_t i : overlapping) {
        if (!allStopped)
            break;
        if (StopInDriver(i))
            stopped.push_back(i);
        else
            allStopped = false;
    }
    if (skipped && allStopped)
        allStopped = StopInDriver(*skipped);
    // A folder still served would see the pass through its driver and be
    // ciphered twice: no pass then, and nothing changed.
    const bool ok = allStopped && dialogs_.RunPass(path, mode);
    for (const std::size_t i : stopped)
        RestoreInDriver(i);
    return ok;
}

bool FolderCommands::RunWithFoldersStopped(const std::string& path,
                                           const std::function<void()>& work) {
    const folders::FolderList& list = folders_.List();
    // The folders around it first, then the folder itself.
    std::vector<std::size_t> held = OverlappingUserFolders(path, std::nullopt);
    held.erase(std::remove_if(held.begin(), held.end(),
                              [&](std::size_t i) { return list.LongPath(i) == path; }),
               held.end());
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (list.Kind(i) == FolderKind::User && list.LongPath(i) == path)
            held.push_back(i);
    }
    bool stopped = true;
    for (const std::size_t i : held)
        stopped = StopInDriver(i) && stopped;
    if (stopped)
        work();
    for (const std::size_t i : held)
        RestoreInDriver(i);
    return stopped;
}

void FolderCommands::AddFolderFlow(const std::string& path) {
    if (folders_.IsInList(path)) {
        Ask(str::kFolderAlreadyListed, text::FormatText<str::kFolderAlreadyListed>(path),
            str::kCaptionError, Buttons::Ok, Icon::Exclamation, Answer::Ok);
        return;
    }
    if (!AskOverlaps(path))
        return;
    const std::size_t count = folders_.List().Size();
    const auto choice = dialogs_.AskAddFolder(path);
    if (!choice)
        return;
    if (choice->encipher &&
        !RunPassWithOverlapsStopped(path, bulk::CipherMode::Encipher, std::nullopt)) {
        return;
    }
    const std::int32_t status =
        folders_.AddFolder(path, choice->description, choice->state, FolderKind::User);
    const int textId = status == 0 ? str::kFolderAdded : str::kFolderAddError;
    std::string message = status == 0 ? text::FormatText<str::kFolderAdded>(path)
                                      : text::FormatText<str::kFolderAddError>(path);
    selection_.position = static_cast<int>(count + 1);
    fullRefresh_();
    Ask(textId, std::move(message), 0, Buttons::Ok, Icon::Information, Answer::Ok);
}

void FolderCommands::DeleteFolderFlow() {
    const auto index = SelectedIndex();
    if (!index)
        return;
    const std::size_t p = *index;
    const std::string longPath = folders_.List().LongPath(p);
    if (Ask(str::kDeleteFolderQuestion, text::FormatText<str::kDeleteFolderQuestion>(longPath), 0,
            Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return;
    }
    if (folders_.List().Kind(p) != FolderKind::RegistryFile &&
        Ask(str::kDecipherFolderQuestion, text::FormatText<str::kDecipherFolderQuestion>(longPath),
            0, Buttons::YesNo, Icon::Question, Answer::No) == Answer::Yes) {
        if (!RunPassWithOverlapsStopped(longPath, bulk::CipherMode::Decipher, p)) {
            RestoreInDriver(p);
            fullRefresh_();
            return;
        }
    }
    if (folders_.RemoveFolder(p, false) != 0 &&
        Ask(str::kDeleteFolderError, text::FormatText<str::kDeleteFolderError>(longPath), 0,
            Buttons::YesNo, Icon::Exclamation, Answer::Yes) == Answer::Yes) {
        folders_.RemoveFolder(p, true);
    }
    fullRefresh_();
}

void FolderCommands::StartCiphering() {
    if (CommandEnabled(res::cmd::kStartCiphering, Selected()))
        folders_.StartCiphering();
}

void FolderCommands::StopCiphering() {
    if (CommandEnabled(res::cmd::kStopCiphering, Selected()))
        folders_.StopCiphering();
}

void FolderCommands::ToggleCiphering() {
    switch (ToggleFor(Selected())) {
        case Toggle::Stop:
            folders_.StopCiphering();
            break;
        case Toggle::Start:
            folders_.StartCiphering();
            break;
        case Toggle::Nothing:
            break;
    }
}

void FolderCommands::EditProtection() {
    const auto index = SelectedIndex();
    if (!index)
        return;
    ProtectionEdit edit(folders_, *index);
    dialogs_.EditProtection(edit);
}

}  // namespace tsrn::view
