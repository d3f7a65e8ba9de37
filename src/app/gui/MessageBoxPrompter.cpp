#include "app/gui/MessageBoxPrompter.h"

#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "resources/StringTable.h"

namespace tsrn::app {
namespace {

std::vector<Answer> ButtonsOf(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return {Answer::Ok};
        case Buttons::OkCancel:
            return {Answer::Ok, Answer::Cancel};
        case Buttons::YesNo:
            return {Answer::Yes, Answer::No};
        case Buttons::YesNoCancel:
            return {Answer::Yes, Answer::No, Answer::Cancel};
        case Buttons::AbortRetryIgnore:
            return {Answer::Abort, Answer::Retry, Answer::Ignore};
        case Buttons::RetryCancel:
            return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::Ok};
}

QMessageBox::StandardButton StandardButtonOf(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return QMessageBox::Ok;
        case Answer::Cancel:
            return QMessageBox::Cancel;
        case Answer::Abort:
            return QMessageBox::Abort;
        case Answer::Retry:
            return QMessageBox::Retry;
        case Answer::Ignore:
            return QMessageBox::Ignore;
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Stop:
            return QMessageBox::Critical;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer MessageBoxPrompter::Ask(const Message& message) {
    const QString caption =
        message.captionId == 0 ? QString() : QString::fromUtf8(text::Text(message.captionId));
    QMessageBox box(IconOf(message.icon), caption, QString::fromStdString(message.text),
                    QMessageBox::NoButton, owner_.data());
    box.setTextFormat(Qt::PlainText);
    const std::vector<Answer> answers = ButtonsOf(message.buttons);
    for (const Answer answer : answers)
        box.addButton(StandardButtonOf(answer));
    box.setDefaultButton(StandardButtonOf(message.defaultButton));
    if (answers.size() == 1)
        box.setEscapeButton(StandardButtonOf(answers.front()));
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const Answer answer : answers) {
        if (StandardButtonOf(answer) == pressed)
            return answer;
    }
    // Closed without a button: the cancel-like answer the box offers.
    for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Ignore}) {
        for (const Answer offered : answers) {
            if (offered == answer)
                return answer;
        }
    }
    return answers.front();
}

}  // namespace tsrn::app
