#include "ConsolePrompter.h"

#include <cctype>
#include <string>

namespace tsrnctl {

namespace {

using tsrn::Answer;
using tsrn::Buttons;

struct Choice {
    char key;
    Answer answer;
    const char* label;
};

std::string ChoicesOf(Buttons buttons, Choice (&out)[3], int& count) {
    switch (buttons) {
        case Buttons::YesNo:
            out[0] = {'y', Answer::Yes, "yes"};
            out[1] = {'n', Answer::No, "no"};
            count = 2;
            return "[y]es / [n]o";
        case Buttons::YesNoCancel:
            out[0] = {'y', Answer::Yes, "yes"};
            out[1] = {'n', Answer::No, "no"};
            out[2] = {'c', Answer::Cancel, "cancel"};
            count = 3;
            return "[y]es / [n]o / [c]ancel";
        case Buttons::AbortRetryIgnore:
            out[0] = {'a', Answer::Abort, "abort"};
            out[1] = {'r', Answer::Retry, "retry"};
            out[2] = {'i', Answer::Ignore, "ignore"};
            count = 3;
            return "[a]bort / [r]etry / [i]gnore";
        case Buttons::RetryCancel:
            out[0] = {'r', Answer::Retry, "retry"};
            out[1] = {'c', Answer::Cancel, "cancel"};
            count = 2;
            return "[r]etry / [c]ancel";
        case Buttons::OkCancel:
            out[0] = {'o', Answer::Ok, "ok"};
            out[1] = {'c', Answer::Cancel, "cancel"};
            count = 2;
            return "[o]k / [c]ancel";
        case Buttons::Ok:
            break;
    }
    count = 0;
    return "";
}

}  // namespace

tsrn::Answer ConsolePrompter::Ask(const tsrn::Message& message) {
    if (message.buttons == Buttons::Ok) {
        std::fprintf(stderr, "\n%s\n", message.text.c_str());
        return Answer::Ok;
    }
    return terminal_ != nullptr ? AskTerminal(message) : DecideUnattended(message);
}

tsrn::Answer ConsolePrompter::AskTerminal(const tsrn::Message& message) {
    Choice choices[3]{};
    int count = 0;
    const std::string menu = ChoicesOf(message.buttons, choices, count);
    for (;;) {
        std::fprintf(terminal_, "\n%s\n%s? ", message.text.c_str(), menu.c_str());
        std::fflush(terminal_);
        int c = std::fgetc(terminal_);
        while (c == ' ' || c == '\t') {
            c = std::fgetc(terminal_);
        }
        int rest = c;
        while (rest != '\n' && rest != EOF) {
            rest = std::fgetc(terminal_);
        }
        if (c == EOF) {
            clearerr(terminal_);
            return message.defaultButton;
        }
        if (c == '\n') {
            return message.defaultButton;
        }
        for (int i = 0; i < count; ++i) {
            if (std::tolower(c) == choices[i].key) {
                return choices[i].answer;
            }
        }
    }
}

tsrn::Answer ConsolePrompter::DecideUnattended(const tsrn::Message& message) const {
    std::fprintf(stderr, "\n%s\n", message.text.c_str());
    switch (message.buttons) {
        case Buttons::AbortRetryIgnore:
            return ignoreAccessErrors_ ? Answer::Ignore : Answer::Abort;
        case Buttons::YesNo:
            return Answer::Yes;  // the cancel question: undo
        default:
            return message.defaultButton;
    }
}

}  // namespace tsrnctl
