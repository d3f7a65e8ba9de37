#include "app/Messages.h"

#include "app/AppIds.h"
#include "resources/StringTable.h"

namespace tsrn::app {

void ShowError(Prompter& prompter, int textId) {
    ShowMessage(prompter, textId, std::string(text::Text(textId)), ids::kCaptionError, Icon::Stop);
}

void ShowMessage(Prompter& prompter, int textId, std::string text, int captionId, Icon icon) {
    Message message;
    message.textId = textId;
    message.text = std::move(text);
    message.captionId = captionId;
    message.buttons = Buttons::Ok;
    message.icon = icon;
    message.defaultButton = Answer::Ok;
    prompter.Ask(message);
}

}  // namespace tsrn::app
