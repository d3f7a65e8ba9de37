#include "view/Reciphering.h"

#include "crypto/KeyDerivation.h"
#include "folders/FolderPaths.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::view {

namespace fs = folders::folder_state;
namespace str = res::str;
using folders::FolderKind;

namespace {
std::uint32_t Slot(std::size_t position) {
    return static_cast<std::uint32_t>(position + 1);
}

Message Question(int textId, std::string text, int captionId, Buttons buttons, Icon icon,
                 Answer defaultButton) {
    Message message;
    message.textId = textId;
    message.text = std::move(text);
    message.captionId = captionId;
    message.buttons = buttons;
    message.icon = icon;
    message.defaultButton = defaultButton;
    return message;
}
}  // namespace

Reciphering::Reciphering(folders::ProtectedFolders& folders, driver::DriverLink& driver,
                         Prompter& prompter, ViewDialogs& dialogs)
    : folders_(folders), driver_(driver), prompter_(prompter), dialogs_(dialogs) {}

void Reciphering::ShowError(int textId) {
    prompter_.Ask(Question(textId, std::string(text::Text(textId)), str::kCaptionError, Buttons::Ok,
                           Icon::None, Answer::Ok));
}

Reciphering::Choice Reciphering::AskFolder(std::size_t position) {
    const std::string& path = folders_.List().LongPath(position);
    const Answer answer = prompter_.Ask(
        Question(str::kRecipherFolderQuestion, text::FormatText<str::kRecipherFolderQuestion>(path),
                 0, Buttons::YesNoCancel, Icon::None, Answer::Yes));
    if (answer == Answer::No)
        return Choice::Skip;
    if (answer == Answer::Cancel) {
        if (reciphered_ == 0)
            return Choice::Leave;
        const Answer leave = prompter_.Ask(Question(
            str::kRecipherBreakQuestion, std::string(text::Text(str::kRecipherBreakQuestion)),
            str::kAppTitle, Buttons::YesNo, Icon::Information, Answer::Yes));
        if (leave == Answer::Yes)
            return Choice::Leave;
    }
    return Choice::Recipher;
}

std::vector<std::size_t> Reciphering::StopOverlapping(std::size_t position) {
    const folders::FolderList& list = folders_.List();
    std::vector<std::size_t> stopped;
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (i == position || list.Kind(i) == FolderKind::RegistryFile)
            continue;
        if (folders::ComparePaths(list.LongPath(position), list.LongPath(i)) == 0)
            continue;
        if (driver_.SetFolderState(Slot(i), fs::kStopped) != 0)
            ShowError(str::kStopCipheringError);
        stopped.push_back(i);
    }
    return stopped;
}

void Reciphering::Restart(std::size_t position) {
    folders::FolderList& list = folders_.EditableList();
    if (driver_.SetFolderState(Slot(position), list.State(position)) != 0) {
        ShowError(str::kStartCipheringError);
        list.SetState(position, list.State(position) & ~fs::kCipherMask);
    }
}

bool Reciphering::Run(const std::string& newPassword) {
    installed_ = true;
    reciphered_ = 0;
    runs_ = 0;
    // A password the key slots refuse would leave an old key in slot 1 and
    // recipher every chosen folder with it.
    if (!crypto::KeySlots::Instance().DeriveKey(newPassword, crypto::KeySlot::New))
        return false;
    if (prompter_.Ask(Question(str::kRecipherIntro, std::string(text::Text(str::kRecipherIntro)),
                               str::kAppTitle, Buttons::YesNo, Icon::Information, Answer::Yes)) !=
        Answer::Yes) {
        return false;
    }
    for (std::size_t k = 0; k < folders_.List().Size(); ++k) {
        if (folders_.List().LongPath(k).empty() ||
            folders_.List().Kind(k) == FolderKind::RegistryFile) {
            continue;
        }
        Choice choice = AskFolder(k);
        std::vector<std::size_t> stopped;
        while (choice == Choice::Recipher) {
            stopped = StopOverlapping(k);
            if (driver_.SetFolderState(Slot(k), fs::kStopped) == 0)
                break;
            ShowError(str::kStopCipheringError);
            for (const std::size_t i : stopped)
                Restart(i);
            stopped.clear();
            choice = AskFolder(k);
        }
        if (choice == Choice::Leave) {
            installed_ = false;
            break;
        }
        if (choice == Choice::Skip)
            continue;
        ++runs_;
        const bool ok = dialogs_.RunPass(folders_.List().LongPath(k), bulk::CipherMode::Recipher);
        if (ok)
            ++reciphered_;
        else
            installed_ = false;
        for (const std::size_t i : stopped)
            Restart(i);
        Restart(k);
        if (!ok && runs_ == 1)
            break;
    }
    return installed_;
}

}  // namespace tsrn::view
