#include "view/gui/RowDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <string>

#include "view/ShortenText.h"
#include "view/gui/RowImages.h"

namespace tsrn::view {

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    const bool highlighted = option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(option.rect, highlighted ? palette.highlight() : palette.base());

    QRect cell = option.rect;
    int margin = kCellMargin;
    int inset = kCellInset;
    if (index.column() == 0) {
        const QImage image = index.data(Qt::DecorationRole).value<QImage>();
        if (cell.width() > 1 && !image.isNull()) {
            const QPoint corner(cell.left() + 2, cell.top() + (cell.height() - kRowImageSize) / 2);
            painter->drawImage(corner, image);
            if (highlighted) {
                // A quarter of the highlight over the image, as a selected icon looks.
                QColor blend = palette.highlight().color();
                blend.setAlpha(64);
                painter->fillRect(QRect(corner, QSize(kRowImageSize, kRowImageSize)), blend);
            }
        }
        cell.setLeft(cell.left() + kRowImageSize + 4);
        margin = kLabelMargin;
        inset = kLabelInset;
    }

    const QFontMetrics metrics(option.font);
    const std::string text = index.data(Qt::DisplayRole).toString().toStdString();
    const ShortenedText shown =
        ShortenText(text, cell.width(), margin, [&metrics](std::string_view piece) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())));
        });
    Qt::Alignment alignment = Qt::AlignLeft;
    if (!shown.shortened) {
        alignment =
            index.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
    }
    painter->setFont(option.font);
    painter->setPen(highlighted ? palette.highlightedText().color() : palette.text().color());
    painter->drawText(
        cell.adjusted(inset, 0, -inset, 0),
        static_cast<int>(alignment | Qt::AlignVCenter) | Qt::TextSingleLine | Qt::TextDontClip,
        QString::fromStdString(shown.text));
    painter->restore();
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), kRowImageSize + 2));
    return size;
}

}  // namespace tsrn::view
