#pragma once
// The settings dialog (149) over SettingsLogic.

#include <QDialog>

#include "app/SettingsLogic.h"

class QCheckBox;

namespace tsrn::app {

class HelpOpener;

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(SettingsLogic& logic, HelpOpener* help, QWidget* parent = nullptr);

    SettingsChecks Checks() const;

    void accept() override;

  private:
    QCheckBox* AddCheck(QWidget* parent, int id, bool checked);

    SettingsLogic& logic_;
};

}  // namespace tsrn::app
