#include "about/CAboutBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/ProjectIcons.h"
#include "app/gui/ShellTexts.h"
#include "resources/DialogTexts.h"
#include "resources/ResourceIds.h"

namespace tsrn::about {
namespace {
constexpr int kDialogId = res::dlg::kAbout;
constexpr int kLinkId = res::ctl::kEmailLink;
}  // namespace

CAboutBox::CAboutBox(LinkLauncher& launcher, registry::RegistryDatabase& registry,
                     Prompter& prompter, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(app::CaptionText(kDialogId));

    auto* frame = new QGroupBox(this);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QString::number(res::bitmap::kAboutPicture));
    picture->setPixmap(app::AboutPicture());
    auto* version = new QLabel(app::ToQString(text::label::kAboutVersion), frame);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* mailLabel = new QLabel(app::ToQString(text::label::kAboutEmail), frame);
    link_ = new CLinkStatic(launcher, registry, prompter, frame);
    link_->setObjectName(QString::number(kLinkId));
    link_->setText(app::ControlLabel(kDialogId, kLinkId));

    auto* mailRow = new QHBoxLayout;
    mailRow->addStretch();
    mailRow->addWidget(mailLabel);
    mailRow->addWidget(link_);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(picture);
    frameLayout->addWidget(version);
    frameLayout->addLayout(mailRow);

    auto* ok = new QPushButton(app::ControlLabel(kDialogId, res::ctl::kOk), this);
    ok->setObjectName(QString::number(res::ctl::kOk));
    ok->setDefault(true);
    ok->setMinimumHeight(40);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The link's target is first its text; then it becomes a mail address.
    link_->Attach();
    link_->ChangeUrl(app::ToQString(text::about::kMailto) +
                     app::ToQString(text::about::kAuthorEmail));
    link_->ShowUnderline(false);
    link_->EnableFitToText(false);
    link_->SetLinkCursor(QCursor(app::LinkCursorPicture(), 9, 2));
}

}  // namespace tsrn::about
