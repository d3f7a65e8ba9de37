#pragma once
// The unlock dialog (164): one hidden password edit (1025). Its mode flag 1
// hides the note 1032 "Temporary password for ciphering", 0 shows it. It stays
// above other windows and has a task-bar entry, also while the main window is
// hidden.

#include <QDialog>

class QLineEdit;
class QLabel;

namespace tsrn::app {

class UnlockDialog : public QDialog {
    Q_OBJECT
  public:
    explicit UnlockDialog(int modeFlag, QWidget* parent = nullptr);
    QString Password() const;

  private:
    QLineEdit* password_;
    QLabel* note_;
};

}  // namespace tsrn::app
