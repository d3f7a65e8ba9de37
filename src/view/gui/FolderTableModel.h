#pragma once
// The rows of the folder list as a Qt table: five columns, headings 30000 +
// column, the row image in column 0, alignment per column. The texts live in
// the view's logic; the model only tells the widgets what changed.

#include <QAbstractTableModel>
#include <cstddef>
#include <vector>

#include "view/RowTexts.h"

namespace tsrn::view {

class FolderTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    FolderTableModel(const std::vector<RowTexts>& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Every row changed (a full refresh).
    void Rebuilt();
    // Only the open-file cells of these rows changed (the light refresh).
    void OpenFilesChanged(const std::vector<std::size_t>& rows);

    static Qt::Alignment ColumnAlignment(int column);

  private:
    const std::vector<RowTexts>& rows_;
};

}  // namespace tsrn::view
