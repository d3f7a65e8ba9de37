#include "app/gui/ShellTexts.h"

#include "resources/DialogTexts.h"
#include "resources/StringTable.h"

namespace tsrn::app {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString TableText(int id) {
    return ToQString(text::Text(id));
}

QString CaptionText(int dialogId) {
    return ToQString(text::DialogCaption(dialogId));
}

QString ControlLabel(int dialogId, int controlId) {
    return ToQString(text::ControlText(dialogId, controlId));
}

}  // namespace tsrn::app
