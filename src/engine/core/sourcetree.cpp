#include "engine/core/sourcetree.h"

#include "engine/core/paths.h"

#include <algorithm>
#include <array>

namespace {

SourceTree* currentTree = nullptr;

// The group a node with `key` is: the groups' keys are fixed when the tree is built.
SourceTree::Group groupOfKey(const QString& key) {
    using Group = SourceTree::Group;
    static const QHash<QString, Group> groups{
        {QStringLiteral("g Selected Tracks"), Group::SelectedTracks},
        {QStringLiteral("g Available Tracks"), Group::AvailableTracks},
        {QStringLiteral("g Selected WAV Files"), Group::SelectedWav},
        {QStringLiteral("g WAV Files"), Group::Wav},
        {QStringLiteral("g Selected MP3 Files"), Group::SelectedMp3},
        {QStringLiteral("g Available MP3 Files"), Group::Mp3},
        {QStringLiteral("g Selected Audio Files"), Group::SelectedAudio},
        {QStringLiteral("g Audio Files"), Group::Audio},
    };
    return groups.value(key, Group::None);
}

} // namespace

SourceTree::SourceTree(QObject* parent) : QAbstractItemModel(parent) {
    if (!currentTree)
        currentTree = this;
}

SourceTree::~SourceTree() {
    if (currentTree == this)
        currentTree = nullptr;
}

SourceTree* SourceTree::instance() {
    return currentTree;
}
void SourceTree::setInstance(SourceTree* tree) {
    currentTree = tree;
}

// ---------------------------------------------------------------------------------------------
// Node store

SourceTree::Node* SourceTree::find(NodeId id) const {
    if (id == 0)
        return nullptr;
    const auto it = nodes_.find(id);
    return it == nodes_.end() ? nullptr : it->second.get();
}

bool SourceTree::resolves(NodeId node) const {
    return find(node) != nullptr;
}

std::vector<SourceTree::Node*>& SourceTree::childList(Node* parent) {
    return parent ? parent->children : topLevel_;
}

void SourceTree::renumberChildren(std::vector<Node*>& children, std::size_t from) {
    for (std::size_t i = from; i < children.size(); ++i)
        children[i]->row = static_cast<int>(i);
}

void SourceTree::indexText(Node* node) {
    auto& list = byText_[node->text];
    const auto at = std::lower_bound(list.begin(), list.end(), node,
                                     [](const Node* a, const Node* b) { return a->id < b->id; });
    list.insert(at, node);
}

void SourceTree::unindexText(Node* node) {
    const auto it = byText_.find(node->text);
    if (it == byText_.end())
        return;
    auto& list = it.value();
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
    if (list.empty())
        byText_.erase(it);
}

SourceTree::Node* SourceTree::firstWithText(const QString& text) const {
    const auto it = byText_.constFind(text);
    if (it == byText_.constEnd() || it->empty())
        return nullptr;
    return it->front();
}

QModelIndex SourceTree::indexOfNode(const Node* node) const {
    if (!node)
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

void SourceTree::collectSubtree(Node* node, std::vector<Node*>& out) const {
    out.push_back(node);
    for (Node* child : node->children)
        collectSubtree(child, out);
}

SourceTree::NodeId SourceTree::addNode(NodeId parentId, const QString& key, const QString& text,
                                       int image, int selectedImage, int track) {
    Node* parent = nullptr;
    if (parentId != 0) {
        parent = find(parentId);
        if (!parent)
            return 0;
    }
    if (byKey_.contains(key))
        return 0;
    auto owned = std::make_unique<Node>();
    Node* node = owned.get();
    node->id = nextId_++;
    node->key = key;
    node->text = text;
    node->image = image;
    node->selectedImage = selectedImage;
    node->parent = parent;
    node->group = groupOfKey(key);
    node->track = track;
    auto& siblings = childList(parent);
    node->row = static_cast<int>(siblings.size());
    if (!building_)
        beginInsertRows(indexOfNode(parent), node->row, node->row);
    siblings.push_back(node);
    order_.push_back(node);
    byKey_.insert(key, node);
    indexText(node);
    nodes_.emplace(node->id, std::move(owned));
    if (!building_)
        endInsertRows();
    return node->id;
}

bool SourceTree::removeNode(NodeId id) {
    Node* node = find(id);
    if (!node)
        return false;
    std::vector<Node*> doomed;
    collectSubtree(node, doomed);
    auto& siblings = childList(node->parent);
    const int row = node->row;
    if (!building_)
        beginRemoveRows(indexOfNode(node->parent), row, row);
    siblings.erase(siblings.begin() + row);
    renumberChildren(siblings, static_cast<std::size_t>(row));
    bool selectionGone = false, highlightGone = false;
    for (Node* n : doomed) {
        n->removed = true;
        byKey_.remove(n->key);
        unindexText(n);
        if (n->id == selected_) {
            selected_ = 0;
            selectionGone = true;
        }
        if (n->id == highlight_) {
            highlight_ = 0;
            highlightGone = true;
        }
        if (n->id == draggedNode_)
            draggedNode_ = 0;
        if (n->id == lastHovered_)
            lastHovered_ = 0;
    }
    std::erase_if(order_, [](const Node* n) { return n->removed; });
    for (Node* n : doomed)
        nodes_.erase(n->id);
    if (!building_)
        endRemoveRows();
    if (selectionGone)
        emit selectedNodeChanged(0);
    if (highlightGone)
        emit dropHighlightChanged(0);
    return true;
}

bool SourceTree::setParentOf(NodeId id, NodeId newParentId) {
    Node* node = find(id);
    Node* target = find(newParentId);
    if (!node || !target)
        return false;
    for (Node* up = target; up; up = up->parent)
        if (up == node)
            return false;
    auto& from = childList(node->parent);
    const int row = node->row;
    if (node->parent == target && row + 1 == static_cast<int>(from.size()))
        return true; // already the last child
    const int destRow = static_cast<int>(target->children.size());
    if (!building_)
        beginMoveRows(indexOfNode(node->parent), row, row, indexOfNode(target), destRow);
    from.erase(from.begin() + row);
    renumberChildren(from, static_cast<std::size_t>(row));
    node->parent = target;
    node->row = static_cast<int>(target->children.size());
    target->children.push_back(node);
    if (!building_)
        endMoveRows();
    return true;
}

bool SourceTree::setText(NodeId id, const QString& text) {
    Node* node = find(id);
    if (!node)
        return false;
    if (node->text == text)
        return true;
    unindexText(node);
    node->text = text;
    indexText(node);
    if (!building_) {
        const QModelIndex at = indexOfNode(node);
        emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    }
    return true;
}

void SourceTree::clearNodes() {
    beginResetModel();
    nodes_.clear();
    order_.clear();
    topLevel_.clear();
    byKey_.clear();
    byText_.clear();
    const bool hadSelection = selected_ != 0, hadHighlight = highlight_ != 0;
    selected_ = highlight_ = draggedNode_ = lastHovered_ = 0;
    endResetModel();
    if (hadSelection)
        emit selectedNodeChanged(0);
    if (hadHighlight)
        emit dropHighlightChanged(0);
}

SourceTree::NodeId SourceTree::nodeNumber(int number) const {
    if (number < 1 || number > nodeCount())
        return 0;
    return order_[static_cast<std::size_t>(number - 1)]->id;
}

int SourceTree::numberOf(NodeId id) const {
    const auto at = std::lower_bound(order_.begin(), order_.end(), id,
                                     [](const Node* n, NodeId value) { return n->id < value; });
    if (at == order_.end() || (*at)->id != id)
        return 0;
    return static_cast<int>(at - order_.begin()) + 1;
}

std::optional<SourceTree::NodeInfo> SourceTree::info(NodeId id) const {
    const Node* node = find(id);
    if (!node)
        return std::nullopt;
    return NodeInfo{node->id,    node->key,           node->text,
                    node->image, node->selectedImage, node->parent ? node->parent->id : 0};
}

QString SourceTree::text(NodeId id) const {
    const Node* node = find(id);
    return node ? node->text : QString();
}

QString SourceTree::key(NodeId id) const {
    const Node* node = find(id);
    return node ? node->key : QString();
}

SourceTree::NodeId SourceTree::parentOf(NodeId id) const {
    const Node* node = find(id);
    return node && node->parent ? node->parent->id : 0;
}

std::vector<SourceTree::NodeId> SourceTree::childrenOf(NodeId id) const {
    std::vector<NodeId> out;
    const std::vector<Node*>* list = &topLevel_;
    if (id != 0) {
        const Node* node = find(id);
        if (!node)
            return out;
        list = &node->children;
    }
    out.reserve(list->size());
    for (const Node* child : *list)
        out.push_back(child->id);
    return out;
}

int SourceTree::childCount(NodeId id) const {
    const Node* node = find(id);
    return node ? static_cast<int>(node->children.size()) : 0;
}

SourceTree::NodeId SourceTree::firstChild(NodeId id) const {
    const Node* node = find(id);
    return node && !node->children.empty() ? node->children.front()->id : 0;
}

SourceTree::NodeId SourceTree::nextSibling(NodeId id) const {
    const Node* node = find(id);
    if (!node)
        return 0;
    const auto& siblings = node->parent ? node->parent->children : topLevel_;
    const auto next = static_cast<std::size_t>(node->row) + 1;
    return next < siblings.size() ? siblings[next]->id : 0;
}

SourceTree::NodeId SourceTree::previousSibling(NodeId id) const {
    const Node* node = find(id);
    if (!node || node->row == 0)
        return 0;
    const auto& siblings = node->parent ? node->parent->children : topLevel_;
    return siblings[static_cast<std::size_t>(node->row) - 1]->id;
}

SourceTree::NodeId SourceTree::findByText(const QString& text) const {
    const Node* node = firstWithText(text);
    return node ? node->id : 0;
}

SourceTree::NodeId SourceTree::findByKey(const QString& key) const {
    const Node* node = byKey_.value(key, nullptr);
    return node ? node->id : 0;
}

std::vector<SourceTree::NodeId> SourceTree::allWithText(const QString& text) const {
    std::vector<NodeId> out;
    const auto it = byText_.constFind(text);
    if (it != byText_.constEnd())
        for (const Node* node : *it)
            out.push_back(node->id);
    return out;
}

void SourceTree::setSelectedNode(NodeId id) {
    if (!resolves(id))
        id = 0;
    if (id == selected_)
        return;
    const NodeId old = selected_;
    selected_ = id;
    for (NodeId changed : {old, id})
        if (const Node* node = find(changed)) {
            const QModelIndex at = indexOfNode(node);
            emit dataChanged(at, at, {Qt::DecorationRole});
        }
    emit selectedNodeChanged(id);
}

void SourceTree::setDropHighlight(NodeId id) {
    if (!resolves(id))
        id = 0;
    if (id == highlight_)
        return;
    const NodeId old = highlight_;
    highlight_ = id;
    for (NodeId changed : {old, id})
        if (const Node* node = find(changed)) {
            const QModelIndex at = indexOfNode(node);
            emit dataChanged(at, at, {DropHighlightRole});
        }
    emit dropHighlightChanged(id);
}

std::int16_t SourceTree::NodeKind(NodeId id) const {
    const Node* node = find(id);
    if (!node || node->key.isEmpty())
        return 0;
    const QChar first = node->key.front();
    if (first == QLatin1Char('f'))
        return 1;
    if (first == QLatin1Char('g'))
        return 2;
    if (first == QLatin1Char('p'))
        return 3;
    return 0;
}

SourceTree::Group SourceTree::groupOf(NodeId id) const {
    const Node* node = find(id);
    return node ? node->group : Group::None;
}

SourceTree::NodeId SourceTree::groupNode(Group group) const {
    if (group == Group::None)
        return 0;
    for (const Node* node : order_)
        if (node->group == group)
            return node->id;
    return 0;
}

int SourceTree::trackOf(NodeId id) const {
    const Node* node = find(id);
    return node && classify(node) == ItemClass::Track ? node->track : MirrorList::noTrack;
}

std::optional<SourceTree::FileEntry> SourceTree::fileEntryOf(NodeId id) const {
    const Node* node = find(id);
    if (!node || !node->parent || !node->key.startsWith(QLatin1Char('p')))
        return std::nullopt;
    std::array<const MirrorList*, 2> lists{};
    switch (node->parent->group) {
    case Group::Wav:
        lists = {&List1, &List5};
        break;
    case Group::SelectedWav:
        lists = {&List5, &List1};
        break;
    case Group::Mp3:
        lists = {&List2, &List4};
        break;
    case Group::SelectedMp3:
        lists = {&List4, &List2};
        break;
    case Group::Audio:
        lists = {&audioFiles, &selectedAudioFiles};
        break;
    case Group::SelectedAudio:
        lists = {&selectedAudioFiles, &audioFiles};
        break;
    default:
        return std::nullopt;
    }

    const QString& text = node->text;
    auto shortShown = [](const QString& name) {
        return name.size() < 4 ? name : name.left(name.size() - 4) + name.right(4).toLower();
    };
    for (const MirrorList* list : lists) {
        const auto first = [&](auto&& fits) -> int {
            for (int i = 0; i < list->count(); ++i)
                if (fits(list->at(i)))
                    return i;
            return -1;
        };
        int at = first([&](const QString& entry) { return entry == text; });
        if (at < 0)
            at = first([&](const QString& entry) { return FileNameOf(entry) == text; });
        if (at < 0)
            at = first([&](const QString& entry) { return shortShown(FileNameOf(entry)) == text; });
        if (at >= 0)
            return FileEntry{list, at, list->at(at)};
    }
    return std::nullopt;
}

bool SourceTree::isAudioFilePath(const QString& path) const {
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && audioExtensions.contains(name.mid(dot + 1).toLower());
}

bool SourceTree::isListedKind(const QString& path) const {
    return isWavPath(path) || isMp3Path(path) || isAudioFilePath(path);
}

std::array<MirrorList*, 6> SourceTree::fileLists() {
    return {&List1, &List5, &List2, &List4, &audioFiles, &selectedAudioFiles};
}

bool SourceTree::fitsGroup(Group group, const QString& path) const {
    switch (group) {
    case Group::Wav:
    case Group::SelectedWav:
        return isWavPath(path);
    case Group::Mp3:
    case Group::SelectedMp3:
        return isMp3Path(path);
    case Group::Audio:
    case Group::SelectedAudio:
        return isAudioFilePath(path);
    default:
        return false;
    }
}

std::optional<QString> SourceTree::filePathOf(NodeId node) const {
    if (auto entry = fileEntryOf(node))
        return std::move(entry->path);
    return std::nullopt;
}

void SourceTree::ensureVisible(const Node* node) {
    if (!node || building_)
        return;
    emit makeVisible(indexOfNode(node));
}

// ---------------------------------------------------------------------------------------------
// Model interface

QModelIndex SourceTree::indexOf(NodeId id) const {
    return indexOfNode(find(id));
}

SourceTree::NodeId SourceTree::nodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return 0;
    return static_cast<const Node*>(index.internalPointer())->id;
}

QModelIndex SourceTree::index(int row, int column, const QModelIndex& parentIndex) const {
    if (column != 0 || row < 0)
        return {};
    const std::vector<Node*>* list = &topLevel_;
    if (parentIndex.isValid())
        list = &static_cast<const Node*>(parentIndex.internalPointer())->children;
    if (static_cast<std::size_t>(row) >= list->size())
        return {};
    return createIndex(row, 0, (*list)[static_cast<std::size_t>(row)]);
}

QModelIndex SourceTree::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return indexOfNode(static_cast<const Node*>(child.internalPointer())->parent);
}

int SourceTree::rowCount(const QModelIndex& parentIndex) const {
    if (parentIndex.column() > 0)
        return 0;
    if (!parentIndex.isValid())
        return static_cast<int>(topLevel_.size());
    return static_cast<int>(
        static_cast<const Node*>(parentIndex.internalPointer())->children.size());
}

int SourceTree::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant SourceTree::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Node* node = static_cast<const Node*>(index.internalPointer());
    switch (role) {
    case Qt::DisplayRole:
        return node->text;
    case Qt::EditRole:
        return canEditLabel(node->id) ? FileNameOf(node->text) : node->text;
    case Qt::DecorationRole:
        if (!imageProvider)
            return {};
        return imageProvider(node->id == selected_ ? node->selectedImage : node->image);
    case Qt::ToolTipRole: {
        const QString tip = toolTipProvider ? toolTipProvider(node->id) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case KeyRole:
        return node->key;
    case ImageRole:
        return node->image;
    case SelectedImageRole:
        return node->selectedImage;
    case NodeIdRole:
        return QVariant::fromValue<qulonglong>(node->id);
    case DropHighlightRole:
        return node->id == highlight_;
    default:
        return {};
    }
}

bool SourceTree::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid())
        return false;
    const NodeId id = nodeOf(index);
    const QString typed = value.toString();
    if (afterLabelEdit(id, typed) == LabelEdit::EditAgain)
        emit labelEditRequested(selected_, typed, renameRefusal_);
    return true;
}

Qt::ItemFlags SourceTree::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (canEditLabel(nodeOf(index)))
        f |= Qt::ItemIsEditable;
    return f;
}

QHash<int, QByteArray> SourceTree::roleNames() const {
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(KeyRole, "key");
    names.insert(ImageRole, "image");
    names.insert(SelectedImageRole, "selectedImage");
    names.insert(NodeIdRole, "nodeId");
    names.insert(DropHighlightRole, "dropHighlight");
    return names;
}

std::int16_t NodeKind(SourceTree::NodeId node) {
    SourceTree* tree = SourceTree::instance();
    return tree ? tree->NodeKind(node) : 0;
}

long long LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    long long number = 0;
    for (; i < text.size() && text[i].isDigit() && number < (1LL << 56); ++i)
        number = number * 10 + text[i].digitValue();
    return number;
}
