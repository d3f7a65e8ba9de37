#pragma once
// The shell's message boxes, built from the string table.

#include <string>

#include "platform/Prompter.h"

namespace tsrn::app {

// Text `textId` with caption 257 "Tessaryn: Error" and the error icon.
void ShowError(Prompter& prompter, int textId);
// An already formatted text of `textId` with the given caption and icon.
void ShowMessage(Prompter& prompter, int textId, std::string text, int captionId, Icon icon);

}  // namespace tsrn::app
