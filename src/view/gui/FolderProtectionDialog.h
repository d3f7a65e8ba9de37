#pragma once
// Dialog 150, "Folder protection": a listed folder's long and short path, its
// description (255 characters at most) and prohibitions, and a button that
// switches its ciphering at once and then closes as OK. It has no Cancel
// button: Escape and the close box discard the changes.

#include <QDialog>

#include "view/gui/DialogHelpers.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tsrn::view {

class ProtectionEdit;

class FolderProtectionDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FolderProtectionDialog(ProtectionEdit& edit, QWidget* parent = nullptr);

  signals:
    void helpRequested(int context);

  private:
    void SwitchCiphering();
    void Apply();

    ProtectionEdit& edit_;
    QLineEdit* description_ = nullptr;
    ProhibitionBoxes prohibitions_;
    QLabel* cipheringState_ = nullptr;
    QPushButton* cipheringButton_ = nullptr;
};

}  // namespace tsrn::view
