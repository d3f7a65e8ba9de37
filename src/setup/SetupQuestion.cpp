#include "setup/SetupQuestion.h"

#include <string>

#include "resources/StringTable.h"

namespace tsrn::setup {

bool AskYesNo(Prompter& prompter, int textId, Icon icon, Answer defaultAnswer) {
    Message question;
    question.textId = textId;
    question.text = std::string(text::setup::Text(textId));
    question.buttons = Buttons::YesNo;
    question.icon = icon;
    question.defaultButton = defaultAnswer;
    return prompter.Ask(question) == Answer::Yes;
}

}  // namespace tsrn::setup
