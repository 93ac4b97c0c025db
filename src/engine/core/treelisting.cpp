// Building the tree: the disc's tracks and the destination's WAV, MP3 and audio files listed
// into their groups.
#include "engine/core/findfilesapi.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/formats/outputfile.h"
#include "engine/platform/nativepath.h"

#include <QDirIterator>
#include <QTimer>

#include <algorithm>

namespace {

// The captions of the root and the groups (SourceTree's fixed texts, English, by which code
// and tests name the groups), listed for lupdate: the tree shows them translated.
[[maybe_unused]] constexpr const char* fixedCaptions[] = {
    QT_TRANSLATE_NOOP("SourceTree", "CD Tracks, WAV, MP3 files"),
    QT_TRANSLATE_NOOP("SourceTree", "Selected Tracks"),
    QT_TRANSLATE_NOOP("SourceTree", "Available Tracks"),
    QT_TRANSLATE_NOOP("SourceTree", "Selected WAV Files"),
    QT_TRANSLATE_NOOP("SourceTree", "WAV Files"),
    QT_TRANSLATE_NOOP("SourceTree", "Selected MP3 Files"),
    QT_TRANSLATE_NOOP("SourceTree", "MP3 Files"),
    QT_TRANSLATE_NOOP("SourceTree", "Selected Audio Files"),
    QT_TRANSLATE_NOOP("SourceTree", "Audio Files")};

// The images of the tree's nodes, by level, and when selected.
constexpr int RootImage = 1, RootSelectedImage = 4;
constexpr int GroupImage = 2, GroupSelectedImage = 5;
constexpr int ItemImage = 3, ItemSelectedImage = 6;

// Every file under `folder` (subfolders included, hidden ones and links to folders not
// entered) that `wanted` takes, in path order.
QStringList filesUnder(const QString& folder, const std::function<bool(const QString&)>& wanted) {
    QStringList found;
    QDirIterator walk(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        if (wanted(path) && !outputfile::isTemporaryName(FileNameOf(path)))
            found << path;
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

void SourceTree::showfiles() {
    // Scan first; the old tree stays on show meanwhile.
    // No destination set: nothing to scan (never the whole file system from "/").
    QStringList wavFiles, mp3Files, otherFiles;
    if (!DecodePath.trimmed().isEmpty()) {
        // What a crashed or killed run left half-written there goes first (never what a
        // writer is still at work on: see outputfile::removeLeftovers).
        outputfile::removeLeftovers(DecodePath);
        wavFiles = findFiles(DecodePath, QStringLiteral("wav"));
        mp3Files = findFiles(DecodePath, QStringLiteral("mp3"));
        if (!audioExtensions.isEmpty())
            otherFiles = filesUnder(DecodePath,
                                    [this](const QString& path) { return isAudioFilePath(path); });
    }

    // Remove node 2 (the "Selected Tracks" group), then node 1 (the root with the rest).
    if (const NodeId second = nodeNumber(2))
        removeNode(second);
    if (const NodeId first = nodeNumber(1))
        removeNode(first);

    List1.clear();
    List2.clear();
    List4.clear();
    List5.clear();
    selectedAudioFiles.clear();
    List1.setItems(wavFiles);
    List2.setItems(mp3Files);
    audioFiles.setItems(otherFiles);

    emit showMainWindowRequested();

    // The nodes to make visible, in build order; announced once the model is complete.
    std::vector<NodeId> visible;
    beginResetModel();
    building_ = true;

    // A group shows its caption in the user's language (fixedCaptions).
    auto addGroup = [this](NodeId parent, const QString& key, const QString& text) -> NodeId {
        return parent ? addNode(parent, key, tr(text.toUtf8().constData()), GroupImage,
                                GroupSelectedImage)
                      : 0;
    };
    auto addItem = [this](NodeId parent, const QString& key, const QString& text) -> NodeId {
        return parent ? addNode(parent, key, text, ItemImage, ItemSelectedImage) : 0;
    };
    const bool fullPath = ShowFullPath != 0;
    auto addFile = [&](NodeId parent, const QString& path, QLatin1StringView extension) {
        const QString text = fullPath ? path : StemOf(path, extension) + extension;
        return addItem(parent, QStringLiteral("p ") + text, text);
    };
    auto show = [&visible](NodeId id) {
        if (id)
            visible.push_back(id);
    };

    const NodeId root = addNode(0, QStringLiteral("f Collection 1"),
                                tr(RootText.toUtf8().constData()), RootImage, RootSelectedImage);
    show(addGroup(root, QStringLiteral("g Selected Tracks"), SelectedTracksText));
    const NodeId available =
        addGroup(root, QStringLiteral("g Available Tracks"), AvailableTracksText);
    for (int i = 0; available && i < lstTracks.count(); ++i)
        addNode(available, QStringLiteral("p ") + lstTracks.at(i), lstTracks.at(i), ItemImage,
                ItemSelectedImage, lstTracks.trackAt(i));
    show(available);
    show(addGroup(root, QStringLiteral("g Selected WAV Files"), SelectedWavText));
    const NodeId wavGroup = addGroup(root, QStringLiteral("g WAV Files"), WavText);
    NodeId lastAdded = 0;
    for (qsizetype i = List1.count() - 1; i >= 0; --i)
        if (const NodeId added =
                addFile(wavGroup, List1.at(static_cast<int>(i)), QLatin1StringView(".wav")))
            lastAdded = added;
    show(lastAdded);
    addGroup(root, QStringLiteral("g Selected MP3 Files"), SelectedMp3Text);
    const NodeId mp3Group = addGroup(root, QStringLiteral("g Available MP3 Files"), Mp3Text);
    lastAdded = 0;
    for (qsizetype i = List2.count() - 1; i >= 0; --i)
        if (const NodeId added =
                addFile(mp3Group, List2.at(static_cast<int>(i)), QLatin1StringView(".mp3")))
            lastAdded = added;
    show(mp3Group);
    show(lastAdded);
    show(addGroup(root, QStringLiteral("g Selected Audio Files"), SelectedAudioText));
    const NodeId audioGroup = addGroup(root, QStringLiteral("g Audio Files"), AudioText);
    lastAdded = 0;
    // In list order: the list needs no reversing below.
    for (int i = 0; audioGroup && i < audioFiles.count(); ++i) {
        const QString text = fullPath ? audioFiles.at(i) : FileNameOf(audioFiles.at(i));
        if (const NodeId added = addItem(audioGroup, QStringLiteral("p ") + text, text))
            lastAdded = added;
    }
    show(audioGroup);
    show(lastAdded);

    building_ = false;
    endResetModel();

    // The lists were read from the last entry to the first: reverse them through the scratch
    // list so that position i is the i-th child of its group.
    for (MirrorList* list : {&List1, &List2}) {
        QStringList reversed;
        reversed.reserve(list->count());
        for (qsizetype i = list->count() - 1; i >= 0; --i)
            reversed.append(list->at(static_cast<int>(i)));
        List7.setItems(reversed);
        list->setItems(List7.items());
    }

    for (const NodeId id : visible)
        ensureVisible(find(id));
    // Making the last files visible scrolled down to them: the tree ends at its top, where the
    // groups are.
    if (!topLevel_.empty())
        ensureVisible(topLevel_.front());
}

void SourceTree::showSelectedTracks() {
    Node* group = find(groupNode(Group::SelectedTracks));
    if (!group)
        return;
    const NodeId groupId = group->id;
    while (!group->children.empty())
        removeNode(group->children.back()->id);
    for (int i = 0; i < lstRecord.count(); ++i)
        addNode(groupId, QStringLiteral("p ") + lstRecord.at(i), lstRecord.at(i), ItemImage,
                ItemSelectedImage, lstRecord.trackAt(i));
    if (Node* refreshed = find(groupId); refreshed && !refreshed->children.empty())
        ensureVisible(refreshed->children.front());
}

void SourceTree::Cmaddfile2(const QString& path, std::function<void()> then) {
    // Gives a file that has just been written time to be closed. The tree is the timer's
    // context: a tree destroyed meanwhile lists nothing and runs nothing.
    QTimer::singleShot(addFileDelay, this, [this, path, then = std::move(then)] {
        addClosedFile(path);
        if (then)
            then();
    });
}

void SourceTree::addClosedFile(const QString& path) {
    if (path.isEmpty())
        return;
    const QString name = FileNameOf(path);
    // A file still being written under its temporary name is never listed.
    if (outputfile::isTemporaryName(name) || !nativepath::isFile(path) ||
        nativepath::fileSize(path) <= 99)
        return;
    if (firstWithText(path) || firstWithText(name))
        return; // already listed

    MirrorList* list = nullptr;
    NodeId parent = 0;
    if (isWavPath(path)) {
        parent = groupNode(Group::Wav);
        list = &List1;
    } else if (isMp3Path(path)) {
        parent = groupNode(Group::Mp3);
        list = &List2;
    } else if (isAudioFilePath(path)) {
        parent = groupNode(Group::Audio);
        list = &audioFiles;
    }
    if (!parent)
        return;
    const QString text = ShowFullPath != 0 ? path : name;
    const NodeId added =
        addNode(parent, QStringLiteral("p name") + text, text, ItemImage, ItemSelectedImage);
    if (!added)
        return;
    ensureVisible(find(added));

    if (list->contains(path))
        return;
    list->prepend(path, List7);
}

void SourceTree::showfiles3(const QString& picked) {
    if (List1.contains(picked) || List2.contains(picked) || audioFiles.contains(picked))
        return;
    if (isWavPath(picked))
        List1.add(picked);
    else if (isMp3Path(picked))
        List2.add(picked);
    else if (isAudioFilePath(picked))
        audioFiles.add(picked);
    Cmaddfile2(picked);
}

// ---------------------------------------------------------------------------------------------
// Free procedures over the program's tree

void showfiles() {
    if (SourceTree* tree = SourceTree::instance())
        tree->showfiles();
}

void Cmaddfile2(const QString& path, std::function<void()> then) {
    if (SourceTree* tree = SourceTree::instance())
        tree->Cmaddfile2(path, std::move(then));
}

void showfiles3(const QString& picked) {
    if (SourceTree* tree = SourceTree::instance())
        tree->showfiles3(picked);
}
