#pragma once
// The copying page: runs the install steps from a 1 ms timer, one step per
// tick, and moves on by itself after the last one.

#include <QTimer>
#include <QWizardPage>
#include <memory>

#include "SetupContext.h"
#include "setup/InstallEngine.h"

class QLabel;
class QProgressBar;

namespace tsrn::setup {

class CopyingPage : public QWizardPage, public InstallObserver {
    Q_OBJECT
  public:
    CopyingPage(SetupContext& context, QWidget* parent = nullptr);
    void initializePage() override;
    bool isComplete() const override;

    // The steps pause while the interrupt question is open.
    void PauseSteps();
    void ResumeSteps();

    void ShowFileText(const std::string& text) override;
    void ShowProgress(int position, const std::string& percentText) override;

  signals:
    // A failed copy was cancelled and the installation rolled back.
    void RolledBack();

  private:
    void OnTick();

    SetupContext& context_;
    QLabel* fileLabel_;
    QLabel* percentLabel_;
    QProgressBar* progress_;
    QTimer timer_;
    std::unique_ptr<InstallEngine> engine_;
};

}  // namespace tsrn::setup
