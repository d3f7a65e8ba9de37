#pragma once
// The report list itself: one row per folder, whole-row selection, the keys
// of the list (ENTER, Ins, Del, F5, Shift+F10), a double-click, the context
// menu 146 and dropped folders. Every input goes to the view's logic, which
// does nothing while the program is locked.

#include <QTreeView>
#include <memory>

class QMenu;

namespace tsrn::view {

class ViewLogic;

class FolderListWidget : public QTreeView {
    Q_OBJECT
  public:
    FolderListWidget(ViewLogic& logic, QWidget* parent = nullptr);

    // While locked no row can be selected and no input acts.
    void SetLocked(bool locked);
    // Marks the row of the logic's selected position (after a full refresh).
    void MarkSelectedRow();
    // The first selected row of the control, if any.
    std::optional<std::size_t> FirstSelectedRow() const;

    // Menu 146 as it would open now: without "&Control" when no row is
    // selected; items enabled by the view's rules.
    std::unique_ptr<QMenu> MakeContextMenu();
    // Opens the context menu at `point` (viewport coordinates).
    void OpenContextMenu(const QPoint& point);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    void UpdateSelection();

    ViewLogic& logic_;
    bool locked_ = false;
};

}  // namespace tsrn::view
