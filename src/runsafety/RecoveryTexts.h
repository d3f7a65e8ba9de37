#pragma once
// Message boxes shared by the run guard and the start-up recovery.

#include <string>
#include <vector>

#include "bulk/CipherMode.h"
#include "platform/Prompter.h"

namespace tsrn::runsafety {

// "enciphering", "deciphering" or "reciphering".
std::string ModeText(bulk::CipherMode mode);
// Paths one a line, at most `limit` of them, then "...".
std::string PathLines(const std::vector<std::string>& paths, std::size_t limit = 20);

void Inform(Prompter& prompter, int textId, std::string text);
void Warn(Prompter& prompter, int textId, std::string text);
Answer AskYesNo(Prompter& prompter, int textId, std::string text, Answer defaultButton);

}  // namespace tsrn::runsafety
