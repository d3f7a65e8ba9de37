#pragma once
// Draws one cell of the folder list: the whole row in the highlight colours
// when it is selected, the row image in column 0, and texts that do not fit
// cut with "..." (a cut text is always left-aligned).

#include <QStyledItemDelegate>

namespace tsrn::view {

class RowDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Margins and insets of column 0 and of the other columns.
    static constexpr int kLabelMargin = 4;
    static constexpr int kLabelInset = 2;
    static constexpr int kCellMargin = 12;
    static constexpr int kCellInset = 6;
};

}  // namespace tsrn::view
