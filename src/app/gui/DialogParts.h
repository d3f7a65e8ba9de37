#pragma once
// Pieces the shell's dialogs share.

#include <QString>

class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QWidget;

namespace tsrn::app {

// A password edit that hides what is typed and scrolls horizontally, and takes
// at most 252 bytes of UTF-8 text.
QLineEdit* MakePasswordEdit(const QString& objectName, QWidget* parent, int maxLength = 32767);

// OK (1) and Cancel (2), and Help (57670) when asked, with the texts of
// dialog `dialogId`, wired to the dialog.
QDialogButtonBox* MakeOkCancel(QDialog* dialog, int dialogId, bool withHelp);

}  // namespace tsrn::app
