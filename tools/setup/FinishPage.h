#pragma once

#include <QWizardPage>

class QCheckBox;

namespace tsrn::setup {

class FinishPage : public QWizardPage {
    Q_OBJECT
  public:
    explicit FinishPage(QWidget* parent = nullptr);
    bool RunProgram() const;
    bool ViewReadme() const;

  private:
    QCheckBox* viewReadme_;
    QCheckBox* runProgram_;
};

}  // namespace tsrn::setup
