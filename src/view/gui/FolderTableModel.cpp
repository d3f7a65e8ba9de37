#include "view/gui/FolderTableModel.h"

#include <QString>

#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "view/gui/RowImages.h"

namespace tsrn::view {

namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

const std::string& Cell(const RowTexts& row, int column) {
    switch (column) {
        case 0:
            return row.folder;
        case 1:
            return row.ciphering;
        case 2:
            return row.protection;
        case 3:
            return row.openFiles;
        default:
            return row.description;
    }
}
}  // namespace

FolderTableModel::FolderTableModel(const std::vector<RowTexts>& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {}

int FolderTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FolderTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

Qt::Alignment FolderTableModel::ColumnAlignment(int column) {
    const bool centred = column >= 1 && column <= 3;
    return (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

QVariant FolderTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows_.size())
        return {};
    const RowTexts& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return Q(Cell(row, index.column()));
        case Qt::ToolTipRole:
            if (row.note.empty())
                return Q(Cell(row, index.column()));
            return Q(Cell(row, index.column()) + "\n\n" + row.note);
        case Qt::DecorationRole:
            if (index.column() == 0)
                return RowImage(row.image);
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ColumnAlignment(index.column()));
        default:
            return {};
    }
}

QVariant FolderTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(text::Text(res::str::kColumnFolder + section));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(ColumnAlignment(section));
    return {};
}

void FolderTableModel::Rebuilt() {
    beginResetModel();
    endResetModel();
}

void FolderTableModel::OpenFilesChanged(const std::vector<std::size_t>& rows) {
    for (const std::size_t row : rows) {
        const QModelIndex cell = index(static_cast<int>(row), kOpenFilesColumn);
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
    }
}

}  // namespace tsrn::view
