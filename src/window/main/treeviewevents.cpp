#include "window/main/treeviewevents.h"

#include "window/main/form1.h"
#include "window/main/keys.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolTip>

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

SourceTreeView::SourceTreeView(SourceTree& tree, QWidget* parent) : QTreeView(parent), tree_(tree) {
    viewport()->setAcceptDrops(true);
}

void SourceTreeView::setAcceptsFiles(bool accepts) {
    acceptsFiles_ = accepts;
    viewport()->setAcceptDrops(accepts);
}

QStringList SourceTreeView::listableFiles(const QMimeData* data) const {
    QStringList paths;
    if (!acceptsFiles_ || !data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && tree_.isListedKind(url.toLocalFile()))
            paths << url.toLocalFile();
    return paths;
}

// The tree's own moves run on the mouse events (TreeViewEvents); drag and drop here is only
// for files from elsewhere.
void SourceTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (listableFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void SourceTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (listableFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void SourceTreeView::dropEvent(QDropEvent* event) {
    const QStringList paths = listableFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

SourceTreeView::~SourceTreeView() {
    emit destroying();
}

bool SourceTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != QAbstractItemView::NoEditTriggers && !tree_.canEditLabel(tree_.nodeOf(index)))
        return false;
    return QTreeView::edit(index, trigger, event);
}

void SourceTreeView::keyPressEvent(QKeyEvent* event) {
    if (state() == EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    if (keys::activates(*event)) {
        emit activateKeyPressed();
    } else if (keys::opensContextMenu(*event)) {
        emit contextMenuKeyPressed();
    } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deleteKeyPressed();
    } else {
        movingByKey_ = true;
        QTreeView::keyPressEvent(event);
        movingByKey_ = false;
        return;
    }
    event->accept();
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

QWidget* DropHighlightDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor)
        editor->setAccessibleName(tr("New name of the file"));
    return editor;
}

// ---- TreeViewEvents
// -------------------------------------------------------------------------------

TreeViewEvents::TreeViewEvents(Form1& form)
    : QObject(&form), form_(form), tree_(form.tree()), view_(*form.TreeView1),
      viewport_(view_.viewport()), treeAlive_(&tree_) {
    setObjectName(QStringLiteral("TreeViewEvents"));
    tree_.imageProvider = imagePicture;
    auto* own = qobject_cast<SourceTreeView*>(&view_);
    // In this order: the model's changes are noted before the view takes the model, and
    // followed once the view has taken them in.
    noteModelChanges();
    attachView();
    followModelChanges();
    stopWithTheView(own);
    setUpDelayedEditing();
    followSelection(own);
    followRequests(own);
}

// Connected before the view takes the model, so that this runs before the view's and the
// selection model's own handlers: in single selection the view moves its current row off a
// row about to be removed (to a neighbour or the parent). That row is no choice of the user
// and must not become the tree's selected node.
void TreeViewEvents::noteModelChanges() {
    auto changing = [this] { modelChanging_ = true; };
    connect(&tree_, &QAbstractItemModel::rowsAboutToBeRemoved, this, changing);
    connect(&tree_, &QAbstractItemModel::rowsAboutToBeMoved, this, changing);
    connect(&tree_, &QAbstractItemModel::modelAboutToBeReset, this, changing);
}

void TreeViewEvents::attachView() {
    view_.setModel(&tree_);
    view_.setItemDelegate(new DropHighlightDelegate(&view_));
    view_.setSelectionMode(QAbstractItemView::SingleSelection);
    view_.setEditTriggers(QAbstractItemView::EditKeyPressed);
    viewport_->installEventFilter(this);
    selection_ = view_.selectionModel();
}

// Connected after the view's handlers: once the view has taken the change in, it shows the
// tree's selected node again (a moved node in its new group, no row for a removed one).
void TreeViewEvents::followModelChanges() {
    auto changed = [this] {
        modelChanging_ = false;
        showSelectedNode(tree_.selectedNode());
        // A move or removal can change what Start does (a group emptied or filled).
        showStatusLine();
    };
    connect(&tree_, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&tree_, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&tree_, &QAbstractItemModel::modelReset, this, changed);
    connect(&tree_, &QAbstractItemModel::rowsInserted, this, [this] { showStatusLine(); });
}

void TreeViewEvents::stopWithTheView(SourceTreeView* own) {
    if (own)
        connect(own, &SourceTreeView::destroying, this, &TreeViewEvents::stopWatching);
    connect(&view_, &QObject::destroyed, this, &TreeViewEvents::stopWatching);
    connect(&tree_, &QObject::destroyed, this, &TreeViewEvents::stopWatching);
}

// A click on the file item that was already selected starts label editing once the
// double-click time has passed without a second click.
void TreeViewEvents::setUpDelayedEditing() {
    editDelay_ = new QTimer(this);
    editDelay_->setSingleShot(true);
    editDelay_->setInterval(QApplication::doubleClickInterval());
    connect(editDelay_, &QTimer::timeout, this, [this] {
        if (viewport_ && editIndex_.isValid())
            view_.edit(editIndex_);
    });
}

// The tree's selected node, the view's current row and the status line kept in step.
void TreeViewEvents::followSelection(SourceTreeView* own) {
    connect(&tree_, &SourceTree::selectedNodeChanged, this, [this](SourceTree::NodeId node) {
        showSelectedNode(node);
        showStatusLine();
    });
    // A rename of the selected node shows at once in the status line.
    connect(&tree_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
                    return;
                const QModelIndex selected = tree_.indexOf(tree_.selectedNode());
                if (selected.isValid() && selected.parent() == from.parent() &&
                    selected.row() >= from.row() && selected.row() <= to.row())
                    showStatusLine();
            });
    connect(&tree_, &SourceTree::dropHighlightChanged, this, [this](SourceTree::NodeId) {
        if (viewport_)
            viewport_->update();
    });
    // The user moved the current row (keys, or a press the view handled): that is the
    // selection. The keys choose a node as a click does.
    connect(selection_, &QItemSelectionModel::currentChanged, this,
            [this, own](const QModelIndex& current) {
                if (syncing_ || modelChanging_ || !treeAlive_ || !current.isValid())
                    return;
                if (own && own->movingByKey())
                    pressAndRelease(tree_.nodeOf(current));
                else
                    tree_.setSelectedNode(tree_.nodeOf(current));
            });
}

// What the keys and the tree ask of the view.
void TreeViewEvents::followRequests(SourceTreeView* own) {
    if (own) {
        connect(own, &SourceTreeView::activateKeyPressed, this, &TreeViewEvents::activateByKey);
        connect(own, &SourceTreeView::contextMenuKeyPressed, this,
                &TreeViewEvents::contextMenuByKey);
        connect(own, &SourceTreeView::deleteKeyPressed, this, &TreeViewEvents::removeByKey);
        // Dropped files enter the tree as an opened one does.
        connect(own, &SourceTreeView::filesDropped, this, [this](const QStringList& paths) {
            for (const QString& path : paths)
                tree_.Cmaddfile2(path);
        });
    }
    connect(&tree_, &SourceTree::makeVisible, this, [this](const QModelIndex& index) {
        if (!viewport_)
            return;
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            view_.expand(up);
        view_.scrollTo(index);
    });
    connect(&tree_, &SourceTree::showMainWindowRequested, &form_, &QWidget::show);
    // A refused rename: back into editing once the closing editor is gone, with the name
    // typed and the reason beneath it.
    connect(&tree_, &SourceTree::labelEditRequested, this, &TreeViewEvents::editAgain,
            Qt::QueuedConnection);
}

void TreeViewEvents::editAgain(SourceTree::NodeId node, const QString& typed,
                               const QString& reason) {
    const QModelIndex index = tree_.indexOf(node);
    if (!viewport_ || !index.isValid())
        return;
    view_.edit(index);
    auto* editor = qobject_cast<QLineEdit*>(view_.indexWidget(index));
    if (!editor)
        return;
    editor->setText(typed);
    editor->selectAll();
    editor->setToolTip(reason);
    editor->setAccessibleDescription(reason);
    QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())), reason, editor);
}

void TreeViewEvents::stopWatching() {
    if (viewport_)
        viewport_->removeEventFilter(this);
    viewport_ = nullptr;
    if (selection_)
        disconnect(selection_, nullptr, this, nullptr);
    selection_ = nullptr;
    treeAlive_ = nullptr;
    editDelay_->stop();
}

SourceTree::NodeId TreeViewEvents::nodeAt(const QPoint& pos) const {
    return tree_.nodeOf(view_.indexAt(pos));
}

void TreeViewEvents::showSelectedNode(SourceTree::NodeId node) {
    if (!viewport_ || !selection_)
        return;
    const QModelIndex index = tree_.indexOf(node);
    syncing_ = true;
    if (index.isValid()) {
        // A node moved into a collapsed group would be current but hidden: the view would
        // show no selection, and the arrow keys would start again from the top.
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            if (!view_.isExpanded(up))
                view_.expand(up);
        selection_->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        if (!dragging_)
            view_.scrollTo(index);
    } else {
        selection_->clear();
    }
    syncing_ = false;
    viewport_->update();
}

void TreeViewEvents::showStatusLine() {
    if (form_.isJobRunning() || form_.controlsLocked())
        return; // the job's captions
    form_.Label3->setText(tree_.statusLine());
}

bool TreeViewEvents::eventFilter(QObject* watched, QEvent* event) {
    if (!viewport_ || watched != viewport_.data() || !treeAlive_)
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
        showStatusLine();
        openContextMenu(event->globalPosition().toPoint());
        return true;
    case SourceTree::Press::Handled:
        showStatusLine();
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
    const QString text = tree_.text(tree_.selectedNode());
    form_.mnuVerify->setEnabled(text.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) &&
                                tree_.filePathOf(tree_.selectedNode()).has_value());
    // The disc's tracks and their groups.
    const auto isTrackGroup = [this](SourceTree::NodeId node) {
        const SourceTree::Group group = tree_.groupOf(node);
        return group == SourceTree::Group::AvailableTracks ||
               group == SourceTree::Group::SelectedTracks;
    };
    const SourceTree::NodeId selected = tree_.selectedNode();
    form_.mnuLookUp2->setEnabled(
        !form_.isLookingUp() && (isTrackGroup(selected) || isTrackGroup(tree_.parentOf(selected))));
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
        viewport_->setCursor(QCursor(icon, 0, 0));
    }
    if (dragging_)
        tree_.treeDragOver(nodeAt(pos));
    // The view must not turn a held button into a change of selection.
    return true;
}

void TreeViewEvents::endDrag() {
    dragging_ = false;
    if (viewport_)
        viewport_->unsetCursor();
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

    if (const std::optional<int> track = tree_.treeRelease())
        form_.currentTrackNumber = *track;
    showStatusLine();

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

void TreeViewEvents::pressAndRelease(SourceTree::NodeId node) {
    editDelay_->stop();
    if (tree_.treePress(node, false) == SourceTree::Press::NoNode)
        return;
    if (const std::optional<int> track = tree_.treeRelease())
        form_.currentTrackNumber = *track;
    showStatusLine();
}

void TreeViewEvents::activateByKey() {
    const SourceTree::NodeId node = tree_.selectedNode();
    if (!viewport_ || !node)
        return;
    pressAndRelease(node);
    tree_.MoveSelectedNode();
}

void TreeViewEvents::contextMenuByKey() {
    if (!viewport_)
        return;
    editDelay_->stop();
    const SourceTree::NodeId node = tree_.selectedNode();
    // The menu opens below the node's text, or at the top of the tree when none is selected
    // (then with the node commands disabled, as on empty space).
    QPoint at(0, 0);
    if (tree_.treePress(node, true) == SourceTree::Press::ShowPopup) {
        const QModelIndex index = tree_.indexOf(node);
        view_.scrollTo(index);
        const QRect row = view_.visualRect(index);
        at = QPoint(row.left() + view_.iconSize().width(), row.bottom());
    }
    showStatusLine();
    openContextMenu(viewport_->mapToGlobal(at));
}

void TreeViewEvents::removeByKey() {
    if (!viewport_ || !form_.mnupopup->isEnabled() || !form_.mnuFileRemove->isEnabled())
        return; // locked while a job runs
    tree_.setDraggedNode(tree_.selectedNode());
    if (tree_.contextMenuState().remove)
        form_.mnuFileRemove->trigger();
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
