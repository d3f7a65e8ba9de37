#include "password/Reciphering.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "folders/FolderPaths.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::password {

namespace {

namespace ids = res::str;
using folders::FolderKind;
namespace folder_state = folders::folder_state;

class Procedure {
  public:
    explicit Procedure(PasswordPorts& ports) : ports_(ports), list_(ports.list) {}

    bool Run();

  private:
    enum class Choice { Skip, Recipher, Stop };

    Choice AskForFolder(std::size_t k);
    bool StopServices(std::size_t k, std::vector<std::size_t>& stopped);
    void RestartService(std::size_t position);
    bool Offerable(std::size_t position) const;
    Answer Ask(int textId, std::string text, int captionId, Buttons buttons, Icon icon);
    void ShowError(int textId);

    PasswordPorts& ports_;
    folders::FolderList& list_;
    bool installed_ = true;
    int reciphered_ = 0;
    int runs_ = 0;
};

bool Procedure::Offerable(std::size_t position) const {
    return !list_.LongPath(position).empty() && list_.Kind(position) != FolderKind::RegistryFile;
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
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        if (i == k || !Offerable(i) ||
            folders::ComparePaths(list_.LongPath(k), list_.LongPath(i)) == 0) {
            continue;
        }
        stopped.push_back(i);
        if (ports_.driver.SetFolderState(static_cast<std::uint32_t>(i + 1),
                                         folder_state::kStopped) != 0) {
            ShowError(ids::kStopCipheringError);
        }
    }
    if (ports_.driver.SetFolderState(static_cast<std::uint32_t>(k + 1), folder_state::kStopped) ==
        0) {
        return true;
    }
    ShowError(ids::kStopCipheringError);
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
    if (Ask(ids::kRecipherIntro, std::string(text::Text(ids::kRecipherIntro)), ids::kAppTitle,
            Buttons::YesNo, Icon::Information) != Answer::Yes) {
        return false;
    }
    for (std::size_t k = 0; k < list_.Size(); ++k) {
        if (!Offerable(k)) {
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
            const int result = ports_.runs.Run(list_.LongPath(k), bulk::CipherMode::Recipher);
            ++runs_;
            if (result == bulk::kIdOk) {
                ++reciphered_;
            } else {
                installed_ = false;
            }
            for (std::size_t i : stopped) {
                RestartService(i);
            }
            RestartService(k);
            if (result != bulk::kIdOk && runs_ == 1) {
                return installed_;
            }
            break;
        }
    }
    return installed_;
}

}  // namespace

bool RecipherFolders(std::string_view newPassword, PasswordPorts& ports) {
    crypto::KeySlots::Instance().DeriveKey(newPassword, crypto::KeySlot::New);
    Procedure procedure(ports);
    return procedure.Run();
}

}  // namespace tsrn::password
