#pragma once

#include "platform/Prompter.h"

namespace tsrn::setup {

// Asks a Yes/No question from the installer's string table; true for Yes.
[[nodiscard]] bool AskYesNo(Prompter& prompter, int textId, Icon icon, Answer defaultAnswer);

}  // namespace tsrn::setup
