#pragma once

#include "engine/core/sourcetree.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>

class Form1;
class QMouseEvent;
class QTimer;

// TreeView1: a tree view over the source tree that refuses label editing before it starts
// on anything but a file item, and shows the drop-highlighted node.
class SourceTreeView : public QTreeView {
    Q_OBJECT
  public:
    SourceTreeView(SourceTree& tree, QWidget* parent);
    ~SourceTreeView() override;

    // True while the view moves its current row for a key the user pressed.
    bool movingByKey() const { return movingByKey_; }
    // Whether files dragged in from elsewhere (a file manager) are taken: WAV, MP3 and audio
    // files (SourceTree::isListedKind) on this computer. Off while a job runs, as File > Open
    // is.
    void setAcceptsFiles(bool accepts);

  signals:
    // The view is being destroyed: still whole, with its viewport, when this is emitted.
    void destroying();
    // Keys on the selected node (none while a label is edited): Return, Enter or Space, which
    // do what a double-click does; the Menu key or Shift+F10, which open the context menu;
    // Delete, which removes it from its list.
    void activateKeyPressed();
    void contextMenuKeyPressed();
    void deleteKeyPressed();
    // Files were dropped on the view: the local paths of those of a listed kind, in order.
    void filesDropped(const QStringList& paths);

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The local files of `data` the tree lists (none while files are not accepted).
    QStringList listableFiles(const QMimeData* data) const;

    SourceTree& tree_;
    bool movingByKey_ = false;
    bool acceptsFiles_ = true;
};

// Paints the drop-highlighted node like a selection, in a lighter shade.
class DropHighlightDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // The label editor, named for a screen reader.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

// The mouse handling of TreeView1: button press, mouse move (a drag of an item), drag over,
// drop and button release drive the source tree's operations; a double-click moves the
// selected item to its other group; a click on the already selected file item starts label
// editing. The keyboard does the same: moving to a node with the keys chooses it as a click
// does, Return, Enter or Space move it as a double-click does, the Menu key and Shift+F10
// open the context menu at it and Delete removes it from its list. Qt's own drag machinery is not
// used: the drag is tracked here while the left button is held, so it also works without a window
// system.
//
// Also keeps three things in step: the tree's selected node, the view's current row (shown,
// its group expanded) and the status line Label3, whichever way the selection changed
// (mouse, keyboard, a command) and when the selected node's text changes. The tree decides:
// a current row the view picks by itself while rows are removed or moved under it is not
// taken as a selection. While a job runs, Label3 shows the job's captions and is left alone.
//
// GUI thread only. Stops filtering and syncing as soon as the view or the tree starts to be
// destroyed (the window's teardown destroys the tree before the view).
class TreeViewEvents : public QObject {
    Q_OBJECT
  public:
    explicit TreeViewEvents(Form1& form);

    bool dragging() const { return dragging_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The constructor's steps, in its order.
    void noteModelChanges();
    void attachView();
    void followModelChanges();
    void stopWithTheView(SourceTreeView* own);
    void setUpDelayedEditing();
    void followSelection(SourceTreeView* own);
    void followRequests(SourceTreeView* own);

    bool press(QMouseEvent* event);
    bool move(QMouseEvent* event);
    bool release(QMouseEvent* event);
    bool doubleClick(QMouseEvent* event);
    // What a left press and release on `node` do (the keyboard's way of choosing a node).
    void pressAndRelease(SourceTree::NodeId node);
    void activateByKey();
    void contextMenuByKey();
    void removeByKey();
    void openContextMenu(const QPoint& globalPos);
    // Label editing of `node` again after a refused rename: the editor holds `typed` and says
    // `reason` (tool tip, shown at once, and its accessible description).
    void editAgain(SourceTree::NodeId node, const QString& typed, const QString& reason);
    SourceTree::NodeId nodeAt(const QPoint& pos) const;
    void showSelectedNode(SourceTree::NodeId node);
    void showStatusLine();
    void endDrag();
    void stopWatching();

    Form1& form_;
    SourceTree& tree_;
    QTreeView& view_;
    // Taken at construction: the viewport is compared, never asked of a view that may be
    // half destroyed. Null once the view or the tree is going.
    QPointer<QWidget> viewport_;
    QPointer<SourceTree> treeAlive_;
    QPointer<QItemSelectionModel> selection_;
    bool modelChanging_ = false; // rows are being removed or moved, or the model reset
    bool dragging_ = false;
    bool leftPressed_ = false;
    QPoint pressPos_;
    bool pressedWasSelected_ = false;
    bool syncing_ = false;
    QTimer* editDelay_ = nullptr;
    QPersistentModelIndex editIndex_;
};
