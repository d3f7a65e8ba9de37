#pragma once

#include <QWizardPage>

namespace tsrn::setup {

class WelcomePage : public QWizardPage {
    Q_OBJECT
  public:
    explicit WelcomePage(QWidget* parent = nullptr);
};

}  // namespace tsrn::setup
