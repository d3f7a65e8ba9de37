#pragma once
// The installation password, entered twice. Enter in the first field moves to
// the second; a mismatch empties both and starts again. Empty passwords count.

#include <QWizardPage>

#include "SetupContext.h"

class QLineEdit;

namespace tsrn::setup {

class PasswordPage : public QWizardPage {
    Q_OBJECT
  public:
    PasswordPage(SetupContext& context, QWidget* parent = nullptr);
    void initializePage() override;
    bool validatePage() override;

  private:
    SetupContext& context_;
    QLineEdit* first_;
    QLineEdit* second_;
};

}  // namespace tsrn::setup
