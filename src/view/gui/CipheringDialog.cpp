#include "view/gui/CipheringDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/gui/ShellTexts.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"
#include "view/gui/DialogHelpers.h"

namespace tsrn::view {

namespace ctl = res::ctl;
constexpr int kDialog = res::dlg::kCiphering;

CipheringDialog::CipheringDialog(const std::string& folder, bulk::CipherMode mode,
                                 Prompter& prompter, QWidget* parent)
    : CipheringDialog(std::make_unique<bulk::CipheringRun>(folder, mode, prompter), parent) {}

CipheringDialog::CipheringDialog(std::unique_ptr<bulk::CipheringRun> run, QWidget* parent)
    : QDialog(parent), run_(std::move(run)) {
    Build();
    run_->SetListener(this);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &CipheringDialog::Step);
}

CipheringDialog::~CipheringDialog() {
    timer_.stop();
    run_->SetListener(nullptr);
}

void CipheringDialog::Build() {
    setObjectName(QString::number(kDialog));
    setWindowTitle(app::TableText(bulk::TextsFor(run_->Mode()).title));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(app::ToQString(text::label::kCipheringGroup), this);
    auto* grid = new QGridLayout(group);
    folder_ = new QLabel(QString::fromStdString(run_->Folder()), group);
    folder_->setObjectName(ControlName(ctl::kCipheringFolder));
    grid->addWidget(folder_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(app::ToQString(text::label::kCipheringCurrentFile), group), 1, 0);
    file_ = new QLineEdit(group);
    file_->setObjectName(ControlName(ctl::kCurrentFile));
    file_->setReadOnly(true);
    file_->setMinimumWidth(440);
    grid->addWidget(file_, 1, 1, 1, 2);
    counter_ = new QLabel(QString(), group);
    counter_->setObjectName(ControlName(ctl::kFileCount));
    counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    counter_->setMinimumWidth(60);
    grid->addWidget(counter_, 2, 1);
    grid->addWidget(new QLabel(app::ToQString(text::label::kCipheringFiles), group), 2, 2);
    layout->addWidget(group);

    bar_ = new QProgressBar(this);
    bar_->setObjectName(ControlName(ctl::kCipheringProgress));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    layout->addWidget(bar_);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    button_ = new QPushButton(app::TableText(res::str::kButtonCancel), this);
    button_->setObjectName(ControlName(ctl::kOk));
    button_->setDefault(true);
    row->addWidget(button_);
    auto* help = new QPushButton(app::ControlLabel(kDialog, ctl::kHelp), this);
    help->setObjectName(ControlName(ctl::kHelp));
    help->setAutoDefault(false);
    row->addWidget(help);
    layout->addLayout(row);
    connect(button_, &QPushButton::clicked, this, &CipheringDialog::PressButton);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(HelpContext()); });
}

int CipheringDialog::HelpContext() const {
    switch (run_->Mode()) {
        case bulk::CipherMode::Encipher:
            return res::help::kEnciphering;
        case bulk::CipherMode::Decipher:
            return res::help::kDeciphering;
        case bulk::CipherMode::Recipher:
            return res::help::kReciphering;
    }
    return res::help::kEnciphering;
}

int CipheringDialog::exec() {
    timer_.start();
    if (!timer_.isActive()) {
        run_->TimerFailed();
        return bulk::kIdCancel;
    }
    if (run_->Ended())
        return run_->Result();
    return QDialog::exec();
}

void CipheringDialog::Step() {
    run_->Tick();
    if (run_->Finished() || run_->Ended())
        timer_.stop();
    EndIfOver();
}

void CipheringDialog::PressButton() {
    run_->PressButton();
    EndIfOver();
}

void CipheringDialog::EndIfOver() {
    if (!run_->Ended())
        return;
    timer_.stop();
    done(run_->Result());
}

void CipheringDialog::reject() {
    // Esc and the close box come here; the run decides what they mean.
    run_->PressEscape();
    EndIfOver();
}

void CipheringDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(HelpContext());
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CipheringDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void CipheringDialog::FileTextChanged(const std::string& text) {
    file_->setText(QString::fromStdString(text));
    file_->repaint();
}

void CipheringDialog::CounterChanged(std::size_t count) {
    counter_->setText(QString::number(count));
}

void CipheringDialog::PercentChanged(int percent) {
    bar_->setValue(percent);
    // A large file is done within one step: let the window repaint between
    // its chunks (no user input is taken until the step is over).
    if (isVisible())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CipheringDialog::ButtonTextChanged(int textId) {
    button_->setText(app::TableText(textId));
}

}  // namespace tsrn::view
