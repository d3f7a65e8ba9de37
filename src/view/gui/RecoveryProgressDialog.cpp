#include "view/gui/RecoveryProgressDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/gui/ShellTexts.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::view {

RecoveryProgressDialog::RecoveryProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RecoveryProgress"));
    setWindowTitle(app::TableText(res::str::kRecoveryProgressTitle));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    folder_ = new QLabel(this);
    folder_->setObjectName(QStringLiteral("folder"));
    layout->addWidget(folder_);
    file_ = new QLabel(this);
    file_->setObjectName(QStringLiteral("file"));
    file_->setMinimumWidth(440);
    layout->addWidget(file_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progress"));
    layout->addWidget(bar_);
}

journal::RecoveryResult RecoveryProgressDialog::Run(journal::RunRecovery& recovery,
                                                    journal::RecoveryChoice choice) {
    const journal::UnfinishedRun& run = recovery.Run();
    folder_->setText(QString::fromStdString(run.contents.header.folder));
    bar_->setRange(0, static_cast<int>(run.contents.files.size()));
    bar_->setValue(0);
    seen_ = 0;
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    journal::RecoveryResult result =
        recovery.Recover(choice, [this](const std::string& path) { FileReached(path); });
    hide();
    return result;
}

void RecoveryProgressDialog::FileReached(const std::string& path) {
    ++seen_;
    file_->setText(QString::fromStdString(text::FormatText<res::str::kRecoveryProgressFile>(path)));
    bar_->setValue(std::min(seen_, bar_->maximum()));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace tsrn::view
