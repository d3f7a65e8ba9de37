#pragma once
// Dialog 168, "Protection of added folder": the description, the four
// prohibitions, whether ciphering starts at once and whether the folder's
// files are enciphered now.

#include <QDialog>
#include <optional>

#include "view/ViewDialogs.h"
#include "view/gui/DialogHelpers.h"

class QLineEdit;

namespace tsrn::view {

class AddFolderDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AddFolderDialog(const QString& path, QWidget* parent = nullptr);

    // The results; valid after OK.
    AddFolderChoice Choice() const;

  signals:
    void helpRequested(int context);

  private:
    QLineEdit* description_ = nullptr;
    ProhibitionBoxes prohibitions_;
    QCheckBox* startNow_ = nullptr;
    QCheckBox* encipher_ = nullptr;
};

}  // namespace tsrn::view
