#include "runsafety/RecoveryTexts.h"

#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::runsafety {

namespace str = res::str;

std::string ModeText(bulk::CipherMode mode) {
    switch (mode) {
        case bulk::CipherMode::Decipher:
            return std::string(text::Text(str::kRunModeDeciphering));
        case bulk::CipherMode::Recipher:
            return std::string(text::Text(str::kRunModeReciphering));
        case bulk::CipherMode::Encipher:
            break;
    }
    return std::string(text::Text(str::kRunModeEnciphering));
}

std::string PathLines(const std::vector<std::string>& paths, std::size_t limit) {
    std::string lines;
    for (std::size_t i = 0; i < paths.size() && i < limit; ++i) {
        if (i != 0)
            lines += '\n';
        lines += paths[i];
    }
    if (paths.size() > limit)
        lines += "\n...";
    return lines;
}

namespace {
void Show(Prompter& prompter, int textId, std::string text, int captionId, Icon icon) {
    prompter.Ask(Message{textId, std::move(text), captionId, Buttons::Ok, icon, Answer::Ok});
}
}  // namespace

void Inform(Prompter& prompter, int textId, std::string text) {
    Show(prompter, textId, std::move(text), str::kAppTitle, Icon::Information);
}

void Warn(Prompter& prompter, int textId, std::string text) {
    Show(prompter, textId, std::move(text), str::kCaptionError, Icon::Exclamation);
}

Answer AskYesNo(Prompter& prompter, int textId, std::string text, Answer defaultButton) {
    return prompter.Ask(Message{textId, std::move(text), str::kCaptionAttention, Buttons::YesNo,
                                Icon::Question, defaultButton});
}

}  // namespace tsrn::runsafety
