// Moving items between the "available" and "selected" groups, and the mouse handling of the
// tree that leads to those moves.
#include "engine/core/sourcetree.h"

namespace {

// Removes every entry of `list` that, read as a pattern, fits `text`.
void removeMatching(MirrorList& list, const QString& text) {
    for (int i = list.count() - 1; i >= 0; --i)
        if (WildcardMatch(text, list.at(i)))
            list.removeAt(i);
}

void removeEqual(MirrorList& list, const QString& text) {
    while (list.removeOne(text)) {
    }
}

} // namespace

SourceTree::ItemClass SourceTree::classify(const Node* node) const {
    if (!node)
        return ItemClass::None;
    // An item is what its group holds, whatever its name looks like; a file shown as
    // "Track 1.wav" or "/music/A.WAV" is still a file of its group.
    if (node->parent && node->key.startsWith(QLatin1Char('p'))) {
        const QString& group = node->parent->text;
        if (group == AvailableTracksText || group == SelectedTracksText)
            return ItemClass::Track;
        if (group == WavText || group == SelectedWavText)
            return ItemClass::Wav;
        if (group == Mp3Text || group == SelectedMp3Text)
            return ItemClass::Mp3;
    }
    const QString& text = node->text;
    if (text.startsWith(QLatin1String("Track")))
        return ItemClass::Track;
    if (text.endsWith(QLatin1String("wav")))
        return ItemClass::Wav;
    if (text.endsWith(QLatin1String("mp3")))
        return ItemClass::Mp3;
    return ItemClass::None;
}

void SourceTree::listHalf(ItemClass cls, const QString& groupText, const QString& text) {
    switch (cls) {
    case ItemClass::Track:
        if (groupText == AvailableTracksText) {
            int found = -1;
            for (int i = 0; i < lstTracks.count() && found < 0; ++i)
                if (WildcardMatch(text, lstTracks.at(i)))
                    found = i;
            if (found < 0)
                return;
            const QString entry = lstTracks.at(found);
            lstTracks.removeAt(found);
            // First in lstRecord; an entry already there (a press on the track fills
            // lstRecord with it) is not listed twice.
            removeEqual(lstRecord, entry);
            lstRecord.prepend(entry, List7);
        } else if (groupText == SelectedTracksText) {
            for (int i = 0; i < lstRecord.count(); ++i)
                if (WildcardMatch(text, lstRecord.at(i))) {
                    lstTracks.add(lstRecord.at(i));
                    lstRecord.removeAt(i);
                    break;
                }
        }
        return;
    case ItemClass::Wav:
        if (groupText == WavText) {
            removeMatching(List1, text);
            removeMatching(List5, text);
            List5.prepend(text, List7, false);
        } else if (groupText == SelectedWavText) {
            removeEqual(List5, text);
            List1.prepend(text, List7, false);
        }
        return;
    case ItemClass::Mp3:
        if (groupText == Mp3Text) {
            removeMatching(List2, text);
            removeMatching(List4, text);
            List4.prepend(text, List7, true);
        } else if (groupText == SelectedMp3Text) {
            removeMatching(List2, text);
            removeMatching(List4, text);
            List2.prepend(text, List7, false);
        }
        return;
    case ItemClass::None:
        return;
    }
}

void SourceTree::rebuildAvailableTracks() {
    Node* group = firstWithText(AvailableTracksText);
    if (!group)
        return;
    const NodeId groupId = group->id;
    while (!group->children.empty())
        removeNode(group->children.back()->id);
    for (const QString& entry : lstTracks.items())
        addNode(groupId, QStringLiteral("p name") + entry, entry, 3, 6);
}

void SourceTree::treeHalf(NodeId id) {
    Node* node = find(id);
    if (!node)
        return;
    setSelectedNode(id);
    Node* group = node->parent;
    if (!group || NodeKind(id) == 2 || NodeKind(id) == 1)
        return; // groups and the root stay where they are
    const ItemClass cls = classify(node);

    if (cls == ItemClass::Track) {
        // The track groups are node numbers 2 and 3 of a built tree; looked up by text when
        // the tree was not built that way.
        auto trackGroup = [this](int number, const QString& text) -> NodeId {
            const NodeId byNumber = nodeNumber(number);
            return this->text(byNumber) == text ? byNumber : findByText(text);
        };
        if (group->text == AvailableTracksText) {
            setDropHighlight(trackGroup(2, SelectedTracksText));
            lastHovered_ = highlight_;
            setParentOf(id, highlight_);
            setDropHighlight(0);
        } else if (group->text == SelectedTracksText) {
            const QString trackText = node->text;
            const NodeId available = trackGroup(3, AvailableTracksText);
            setDropHighlight(available);
            lastHovered_ = highlight_;
            setParentOf(id, highlight_);
            setDropHighlight(0);
            rebuildAvailableTracks();
            // The rebuild replaced the moved node: its new node stays the selected one, so
            // that the next action is still this track and not whatever took its place.
            if (!selected_)
                for (const NodeId child : childrenOf(available))
                    if (text(child) == trackText) {
                        setSelectedNode(child);
                        break;
                    }
        }
        return;
    }

    NodeId destination = 0;
    const NodeId groupId = group->id;
    if (group->text == WavText)
        destination = previousSibling(groupId);
    else if (group->text == SelectedWavText)
        destination = nextSibling(groupId);
    else if (group->text == SelectedMp3Text)
        destination = nextSibling(groupId);
    else if (group->text == Mp3Text)
        destination = previousSibling(groupId);
    if (!destination)
        return;
    lastHovered_ = destination;
    setParentOf(id, destination);
}

void SourceTree::finishMove() {
    draggedNode_ = 0;
    draggedKind_ = 0;
}

void SourceTree::MoveSelectedNode() {
    const NodeId id = selected_;
    const Node* node = find(id);
    const QString text = node ? node->text : QString();
    if (text.isEmpty())
        return;
    draggedNode_ = id;
    const ItemClass cls = classify(node);
    const QString groupText = node->parent ? node->parent->text : QString();
    // A file item moves the file it stands for; one in neither list moves its text.
    const QString listText = filePathOf(id).value_or(text);
    listHalf(cls, groupText, listText);
    treeHalf(id);
    finishMove();
}

void SourceTree::MoveDraggedNode(const QString& text) {
    const NodeId id = draggedNode_;
    const Node* node = find(id);
    if (!node || text.isEmpty())
        return;
    const ItemClass cls = classify(node);
    const QString groupText = node->parent ? node->parent->text : QString();
    const QString listText = filePathOf(id).value_or(text);
    listHalf(cls, groupText, listText);
    treeHalf(id);
    finishMove();
}

// ---------------------------------------------------------------------------------------------
// Mouse handling

SourceTree::StartJob SourceTree::startJobFor(NodeId id) const {
    const Node* node = find(id);
    if (!node || !node->parent)
        return StartJob::None;
    const bool item = node->key.startsWith(QLatin1Char('p'));
    const bool group = node->key.startsWith(QLatin1Char('g'));
    // An item belongs to its group; a group is known by its text, which no item shares.
    const QString& groupText = item ? node->parent->text : node->text;
    if (!item && !group)
        return StartJob::None;
    if (group && node->parent->parent)
        return StartJob::None; // only the root's children are groups
    if (groupText == SelectedTracksText || groupText == AvailableTracksText)
        return StartJob::Extract;
    if (groupText == SelectedWavText || groupText == WavText)
        return StartJob::Encode;
    if (groupText == SelectedMp3Text || groupText == Mp3Text)
        return StartJob::Decode;
    return StartJob::None;
}

QString SourceTree::statusLine() const {
    const Node* node = find(selected_);
    const bool emptyGroup =
        node && node->key.startsWith(QLatin1Char('g')) && node->children.empty();
    if (startJobFor(selected_) == StartJob::None || emptyGroup)
        return QStringLiteral("Next Action: Make a selection");
    return QStringLiteral("Next Action:  ") + QStringLiteral("Process  ") + node->text;
}

SourceTree::Press SourceTree::treePress(NodeId id, bool rightButton) {
    draggedNode_ = resolves(id) ? id : 0;
    if (!draggedNode_)
        return Press::NoNode;
    setSelectedNode(id);
    if (rightButton)
        return Press::ShowPopup;
    setDropHighlight(id);

    const Node* node = find(id); // looked up again: the signals above ran other code
    if (!node)
        return Press::Handled;
    const QString text = node->text;
    const bool isTrack = NodeKind(id) == 3 ? classify(node) == ItemClass::Track
                                           : text.toLower().startsWith(QLatin1String("track"));
    if (isTrack) {
        lstRecord.clear();
        lstRecord.add(text);
    } else if (text == SelectedTracksText || text == AvailableTracksText) {
        lstRecord.clear();
        for (const Node* child : node->children)
            lstRecord.add(child->text);
    }
    return Press::Handled;
}

bool SourceTree::treeMouseMove() {
    draggedKind_ = NodeKind(draggedNode_);
    if (draggedKind_ != 3)
        return false; // nothing pressed, a group or the root: no drag
    setSelectedNode(draggedNode_);
    return true;
}

void SourceTree::treeDragOver(NodeId target) {
    if (!resolves(target))
        target = 0;
    if (target == lastHovered_)
        return;
    lastHovered_ = target;
    const int targetKind = NodeKind(target);
    if (!target || (targetKind != draggedKind_ && targetKind != draggedKind_ - 1)) {
        setDropHighlight(0);
        return;
    }
    const Node* dragged = find(draggedNode_);
    const QString draggedText = dragged ? dragged->text : QString();
    const QString targetText = text(target);
    bool fits = true;
    switch (dragged ? classify(dragged) : ItemClass::None) {
    case ItemClass::Track:
        fits = targetText == SelectedTracksText || targetText.startsWith(QLatin1String("Track"));
        break;
    case ItemClass::Wav:
        fits = targetText == SelectedWavText || targetText == WavText;
        break;
    case ItemClass::Mp3:
        fits = targetText == SelectedMp3Text || targetText == Mp3Text;
        break;
    case ItemClass::None:
        break;
    }
    if (!fits)
        return;
    setDropHighlight(target);
    MoveDraggedNode(draggedText);
}

void SourceTree::treeDrop() {
    if (highlight_) {
        // Only a group takes children; an item never becomes the parent of another.
        if (draggedNode_ && NodeKind(highlight_) == 2)
            setParentOf(draggedNode_, highlight_);
        setDropHighlight(0);
    }
    draggedNode_ = 0;
    draggedKind_ = 0;
}

std::optional<int> SourceTree::treeRelease() {
    if (highlight_)
        setSelectedNode(highlight_);
    const QString selectedText = text(selected_);
    if (!selectedText.toLower().startsWith(QLatin1String("track ")))
        return std::nullopt;
    // Characters 7 and 8.
    return static_cast<int>(LeadingNumber(selectedText.mid(6, 2)));
}
