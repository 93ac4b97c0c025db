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
    if (!node || !node->parent || !node->key.startsWith(QLatin1Char('p')))
        return ItemClass::None;
    // An item is what its group holds, whatever its name looks like; a file shown as
    // "Track 1.wav" or "/music/A.WAV" is still a file of its group.
    switch (node->parent->group) {
    case Group::AvailableTracks:
    case Group::SelectedTracks:
        return ItemClass::Track;
    case Group::Wav:
    case Group::SelectedWav:
        return ItemClass::Wav;
    case Group::Mp3:
    case Group::SelectedMp3:
        return ItemClass::Mp3;
    case Group::Audio:
    case Group::SelectedAudio:
        return ItemClass::Audio;
    case Group::None:
        break;
    }
    return ItemClass::None;
}

void SourceTree::listHalf(ItemClass cls, Group group, const QString& text) {
    switch (cls) {
    case ItemClass::Track:
        if (group == Group::AvailableTracks) {
            int found = -1;
            for (int i = 0; i < lstTracks.count() && found < 0; ++i)
                if (WildcardMatch(text, lstTracks.at(i)))
                    found = i;
            if (found < 0)
                return;
            const QString entry = lstTracks.at(found);
            const int track = lstTracks.trackAt(found);
            lstTracks.removeAt(found);
            // First in lstRecord; an entry already there (a press on the track fills
            // lstRecord with it) is not listed twice.
            removeEqual(lstRecord, entry);
            lstRecord.prepend(entry, List7, false, track);
        } else if (group == Group::SelectedTracks) {
            for (int i = 0; i < lstRecord.count(); ++i)
                if (WildcardMatch(text, lstRecord.at(i))) {
                    lstTracks.add(lstRecord.at(i), lstRecord.trackAt(i));
                    lstRecord.removeAt(i);
                    break;
                }
        }
        return;
    case ItemClass::Wav:
        if (group == Group::Wav) {
            removeMatching(List1, text);
            removeMatching(List5, text);
            List5.prepend(text, List7, false);
        } else if (group == Group::SelectedWav) {
            removeEqual(List5, text);
            List1.prepend(text, List7, false);
        }
        return;
    case ItemClass::Mp3:
        if (group == Group::Mp3) {
            removeMatching(List2, text);
            removeMatching(List4, text);
            List4.prepend(text, List7, true);
        } else if (group == Group::SelectedMp3) {
            removeMatching(List2, text);
            removeMatching(List4, text);
            List2.prepend(text, List7, false);
        }
        return;
    case ItemClass::Audio:
        // `text` is the file's full path: entries are compared with it exactly, never as
        // patterns (a name holding "[" or "*" must not take other files along).
        if (group == Group::Audio || group == Group::SelectedAudio) {
            removeEqual(audioFiles, text);
            removeEqual(selectedAudioFiles, text);
            (group == Group::Audio ? selectedAudioFiles : audioFiles).prepend(text, List7, true);
        }
        return;
    case ItemClass::None:
        return;
    }
}

void SourceTree::rebuildAvailableTracks() {
    Node* group = find(groupNode(Group::AvailableTracks));
    if (!group)
        return;
    const NodeId groupId = group->id;
    while (!group->children.empty())
        removeNode(group->children.back()->id);
    for (int i = 0; i < lstTracks.count(); ++i)
        addNode(groupId, QStringLiteral("p name") + lstTracks.at(i), lstTracks.at(i), 3, 6,
                lstTracks.trackAt(i));
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
        if (group->group == Group::AvailableTracks) {
            setDropHighlight(groupNode(Group::SelectedTracks));
            lastHovered_ = highlight_;
            setParentOf(id, highlight_);
            setDropHighlight(0);
        } else if (group->group == Group::SelectedTracks) {
            const QString trackText = node->text;
            const int track = node->track;
            const NodeId available = groupNode(Group::AvailableTracks);
            setDropHighlight(available);
            lastHovered_ = highlight_;
            setParentOf(id, highlight_);
            setDropHighlight(0);
            rebuildAvailableTracks();
            // The rebuild replaced the moved node: its new node stays the selected one, so
            // that the next action is still this track and not whatever took its place.
            if (!selected_)
                for (const NodeId child : childrenOf(available))
                    if (text(child) == trackText && trackOf(child) == track) {
                        setSelectedNode(child);
                        break;
                    }
        }
        return;
    }

    NodeId destination = 0;
    const NodeId groupId = group->id;
    if (group->group == Group::Wav)
        destination = previousSibling(groupId);
    else if (group->group == Group::SelectedWav)
        destination = nextSibling(groupId);
    else if (group->group == Group::SelectedMp3)
        destination = nextSibling(groupId);
    else if (group->group == Group::Mp3)
        destination = previousSibling(groupId);
    else if (group->group == Group::Audio)
        destination = previousSibling(groupId);
    else if (group->group == Group::SelectedAudio)
        destination = nextSibling(groupId);
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
    const Group group = node->parent ? node->parent->group : Group::None;
    // A file item moves the file it stands for; one in neither list moves its text.
    const QString listText = filePathOf(id).value_or(text);
    listHalf(cls, group, listText);
    treeHalf(id);
    finishMove();
}

void SourceTree::MoveDraggedNode(const QString& text) {
    const NodeId id = draggedNode_;
    const Node* node = find(id);
    if (!node || text.isEmpty())
        return;
    const ItemClass cls = classify(node);
    const Group group = node->parent ? node->parent->group : Group::None;
    const QString listText = filePathOf(id).value_or(text);
    listHalf(cls, group, listText);
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
    // An item belongs to its group.
    switch (item ? node->parent->group : node->group) {
    case Group::SelectedTracks:
    case Group::AvailableTracks:
        return StartJob::Extract;
    case Group::SelectedWav:
    case Group::Wav:
        return StartJob::Encode;
    case Group::SelectedMp3:
    case Group::Mp3:
        return StartJob::Decode;
    case Group::SelectedAudio:
    case Group::Audio:
        return StartJob::Convert;
    case Group::None:
        break;
    }
    return StartJob::None;
}

QString SourceTree::statusLine() const {
    const Node* node = find(selected_);
    const bool emptyGroup =
        node && node->key.startsWith(QLatin1Char('g')) && node->children.empty();
    if (startJobFor(selected_) == StartJob::None || emptyGroup)
        return tr("Next Action: Make a selection");
    return tr("Next Action:  ") + tr("Process  ") + node->text;
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
    if (classify(node) == ItemClass::Track) {
        lstRecord.clear();
        lstRecord.add(node->text, node->track);
    } else if (node->group == Group::SelectedTracks || node->group == Group::AvailableTracks) {
        lstRecord.clear();
        for (const Node* child : node->children)
            lstRecord.add(child->text, child->track);
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
    const Group targetGroup = groupOf(target);
    bool fits = true;
    switch (dragged ? classify(dragged) : ItemClass::None) {
    case ItemClass::Track:
        fits = targetGroup == Group::SelectedTracks || classify(find(target)) == ItemClass::Track;
        break;
    case ItemClass::Wav:
        fits = targetGroup == Group::SelectedWav || targetGroup == Group::Wav;
        break;
    case ItemClass::Mp3:
        fits = targetGroup == Group::SelectedMp3 || targetGroup == Group::Mp3;
        break;
    case ItemClass::Audio:
        fits = targetGroup == Group::SelectedAudio || targetGroup == Group::Audio;
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
    const int track = trackOf(selected_);
    if (track == MirrorList::noTrack)
        return std::nullopt;
    return track;
}
