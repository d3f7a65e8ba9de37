#pragma once
// A message box, as the core sees it. The GUI answers with QMessageBox, the
// command-line tool on the terminal, tests from a script.

#include <string>

namespace tsrn {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };

enum class Icon { None, Stop, Exclamation, Information, Question };

// The values are the Win32 dialog results (IDOK = 1, IDCANCEL = 2, ...) so that
// results stored or compared as integers keep their meaning.
enum class Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct Message {
    int textId = 0;     // string-table id of the text
    std::string text;   // the text as shown (already formatted with its arguments)
    int captionId = 0;  // string-table id of the caption; 0 = empty caption
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Answer defaultButton = Answer::Ok;
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    // Shows the message and returns the button pressed. Must return one of the
    // buttons the message offers.
    virtual Answer Ask(const Message& message) = 0;
};

}  // namespace tsrn
