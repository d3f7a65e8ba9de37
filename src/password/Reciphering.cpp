#include "password/Reciphering.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "driver/FolderState.h"
#include "folders/FolderPaths.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::password {

namespace {

namespace ids = res::str;
using folders::FolderKind;
namespace folder_state = driver::folder_state;

class Procedure {
  public:
    Procedure(PasswordPorts& ports, journal::PasswordChangeRecord* record, bool finishing)
        : ports_(ports), list_(ports.list), record_(record), finishing_(finishing) {}

    bool Run();

  private:
    enum class Choice { Skip, Recipher, Stop };

    Choice AskForFolder(std::size_t k);
    bool StopServices(std::size_t k, std::vector<std::size_t>& stopped);
    void RestartService(std::size_t position);
    bool Offerable(std::size_t position) const;
    Answer Ask(int textId, std::string text, int captionId, Buttons buttons, Icon icon);
    void ShowError(int textId);
    bool AlreadyNew(const std::string& path) const;
    bool NoteMoving(const std::string& path);
    bool NoteEnd(const std::string& path, bool reached);
    void RecordFailed(const std::string& error);

    PasswordPorts& ports_;
    folders::FolderList& list_;
    journal::PasswordChangeRecord* record_;
    bool finishing_;
    bool installed_ = true;
    int reciphered_ = 0;
    int runs_ = 0;
};

bool Procedure::Offerable(std::size_t position) const {
    return !list_.LongPath(position).empty() && list_.Kind(position) != FolderKind::RegistryFile;
}

bool Procedure::AlreadyNew(const std::string& path) const {
    if (record_ == nullptr || !finishing_)
        return false;
    const std::optional<std::uint32_t> number = record_->FolderNumber(path);
    return number && record_->Contents().folders[*number].key == journal::ChangeKey::New;
}

void Procedure::RecordFailed(const std::string& error) {
    ports_.prompter.Ask(Message{ids::kChangeRecordFailed,
                                text::FormatText<ids::kChangeRecordFailed>(error),
                                ids::kCaptionError, Buttons::Ok, Icon::Exclamation, Answer::Ok});
}

// The record knows of the run, on disk, before the run writes anything.
bool Procedure::NoteMoving(const std::string& path) {
    if (record_ == nullptr || (!record_->IsOpen() && !ports_.changeRecordDirectory))
        return true;
    std::string error;
    const auto& slots = crypto::KeySlots::Instance();
    if (!record_->IsOpen() &&
        !record_->Create(*ports_.changeRecordDirectory, slots.Key(crypto::KeySlot::Current),
                         slots.Key(crypto::KeySlot::New), error)) {
        RecordFailed(error);
        return false;
    }
    if (!record_->NoteMoving(path, journal::ChangeKey::New, error)) {
        RecordFailed(error);
        return false;
    }
    return true;
}

// Noted before the next run starts, so a crash never leaves two folders in doubt.
bool Procedure::NoteEnd(const std::string& path, bool reached) {
    if (record_ == nullptr || !record_->IsOpen())
        return true;
    std::string error;
    const bool noted = reached ? record_->NoteReached(path, journal::ChangeKey::New, error)
                               : record_->NoteEnded(path, error);
    if (!noted)
        RecordFailed(error);
    return noted;
}

Answer Procedure::Ask(int textId, std::string text, int captionId, Buttons buttons, Icon icon) {
    return ports_.prompter.Ask(
        Message{textId, std::move(text), captionId, buttons, icon, Answer::Yes});
}

void Procedure::ShowError(int textId) {
    ports_.prompter.Ask(Message{textId, std::string(text::Text(textId)), ids::kCaptionError,
                                Buttons::Ok, Icon::None, Answer::Ok});
}

Procedure::Choice Procedure::AskForFolder(std::size_t k) {
    const std::string& path = list_.LongPath(k);
    std::string question =
        text::Format(ids::kRecipherFolderQuestion, {std::string_view(path)}).value_or(path);
    Answer answer =
        Ask(ids::kRecipherFolderQuestion, std::move(question), 0, Buttons::YesNoCancel, Icon::None);
    if (answer == Answer::No) {
        return Choice::Skip;
    }
    if (answer == Answer::Cancel) {
        if (reciphered_ == 0) {
            return Choice::Stop;
        }
        if (Ask(ids::kRecipherBreakQuestion, std::string(text::Text(ids::kRecipherBreakQuestion)),
                ids::kAppTitle, Buttons::YesNo, Icon::Information) == Answer::Yes) {
            return Choice::Stop;
        }
    }
    return Choice::Recipher;
}

// Stops the overlapping folders, then folder k. False when folder k itself
// could not be stopped; the overlapping ones are then running again.
bool Procedure::StopServices(std::size_t k, std::vector<std::size_t>& stopped) {
    bool overlapsStopped = true;
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        if (i == k || !Offerable(i) ||
            !folders::FoldersOverlap(list_.LongPath(k), list_.LongPath(i))) {
            continue;
        }
        if (ports_.driver.SetFolderState(static_cast<std::uint32_t>(i + 1),
                                         folder_state::kStopped) != 0) {
            ShowError(ids::kStopCipheringError);
            overlapsStopped = false;
            break;
        }
        stopped.push_back(i);
    }
    // A neighbour still served would see the run through its driver.
    if (overlapsStopped && ports_.driver.SetFolderState(static_cast<std::uint32_t>(k + 1),
                                                        folder_state::kStopped) == 0) {
        return true;
    }
    if (overlapsStopped) {
        ShowError(ids::kStopCipheringError);
    }
    // The folder will be offered again (or skipped): its neighbours must not
    // stay without ciphering meanwhile.
    for (std::size_t i : stopped) {
        RestartService(i);
    }
    stopped.clear();
    return false;
}

void Procedure::RestartService(std::size_t position) {
    const std::uint32_t state = list_.State(position);
    if (ports_.driver.SetFolderState(static_cast<std::uint32_t>(position + 1), state) != 0) {
        ShowError(ids::kStartCipheringError);
        list_.SetState(position, folder_state::WithCipherState(state, folder_state::kInitError));
    }
}

bool Procedure::Run() {
    if (!finishing_ && Ask(ids::kRecipherIntro, std::string(text::Text(ids::kRecipherIntro)),
                           ids::kAppTitle, Buttons::YesNo, Icon::Information) != Answer::Yes) {
        return false;
    }
    for (std::size_t k = 0; k < list_.Size(); ++k) {
        if (!Offerable(k) || AlreadyNew(list_.LongPath(k))) {
            continue;
        }
        for (;;) {
            const Choice choice = AskForFolder(k);
            if (choice == Choice::Skip) {
                break;
            }
            if (choice == Choice::Stop) {
                return false;
            }
            std::vector<std::size_t> stopped;
            if (!StopServices(k, stopped)) {
                continue;  // the same folder's question again
            }
            const std::string path = list_.LongPath(k);
            if (!NoteMoving(path)) {
                for (std::size_t i : stopped) {
                    RestartService(i);
                }
                RestartService(k);
                return false;
            }
            const bool completed =
                ports_.runs.Run(path, bulk::CipherMode::Recipher) == bulk::RunOutcome::Completed;
            ++runs_;
            const bool noted = NoteEnd(path, completed);
            if (completed) {
                ++reciphered_;
            } else {
                installed_ = false;
            }
            for (std::size_t i : stopped) {
                RestartService(i);
            }
            RestartService(k);
            if (!noted) {
                return false;
            }
            if (!completed && runs_ == 1) {
                return installed_;
            }
            break;
        }
    }
    return installed_;
}

}  // namespace

bool RecipherFolders(std::string_view newPassword, PasswordPorts& ports) {
    // A refused password would leave another key in the slot the files get.
    if (!crypto::KeySlots::Instance().DeriveKey(newPassword, crypto::KeySlot::New))
        return false;
    Procedure procedure(ports, nullptr, false);
    return procedure.Run();
}

bool RecipherFolders(std::string_view newPassword, PasswordPorts& ports,
                     journal::PasswordChangeRecord& record, bool finishing) {
    // A refused password would leave another key in the slot the files get.
    if (!crypto::KeySlots::Instance().DeriveKey(newPassword, crypto::KeySlot::New))
        return false;
    Procedure procedure(ports, &record, finishing);
    return procedure.Run();
}

}  // namespace tsrn::password
