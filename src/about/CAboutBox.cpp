#include "about/CAboutBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/ProjectIcons.h"
#include "app/gui/ShellTexts.h"

namespace tsrn::about {
namespace {
constexpr int kDialogId = 100;
constexpr int kLinkId = 1037;
}  // namespace

CAboutBox::CAboutBox(LinkLauncher& launcher, RegistryDatabase& registry, Prompter& prompter,
                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(app::DialogText(kDialogId, 0));

    auto* frame = new QGroupBox(this);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("172"));
    picture->setPixmap(app::AboutPicture());
    auto* version = new QLabel(app::DialogText(kDialogId, -1), frame);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* mailLabel = new QLabel(app::DialogText(kDialogId, -2), frame);
    link_ = new CLinkStatic(launcher, registry, prompter, frame);
    link_->setObjectName(QString::number(kLinkId));
    link_->setText(QString::fromLatin1(kAuthorAddress));

    auto* mailRow = new QHBoxLayout;
    mailRow->addStretch();
    mailRow->addWidget(mailLabel);
    mailRow->addWidget(link_);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(picture);
    frameLayout->addWidget(version);
    frameLayout->addLayout(mailRow);

    auto* ok = new QPushButton(app::DialogText(kDialogId, 1), this);
    ok->setObjectName(QStringLiteral("1"));
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
    link_->ChangeUrl(QStringLiteral("mailto:") + QString::fromLatin1(kAuthorAddress));
    link_->ShowUnderline(false);
    link_->EnableFitToText(false);
    link_->SetLinkCursor(QCursor(app::LinkCursorPicture(), 9, 2));
}

}  // namespace tsrn::about
