#pragma once
// The choice of the install folder: typed, or picked in a folder dialog that
// offers to create a folder that does not exist. Next refuses a folder whose
// emptying could destroy files that are not ours.

#include <QWizardPage>

#include "SetupContext.h"

class QLineEdit;

namespace tsrn::setup {

class FolderPage : public QWizardPage {
    Q_OBJECT
  public:
    FolderPage(SetupContext& context, QWidget* parent = nullptr);
    void initializePage() override;
    bool validatePage() override;

  private:
    void ChooseFolder();

    SetupContext& context_;
    QLineEdit* folderEdit_;
    bool shown_ = false;
};

}  // namespace tsrn::setup
