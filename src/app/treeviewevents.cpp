#include "app/treeviewevents.h"

#include "app/form1.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

namespace {

// Pictures of the image numbers 1 to 12.
QVariant imagePicture(int image) {
    static const std::vector<QIcon> icons = [] {
        std::vector<QIcon> list;
        for (int n = 1; n <= 12; ++n)
            list.emplace_back(QStringLiteral(":/icons/im%1.png").arg(n, 2, 10, QLatin1Char('0')));
        return list;
    }();
    if (image < 1 || image > static_cast<int>(icons.size()))
        return {};
    return icons[static_cast<std::size_t>(image - 1)];
}

} // namespace

// ---- SourceTreeView -----------------------------------------------------------------------------

SourceTreeView::SourceTreeView(SourceTree& tree, QWidget* parent)
    : QTreeView(parent), tree_(tree) {}

bool SourceTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != QAbstractItemView::NoEditTriggers && !tree_.canEditLabel(tree_.nodeOf(index)))
        return false;
    return QTreeView::edit(index, trigger, event);
}

// ---- DropHighlightDelegate
// -----------------------------------------------------------------------

void DropHighlightDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    if (index.data(SourceTree::DropHighlightRole).toBool()) {
        QColor shade = option.palette.color(QPalette::Highlight);
        shade.setAlpha(70);
        painter->fillRect(option.rect, shade);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Highlight));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
    QStyledItemDelegate::paint(painter, option, index);
}

// ---- TreeViewEvents
// -------------------------------------------------------------------------------

TreeViewEvents::TreeViewEvents(Form1& form)
    : QObject(&form), form_(form), tree_(form.tree()), view_(*form.TreeView1) {
    setObjectName(QStringLiteral("TreeViewEvents"));
    tree_.imageProvider = imagePicture;
    view_.setModel(&tree_);
    view_.setItemDelegate(new DropHighlightDelegate(&view_));
    view_.setSelectionMode(QAbstractItemView::SingleSelection);
    view_.setEditTriggers(QAbstractItemView::EditKeyPressed);
    view_.viewport()->installEventFilter(this);

    // A click on the file item that was already selected starts label editing once the
    // double-click time has passed without a second click.
    editDelay_ = new QTimer(this);
    editDelay_->setSingleShot(true);
    editDelay_->setInterval(QApplication::doubleClickInterval());
    connect(editDelay_, &QTimer::timeout, this, [this] {
        if (editIndex_.isValid())
            view_.edit(editIndex_);
    });

    connect(&tree_, &SourceTree::selectedNodeChanged, this, &TreeViewEvents::showSelectedNode);
    connect(&tree_, &SourceTree::dropHighlightChanged, this,
            [this](SourceTree::NodeId) { view_.viewport()->update(); });
    connect(view_.selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!syncing_ && current.isValid())
                    tree_.setSelectedNode(tree_.nodeOf(current));
            });
    connect(&tree_, &SourceTree::makeVisible, this, [this](const QModelIndex& index) {
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            view_.expand(up);
        view_.scrollTo(index);
    });
    connect(&tree_, &SourceTree::showMainWindowRequested, &form_, &QWidget::show);
    // A refused rename: back into editing once the closing editor is gone.
    connect(
        &tree_, &SourceTree::labelEditRequested, this,
        [this](SourceTree::NodeId node) {
            const QModelIndex index = tree_.indexOf(node);
            if (index.isValid())
                view_.edit(index);
        },
        Qt::QueuedConnection);
}

SourceTree::NodeId TreeViewEvents::nodeAt(const QPoint& pos) const {
    return tree_.nodeOf(view_.indexAt(pos));
}

void TreeViewEvents::showSelectedNode(SourceTree::NodeId node) {
    const QModelIndex index = tree_.indexOf(node);
    syncing_ = true;
    if (index.isValid())
        view_.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        view_.selectionModel()->clearSelection();
    syncing_ = false;
    view_.viewport()->update();
}

bool TreeViewEvents::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_.viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return press(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        return move(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return release(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonDblClick:
        return doubleClick(static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

bool TreeViewEvents::press(QMouseEvent* event) {
    editDelay_->stop();
    const QPoint pos = event->position().toPoint();
    const SourceTree::NodeId node = nodeAt(pos);
    const bool right = event->buttons().testFlag(Qt::RightButton);
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
        pressPos_ = pos;
        pressedWasSelected_ = node != 0 && node == tree_.selectedNode();
    }

    switch (tree_.treePress(node, right)) {
    case SourceTree::Press::ShowPopup:
        openContextMenu(event->globalPosition().toPoint());
        return true;
    case SourceTree::Press::Handled:
        form_.Label3->setText(tree_.statusLine());
        break;
    case SourceTree::Press::NoNode:
        if (right) {
            // The menu opens on empty space too, with the node commands disabled.
            openContextMenu(event->globalPosition().toPoint());
        }
        // The view would clear its selection while the tree keeps its selected node.
        return true;
    }
    // The view still sees the press: it expands and collapses groups by their arrows.
    return false;
}

void TreeViewEvents::openContextMenu(const QPoint& globalPos) {
    if (!form_.mnupopup->isEnabled())
        return; // locked while a job runs
    const SourceTree::MenuState state = tree_.contextMenuState();
    form_.mnuStart2->setEnabled(state.start);
    form_.mnuFileRemove->setEnabled(state.remove);
    form_.mnuRemoveDelete->setEnabled(state.remove);
    form_.mnupopup->popup(globalPos);
}

bool TreeViewEvents::move(QMouseEvent* event) {
    if (event->buttons() != Qt::LeftButton || !leftPressed_)
        return false;
    const QPoint pos = event->position().toPoint();
    if (!dragging_ && (pos - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return true;
    if (tree_.treeMouseMove() && !dragging_) {
        dragging_ = true;
        editDelay_->stop();
        const QPixmap icon = QPixmap(QStringLiteral(":/icons/im03.png"))
                                 .scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        view_.viewport()->setCursor(QCursor(icon, 0, 0));
    }
    if (dragging_)
        tree_.treeDragOver(nodeAt(pos));
    // The view must not turn a held button into a change of selection.
    return true;
}

void TreeViewEvents::endDrag() {
    dragging_ = false;
    view_.viewport()->unsetCursor();
}

bool TreeViewEvents::release(QMouseEvent* event) {
    const bool wasDragging = dragging_;
    if (wasDragging) {
        tree_.treeDrop();
        endDrag();
    }
    const bool leftClick = event->button() == Qt::LeftButton && leftPressed_ && !wasDragging;
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;

    form_.Label3->setText(tree_.statusLine());
    if (const std::optional<int> track = tree_.treeRelease())
        form_.currentTrackNumber = *track;

    if (leftClick && pressedWasSelected_) {
        const QModelIndex index = view_.indexAt(event->position().toPoint());
        if (index.isValid() && tree_.nodeOf(index) == tree_.selectedNode() &&
            tree_.canEditLabel(tree_.nodeOf(index))) {
            editIndex_ = index;
            editDelay_->start();
        }
    }
    return wasDragging;
}

bool TreeViewEvents::doubleClick(QMouseEvent* event) {
    editDelay_->stop();
    if (event->button() != Qt::LeftButton)
        return true;
    leftPressed_ = true; // the second press of the pair
    pressPos_ = event->position().toPoint();
    pressedWasSelected_ = false;
    tree_.MoveSelectedNode();
    return true;
}
