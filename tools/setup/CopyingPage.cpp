#include "CopyingPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QWizard>

#include "resources/DialogTexts.h"
#include "resources/StringTable.h"

namespace tsrn::setup {

CopyingPage::CopyingPage(SetupContext& context, QWidget* parent)
    : QWizardPage(parent),
      context_(context),
      fileLabel_(new QLabel(this)),
      percentLabel_(new QLabel(this)),
      progress_(new QProgressBar(this)) {
    using namespace res::setup;
    setObjectName(QString::number(dlg::kCopying));
    setTitle(QString::fromUtf8(text::setup::Text(str::kCopyingCaption)));
    fileLabel_->setObjectName(QString::number(ctl::kCurrentFile));
    fileLabel_->setText(
        QString::fromUtf8(text::setup::ControlText(dlg::kCopying, ctl::kCurrentFile)));
    percentLabel_->setObjectName(QString::number(ctl::kPercent));
    percentLabel_->setText(
        QString::fromUtf8(text::setup::ControlText(dlg::kCopying, ctl::kPercent)));
    progress_->setObjectName(QString::number(ctl::kProgress));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    auto* heading = new QLabel(QString::fromUtf8(text::setup::label::kInstalling), this);
    heading->setAlignment(Qt::AlignCenter);
    auto* layout = new QGridLayout(this);
    layout->addWidget(heading, 0, 0, 1, 2);
    layout->addWidget(fileLabel_, 1, 0, 1, 2);
    layout->addWidget(progress_, 2, 0);
    layout->addWidget(percentLabel_, 2, 1);
    setCommitPage(true);

    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &CopyingPage::OnTick);
}

void CopyingPage::initializePage() {
    if (engine_) {
        return;
    }
    fileLabel_->clear();
    percentLabel_->clear();
    engine_ = std::make_unique<InstallEngine>(context_.state, context_.paths, context_.registry,
                                              context_.prompter, *this);
    engine_->Prepare();
    timer_.start();
}

bool CopyingPage::isComplete() const {
    return engine_ && engine_->Finished();
}

void CopyingPage::PauseSteps() {
    timer_.stop();
}

void CopyingPage::ResumeSteps() {
    if (engine_ && !engine_->Finished() && !engine_->RolledBack()) {
        timer_.start();
    }
}

void CopyingPage::OnTick() {
    switch (engine_->Tick()) {
        case TickResult::Finished:
            timer_.stop();
            emit completeChanged();
            wizard()->next();
            break;
        case TickResult::RolledBack:
            timer_.stop();
            emit RolledBack();
            break;
        default:
            break;
    }
}

void CopyingPage::ShowFileText(const std::string& text) {
    fileLabel_->setText(QString::fromStdString(text));
    fileLabel_->repaint();
}

void CopyingPage::ShowProgress(int position, const std::string& percentText) {
    progress_->setValue(position);
    percentLabel_->setText(QString::fromStdString(percentText));
    repaint();
}

}  // namespace tsrn::setup
