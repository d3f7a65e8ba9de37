#pragma once
// The password-not-found dialog (169): the installation password (1031) and a
// new working password (1025). Enter in 1031 moves on to 1025.

#include <QDialog>

class QLineEdit;

namespace tsrn::app {

class HelpOpener;

class MissingPasswordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit MissingPasswordDialog(HelpOpener* help, QWidget* parent = nullptr);
    QString InstallationPassword() const;
    QString NewPassword() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* installation_;
    QLineEdit* newPassword_;
};

}  // namespace tsrn::app
