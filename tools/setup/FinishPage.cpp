#include "FinishPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "resources/DialogTexts.h"
#include "resources/StringTable.h"

namespace tsrn::setup {

FinishPage::FinishPage(QWidget* parent) : QWizardPage(parent) {
    using namespace res::setup;
    setObjectName(QString::number(dlg::kFinished));
    setTitle(QString::fromUtf8(text::setup::Text(str::kFinishedCaption)));
    viewReadme_ = new QCheckBox(
        QString::fromUtf8(text::setup::ControlText(dlg::kFinished, ctl::kViewReadme)), this);
    viewReadme_->setObjectName(QString::number(ctl::kViewReadme));
    viewReadme_->setChecked(true);
    runProgram_ = new QCheckBox(
        QString::fromUtf8(text::setup::ControlText(dlg::kFinished, ctl::kRunProgram)), this);
    runProgram_->setObjectName(QString::number(ctl::kRunProgram));
    runProgram_->setChecked(false);

    auto* done = new QLabel(QString::fromUtf8(text::setup::label::kInstalled), this);
    done->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(done);
    layout->addWidget(viewReadme_);
    layout->addWidget(runProgram_);
    setFinalPage(true);
}

bool FinishPage::RunProgram() const {
    return runProgram_->isChecked();
}
bool FinishPage::ViewReadme() const {
    return viewReadme_->isChecked();
}

}  // namespace tsrn::setup
