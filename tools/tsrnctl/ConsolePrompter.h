#pragma once
// Message boxes on the command line. On a terminal the question is asked and
// answered there; without one the answers are fixed in advance: an access
// error aborts or skips the file (--on-error), the cancel question undoes.

#include <cstdio>

#include "platform/Prompter.h"

namespace tsrnctl {

class ConsolePrompter : public tsrn::Prompter {
  public:
    // `terminal` may be null: then nothing is asked.
    ConsolePrompter(std::FILE* terminal, bool ignoreAccessErrors)
        : terminal_(terminal), ignoreAccessErrors_(ignoreAccessErrors) {}

    tsrn::Answer Ask(const tsrn::Message& message) override;

  private:
    tsrn::Answer AskTerminal(const tsrn::Message& message);
    tsrn::Answer DecideUnattended(const tsrn::Message& message) const;

    std::FILE* terminal_;
    bool ignoreAccessErrors_;
};

}  // namespace tsrnctl
