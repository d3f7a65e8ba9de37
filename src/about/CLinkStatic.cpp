#include "about/CLinkStatic.h"

#include <QApplication>
#include <QMouseEvent>

namespace tsrn::about {

CLinkStatic::CLinkStatic(LinkLauncher& launcher, registry::RegistryDatabase& registry,
                         Prompter& prompter, QWidget* parent)
    : QLabel(parent), launcher_(launcher), registry_(registry), prompter_(prompter) {
    setTextFormat(Qt::PlainText);
}

void CLinkStatic::Attach() {
    if (target_.isEmpty())
        target_ = text();
    if (text().isEmpty())
        setText(target_);
    FitToText();
    setCursor(Qt::ArrowCursor);
    setToolTip(target_);
    Restyle();
}

void CLinkStatic::ChangeUrl(const QString& target) {
    target_ = target;
    FitToText();
    setToolTip(target_);
}

void CLinkStatic::ChangeColours(const QColor& link, const QColor& visited) {
    linkColour_ = link;
    visitedColour_ = visited;
    Restyle();
}

void CLinkStatic::MarkVisited(bool visited) {
    visited_ = visited;
    Restyle();
}

void CLinkStatic::ShowUnderline(bool underline) {
    underline_ = underline;
    Restyle();
}

void CLinkStatic::EnableFitToText(bool fit) {
    fitToText_ = fit;
    FitToText();
}

void CLinkStatic::SetLinkCursor(const QCursor& cursor) {
    setCursor(cursor);
}

int CLinkStatic::OpenLink(const QString& target) {
    const std::string utf8 = target.toStdString();
    return about::OpenLink(utf8, launcher_, registry_);
}

void CLinkStatic::FitToText() {
    if (!fitToText_)
        return;
    QRect rect = geometry();
    const QSize textSize = fontMetrics().size(Qt::TextSingleLine, text());
    const Qt::Alignment align = alignment();
    if (align & Qt::AlignVCenter) {
        rect.adjust(0, (rect.height() - textSize.height()) / 2, 0,
                    -((rect.height() - textSize.height()) / 2));
    } else {
        rect.setBottom(rect.top() + textSize.height() - 1);
    }
    if (align & Qt::AlignHCenter) {
        const int shrink = (rect.width() - textSize.width()) / 2;
        rect.adjust(shrink, 0, -shrink, 0);
    } else if (align & Qt::AlignRight) {
        rect.setLeft(rect.right() - textSize.width() + 1);
    } else {
        rect.setRight(rect.left() + textSize.width() - 1);
    }
    setGeometry(rect);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Click();
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkStatic::Click() {
    emit clicked();
    const int result = OpenLink(target_);
    visited_ = result > 32;
    Restyle();
    if (!visited_) {
        QApplication::beep();
        ShowLinkError(prompter_, result);
    }
}

void CLinkStatic::Restyle() {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, CurrentColour());
    setPalette(colours);
    QFont linkFont = font();
    linkFont.setUnderline(underline_);
    setFont(linkFont);
    update();
}

}  // namespace tsrn::about
