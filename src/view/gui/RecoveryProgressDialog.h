#pragma once
// The window shown while an unfinished run's files are brought to one state:
// the folder, the file being checked and a bar over the run's files. The
// work runs on the GUI thread; the window repaints between files (no input
// is taken meanwhile: a recovery is not to be broken off halfway).

#include <QDialog>
#include <string>

#include "journal/RunRecovery.h"

class QLabel;
class QProgressBar;

namespace tsrn::view {

class RecoveryProgressDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RecoveryProgressDialog(QWidget* parent = nullptr);

    journal::RecoveryResult Run(journal::RunRecovery& recovery, journal::RecoveryChoice choice);
    // Files checked so far in the last Run.
    int FilesSeen() const { return seen_; }

  protected:
    void reject() override {}

  private:
    void FileReached(const std::string& path);

    QLabel* folder_ = nullptr;
    QLabel* file_ = nullptr;
    QProgressBar* bar_ = nullptr;
    int seen_ = 0;
};

}  // namespace tsrn::view
