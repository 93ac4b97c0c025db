// What the tree's context menu and label editing do to file items: removal from the lists,
// removal with deletion from disk, renaming on disk, and opening a file into the tree.
#include "app/filedeletion.h"
#include "app/settings.h"
#include "app/sourcetree.h"
#include "platform/dialogs.h"

#include <QFile>

#include <initializer_list>

#include <array>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString fileNameOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.mid(slash + 1) : path;
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash + 1) : QString();
}

// Whether the list entry `entry` is what a node showing `text` stands for: the same text,
// the same file name, or the file name as short-name mode shows it (extension lower-cased).
bool entryFor(const QString& entry, const QString& text) {
    if (entry == text)
        return true;
    const QString name = fileNameOf(entry);
    return name == text ||
           (name.size() >= 4 && name.left(name.size() - 4) + name.right(4).toLower() == text);
}

// The first entry, list by list, that a node showing `text` stands for.
struct ListEntry {
    MirrorList* list = nullptr;
    int index = -1;
};
ListEntry firstEntryFor(std::initializer_list<MirrorList*> lists, const QString& text) {
    for (MirrorList* list : lists)
        for (int i = 0; i < list->count(); ++i)
            if (entryFor(list->at(i), text))
                return {list, i};
    return {};
}

// ".wav", ".WAV", ".mp3" or ".MP3" exactly.
bool hasFileEnding(const QString& text) {
    const QString end = text.right(4);
    return end == QLatin1String(".wav") || end == QLatin1String(".WAV") ||
           end == QLatin1String(".mp3") || end == QLatin1String(".MP3");
}

// Renames without ever replacing an existing file.
bool renameNoReplace(const QString& from, const QString& to) {
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace flag: a hard link refuses an existing target too.
    if (::link(a.constData(), b.constData()) != 0)
        return false;
    return ::unlink(a.constData()) == 0;
}

} // namespace

SourceTree::MenuState SourceTree::contextMenuState() {
    draggedKind_ = NodeKind(draggedNode_);
    MenuState state;
    if (draggedKind_ == 0)
        return state;
    state.start = true;
    state.remove = hasFileEnding(text(draggedNode_));
    return state;
}

void SourceTree::RemoveFromList() {
    const QString pressed = text(draggedNode_);
    if (!hasFileEnding(pressed))
        return;
    removeShownFile(pressed);
    if (const ListEntry e = firstEntryFor({&List1, &List2, &List4, &List5}, pressed); e.list)
        e.list->removeAt(e.index);
}

void SourceTree::RemoveAndDeleteFile() {
    const QString pressed = text(draggedNode_);
    const QString lower = pressed.toLower();
    if (!lower.endsWith(QLatin1String(".wav")) && !lower.endsWith(QLatin1String(".mp3")))
        return;
    removeShownFile(pressed);
    const ListEntry e = firstEntryFor({&List1, &List2, &List4, &List5}, pressed);
    if (!e.list)
        return;
    const QString entry = e.list->at(e.index);
    (void)p_DestroyFile(entry); // errors ignored: the entry goes in any case
    // The deletion let events run: take out the entry wherever it is now.
    if (e.index < e.list->count() && e.list->at(e.index) == entry)
        e.list->removeAt(e.index);
    else
        e.list->removeOne(entry);
}

// Lets pending events run, then removes the node that shows `pressed`, if there still is one.
void SourceTree::removeShownFile(const QString& pressed) {
    yieldToEvents();
    if (const NodeId node = findByText(pressed))
        removeNode(node);
}

bool SourceTree::canEditLabel(NodeId node) const {
    return resolves(node) && hasFileEnding(text(node));
}

SourceTree::LabelEdit SourceTree::afterLabelEdit(NodeId id, const QString& newText) {
    if (!canEditLabel(id) || newText.isEmpty())
        return LabelEdit::Accepted; // no edit took place
    const QString current = text(id);

    if (newText.compare(current, Qt::CaseInsensitive) != 0) {
        const QString oldName = fileNameOf(current);
        const QString kind = newText.right(3).toLower();
        std::array<MirrorList*, 2> lists{};
        if (kind == QLatin1String("wav"))
            lists = {&List1, &List5};
        else if (kind == QLatin1String("mp3"))
            lists = {&List2, &List4};
        for (MirrorList* list : lists) {
            if (!list)
                break;
            // The exact name first; then the name ignoring case.
            int found = -1;
            for (int i = 0; i < list->count() && found < 0; ++i)
                if (fileNameOf(list->at(i)) == oldName)
                    found = i;
            for (int i = 0; i < list->count() && found < 0; ++i)
                if (fileNameOf(list->at(i)).compare(oldName, Qt::CaseInsensitive) == 0)
                    found = i;
            if (found < 0)
                continue;
            const QString entry = list->at(found);
            const QString target = folderOf(entry) + newText;
            if (!renameNoReplace(entry, target)) {
                // Back into editing: the user types another name.
                setSelectedNode(draggedNode_ ? draggedNode_ : id);
                setDropHighlight(selected_);
                return LabelEdit::EditAgain;
            }
            list->replace(found, target);
            break;
        }
    }

    if (hasFileEnding(newText)) {
        draggedNode_ = id;
        setSelectedNode(id);
        setDropHighlight(id);
    }
    setText(id, newText);
    return LabelEdit::Accepted;
}

std::optional<VortanError> SourceTree::DeleteFileAndNode(const QString& path) {
    if (auto error = p_DestroyFile(path))
        return error;
    for (const NodeId node : allWithText(path))
        removeNode(node);
    return std::nullopt;
}

void SourceTree::OpenFileIntoTree() {
    dialogs::FileRequest request;
    request.title = QStringLiteral("Select WAV or MP3 file");
    request.folder = DecodePath;
    request.filter = QStringLiteral("WAV, MP3 (*.wav *.mp3 *.WAV *.MP3)");
    const QStringList chosen = dialogs::handler().openFiles(request);
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return;
    Cmaddfile2(chosen.front());
}
