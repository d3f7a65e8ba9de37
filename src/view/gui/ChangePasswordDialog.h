#pragma once
// Dialog 162, "Change password": the new password twice. OK (and Enter in
// either field) moves the focus until both fields hold the same text.

#include <QDialog>
#include <string>

#include "platform/Prompter.h"

class QLineEdit;

namespace tsrn::view {

class ChangePasswordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ChangePasswordDialog(Prompter& prompter, QWidget* parent = nullptr);

    // The accepted password; valid after OK.
    const std::string& NewPassword() const { return newPassword_; }

  signals:
    void helpRequested(int context);

  private:
    void TryAccept();

    Prompter& prompter_;
    QLineEdit* first_ = nullptr;
    QLineEdit* second_ = nullptr;
    std::string newPassword_;
};

}  // namespace tsrn::view
