#pragma once
// The installation wizard: welcome, install folder, copying, installation
// password, finish. Only the folder page can go back. Cancel before copying
// only asks; from copying on it offers the rollback. Closing the last page
// after a successful installation is no cancel.

#include <QWizard>

#include "SetupContext.h"

namespace tsrn::setup {

class CopyingPage;
class FinishPage;

class SetupWizard : public QWizard {
    Q_OBJECT
  public:
    enum PageIndex { Welcome, Folder, Copying, Password, Finished };

    explicit SetupWizard(SetupContext& context, QWidget* parent = nullptr);

    void accept() override;
    void reject() override;
    // True once an installation was rolled back from this wizard.
    bool RolledBack() const { return rolledBack_; }

  private:
    void ShowPageCaption(int id);
    bool AskInterrupt();
    // Opens the medium's readme; says so when it cannot.
    void ShowReadme();

    SetupContext& context_;
    CopyingPage* copying_;
    FinishPage* finish_;
    bool rolledBack_ = false;
};

}  // namespace tsrn::setup
