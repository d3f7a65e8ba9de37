#pragma once
// The shell's visible texts as QStrings, all from the resources module.

#include <QString>
#include <string_view>

namespace tsrn::app {

QString ToQString(std::string_view text);

// The string table's text of `id`.
QString TableText(int id);
// A dialog's caption and its controls' texts.
QString CaptionText(int dialogId);
QString ControlLabel(int dialogId, int controlId);

}  // namespace tsrn::app
