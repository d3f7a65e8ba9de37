#include "view/gui/FolderListWidget.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <string>
#include <vector>

#include "resources/MenuLayout.h"
#include "resources/ResourceIds.h"
#include "view/ViewLogic.h"

namespace tsrn::view {

namespace {
Key KeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
            return Key::Shift;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Key::Enter;
        case Qt::Key_Insert:
            return Key::Insert;
        case Qt::Key_Delete:
            return Key::Delete;
        case Qt::Key_F5:
            return Key::F5;
        case Qt::Key_F10:
            return Key::F10;
        default:
            return Key::Other;
    }
}

// Local files and folders only; anything else cannot be a folder to protect.
std::vector<std::string> DroppedPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            QString path = url.toLocalFile();
            if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
                path.chop(1);
            paths.push_back(path.toStdString());
        }
    }
    return paths;
}
}  // namespace

FolderListWidget::FolderListWidget(ViewLogic& logic, QWidget* parent)
    : QTreeView(parent), logic_(logic) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

void FolderListWidget::SetLocked(bool locked) {
    locked_ = locked;
    if (locked) {
        clearSelection();
        setSelectionMode(QAbstractItemView::NoSelection);
    } else {
        setSelectionMode(QAbstractItemView::SingleSelection);
        MarkSelectedRow();
    }
    UpdateSelection();
}

std::optional<std::size_t> FolderListWidget::FirstSelectedRow() const {
    if (!selectionModel())
        return std::nullopt;
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    int first = rows.front().row();
    for (const QModelIndex& index : rows)
        first = std::min(first, index.row());
    return static_cast<std::size_t>(first);
}

void FolderListWidget::MarkSelectedRow() {
    if (!model() || !selectionModel())
        return;
    const int position = logic_.SelectedPosition();
    if (position <= 0 || position > model()->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex index = model()->index(position - 1, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void FolderListWidget::UpdateSelection() {
    logic_.UpdateSelection(FirstSelectedRow());
}

void FolderListWidget::keyPressEvent(QKeyEvent* event) {
    if (locked_) {
        event->accept();
        return;
    }
    UpdateSelection();
    const Key key = KeyOf(event->key());
    if (key == Key::Other) {
        QTreeView::keyPressEvent(event);  // arrows, Home, End move the selection
        UpdateSelection();
        return;
    }
    if (key == Key::F10 && !event->modifiers().testFlag(Qt::ShiftModifier))
        logic_.ShiftUp();
    if (key == Key::F10 && event->modifiers().testFlag(Qt::ShiftModifier) && !logic_.ShiftDown())
        logic_.KeyDown(Key::Shift);
    if (logic_.KeyDown(key) == KeyAction::ContextMenu) {
        const QRect row = visualRect(model()->index(logic_.SelectedPosition() - 1, 0));
        OpenContextMenu(row.topLeft() + QPoint(10, 10));
    }
    event->accept();
}

void FolderListWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift)
        logic_.ShiftUp();
    if (locked_) {
        event->accept();
        return;
    }
    UpdateSelection();
    QTreeView::keyReleaseEvent(event);
}

void FolderListWidget::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    // A click below the last row leaves no row selected.
    if (!indexAt(event->position().toPoint()).isValid() && !locked_)
        clearSelection();
    UpdateSelection();
}

void FolderListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    UpdateSelection();
    logic_.DoubleClick();
}

void FolderListWidget::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (!logic_.ContextMenuAllowed())
        return;
    UpdateSelection();
    OpenContextMenu(viewport()->mapFrom(this, event->pos()));
}

std::unique_ptr<QMenu> FolderListWidget::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QString::number(res::menu::kContext));
    std::vector<QMenu*> open{menu.get()};
    bool skipping = false;
    int depth = 0;
    for (const res::MenuEntry& entry : res::Menu(res::menu::kContext)) {
        switch (entry.kind) {
            case res::MenuEntryKind::PopupBegin:
                ++depth;
                if (depth == 1)
                    break;  // the untitled popup is the menu itself
                if (!logic_.ContextMenuHasControl()) {
                    skipping = true;
                    break;
                }
                open.push_back(open.back()->addMenu(QString::fromUtf8(entry.text)));
                break;
            case res::MenuEntryKind::PopupEnd:
                --depth;
                if (skipping)
                    skipping = false;
                else if (depth >= 1 && open.size() > 1)
                    open.pop_back();
                break;
            case res::MenuEntryKind::Separator:
                if (!skipping)
                    open.back()->addSeparator();
                break;
            case res::MenuEntryKind::Item: {
                if (skipping)
                    break;
                const int id = entry.commandId;
                QAction* action = open.back()->addAction(QString::fromUtf8(entry.text));
                action->setObjectName(QString::number(id));
                action->setEnabled(logic_.CommandEnabled(id));
                connect(action, &QAction::triggered, this, [this, id] { logic_.RunCommand(id); });
                break;
            }
        }
    }
    return menu;
}

void FolderListWidget::OpenContextMenu(const QPoint& point) {
    if (!logic_.ContextMenuAllowed())
        return;
    const std::unique_ptr<QMenu> menu = MakeContextMenu();
    menu->exec(viewport()->mapToGlobal(point));
}

void FolderListWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (!locked_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FolderListWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (!locked_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FolderListWidget::dropEvent(QDropEvent* event) {
    if (locked_ || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    logic_.Drop(DroppedPaths(event->mimeData()));
}

void FolderListWidget::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    // The highlight reaches the right border even when the columns end earlier.
    if (selectionModel() && selectionModel()->isRowSelected(index.row(), index.parent())) {
        QRect row = option.rect;
        row.setRight(viewport()->width());
        painter->fillRect(row, option.palette.highlight());
    }
    QTreeView::drawRow(painter, option, index);
}

}  // namespace tsrn::view
