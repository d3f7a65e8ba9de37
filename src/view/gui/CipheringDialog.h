#pragma once
// Dialog 167, "Folder ciphering": one bulk run over a folder tree, driven by
// a timer that performs one step per tick as fast as the event loop allows.
// It shows the folder, the current file, the count of files done and the
// percentage of bytes; its one button reads "Cancel" while the run goes on
// and "OK" once it has ended. Esc and the close box act like the button,
// except while an undo is running.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

#include "bulk/CipheringRun.h"
#include "bulk/RunListener.h"
#include "platform/Prompter.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tsrn::view {

class CipheringDialog : public QDialog, private bulk::RunListener {
    Q_OBJECT
  public:
    // Counts the tree before the window exists. `run` is for tests that
    // bring their own keys; otherwise the run uses the process's key slots.
    CipheringDialog(const std::string& folder, bulk::CipherMode mode, Prompter& prompter,
                    QWidget* parent = nullptr);
    CipheringDialog(std::unique_ptr<bulk::CipheringRun> run, QWidget* parent = nullptr);
    ~CipheringDialog() override;

    // IDOK (1) only when every file was processed and OK was pressed.
    int exec() override;
    bulk::CipheringRun& Run() { return *run_; }
    // The help context of the run's mode.
    int HelpContext() const;

  signals:
    void helpRequested(int context);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void Build();
    void Step();
    void PressButton();
    void EndIfOver();

    void FileTextChanged(const std::string& text) override;
    void CounterChanged(std::size_t count) override;
    void PercentChanged(int percent) override;
    void ButtonTextChanged(int textId) override;

    std::unique_ptr<bulk::CipheringRun> run_;
    QTimer timer_;
    QLabel* folder_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLabel* counter_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* button_ = nullptr;
};

}  // namespace tsrn::view
