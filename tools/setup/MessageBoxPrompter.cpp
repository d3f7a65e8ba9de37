#include "MessageBoxPrompter.h"

#include <QMessageBox>
#include <utility>
#include <vector>

#include "resources/StringTable.h"

namespace tsrn::setup {
namespace {

using Pair = std::pair<QMessageBox::StandardButton, Answer>;

std::vector<Pair> ButtonsOf(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return {{QMessageBox::Ok, Answer::Ok}};
        case Buttons::OkCancel:
            return {{QMessageBox::Ok, Answer::Ok}, {QMessageBox::Cancel, Answer::Cancel}};
        case Buttons::YesNo:
            return {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}};
        case Buttons::YesNoCancel:
            return {{QMessageBox::Yes, Answer::Yes},
                    {QMessageBox::No, Answer::No},
                    {QMessageBox::Cancel, Answer::Cancel}};
        case Buttons::AbortRetryIgnore:
            return {{QMessageBox::Abort, Answer::Abort},
                    {QMessageBox::Retry, Answer::Retry},
                    {QMessageBox::Ignore, Answer::Ignore}};
        case Buttons::RetryCancel:
            return {{QMessageBox::Retry, Answer::Retry}, {QMessageBox::Cancel, Answer::Cancel}};
    }
    return {{QMessageBox::Ok, Answer::Ok}};
}

QMessageBox::Icon IconOf(Icon icon) {
    switch (icon) {
        case Icon::Stop:
            return QMessageBox::Critical;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer MessageBoxPrompter::Ask(const Message& message) {
    const QString caption = message.captionId == 0
                                ? QString()
                                : QString::fromUtf8(text::setup::Text(message.captionId));
    QMessageBox box(IconOf(message.icon), caption, QString::fromStdString(message.text),
                    QMessageBox::NoButton, owner_);
    const auto buttons = ButtonsOf(message.buttons);
    Answer fallback = buttons.back().second;
    for (const auto& [button, answer] : buttons) {
        box.addButton(button);
        if (answer == message.defaultButton) {
            box.setDefaultButton(button);
        }
    }
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, answer] : buttons) {
        if (button == pressed) {
            return answer;
        }
    }
    return fallback;  // closed without a button: the box's escape answer
}

}  // namespace tsrn::setup
