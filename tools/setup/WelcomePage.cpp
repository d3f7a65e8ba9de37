#include "WelcomePage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "resources/DialogTexts.h"
#include "resources/StringTable.h"

namespace tsrn::setup {

WelcomePage::WelcomePage(QWidget* parent) : QWizardPage(parent) {
    setObjectName(QString::number(res::setup::dlg::kWelcome));
    setTitle(QString::fromUtf8(text::setup::Text(res::setup::str::kWelcomeCaption)));
    auto* welcome = new QLabel(QString::fromUtf8(text::setup::label::kWelcome), this);
    welcome->setWordWrap(true);
    welcome->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(welcome);
}

}  // namespace tsrn::setup
