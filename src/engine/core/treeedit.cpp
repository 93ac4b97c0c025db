// What the tree's context menu and label editing do to file items: removal from the lists,
// removal with deletion from disk, renaming on disk, and opening a file into the tree.
#include "engine/core/filedeletion.h"
#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/platform/dialogs.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Renames without ever replacing an existing file. 0, or the system's error number.
int renameNoReplace(const QString& from, const QString& to) {
    const QByteArray a = nativepath::encode(from), b = nativepath::encode(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the no-replace flag: a hard link refuses an existing target too.
    if (::link(a.constData(), b.constData()) != 0)
        return errno;
    return ::unlink(a.constData()) == 0 ? 0 : errno;
}

// True when both paths reach one existing file.
bool sameFile(const QString& a, const QString& b) {
    struct stat sa = {};
    struct stat sb = {};
    return ::stat(nativepath::encode(a).constData(), &sa) == 0 &&
           ::stat(nativepath::encode(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Renames `from` to `to` in the same folder, never replacing another file. A name that
// differs only in letter case goes through a name of passage beside it: a file system that
// ignores case finds the new name taken by the file itself, and one that keeps case has the
// rename refused at the second step when another file holds the name (the file then takes
// its old name back). 0, or the system's error number.
int renameInFolder(const QString& from, const QString& to) {
    if (from.compare(to, Qt::CaseInsensitive) != 0)
        return renameNoReplace(from, to);
    if (nativepath::exists(to) && !sameFile(from, to))
        return EEXIST;
    int error = EEXIST;
    QString passage;
    for (int attempt = 0; attempt < 8 && error == EEXIST; ++attempt) {
        passage = FolderOf(from) + QLatin1Char('.') + FileNameOf(from) +
                  QStringLiteral(".renaming-%1")
                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        error = renameNoReplace(from, passage);
    }
    if (error != 0)
        return error;
    if ((error = renameNoReplace(passage, to)) != 0)
        renameNoReplace(passage, from);
    return error;
}

} // namespace

SourceTree::MenuState SourceTree::contextMenuState() {
    draggedKind_ = NodeKind(draggedNode_);
    MenuState state;
    if (draggedKind_ == 0)
        return state;
    state.start = true;
    state.remove = isListedKind(text(draggedNode_));
    return state;
}

void SourceTree::RemoveFromList() {
    const NodeId pressed = draggedNode_;
    if (!isListedKind(text(pressed)))
        return;
    const std::optional<FileEntry> entry = fileEntryOf(pressed);
    removeNode(pressed);
    if (entry)
        removeEntry(*entry);
}

void SourceTree::RemoveAndDeleteFile() {
    const NodeId pressed = draggedNode_;
    if (!isListedKind(text(pressed)))
        return;
    const std::optional<FileEntry> entry = fileEntryOf(pressed);
    if (!entry) {
        removeNode(pressed); // stands for no file the program knows: nothing to delete
        return;
    }
    const QString path = entry->path;
    p_DestroyFile(path, this, [this, pressed, path](const std::optional<VortanError>& error) {
        if (error) {
            // The file is still there: so are its item and its entry.
            dialogs::msgBox(QCoreApplication::translate("SourceTree", "Can't delete \"%1\": %2")
                                .arg(path, error->description()),
                            dialogs::Buttons::Ok, dialogs::Icon::Critical);
            return;
        }
        // Other commands may have run since: the item is removed wherever it is now, and
        // nothing keeps naming the file that is gone.
        removeNode(pressed);
        forgetFile(path);
    });
}

void SourceTree::forgetFile(const QString& path) {
    // Every item that stands for the file goes (its full path or its name, whichever the
    // tree shows), and so does every entry naming it: Start must never find the file again.
    std::vector<NodeId> doomed = allWithText(path);
    for (const Node* node : order_)
        if (node->key.startsWith(QLatin1Char('p')) && filePathOf(node->id) == path)
            doomed.push_back(node->id);
    for (const NodeId node : doomed)
        removeNode(node);
    for (MirrorList* list : fileLists())
        while (list->removeOne(path)) {
        }
}

// The mutable list behind a FileEntry's list.
MirrorList* SourceTree::listFor(const MirrorList* list) {
    for (MirrorList* own : fileLists())
        if (own == list)
            return own;
    return nullptr;
}

// Removes the very entry `entry` found; when the list changed since, the first entry equal to
// its path in the same list.
void SourceTree::removeEntry(const FileEntry& entry) {
    MirrorList* list = listFor(entry.list);
    if (!list)
        return;
    if (list->at(entry.position) == entry.path)
        list->removeAt(entry.position);
    else
        list->removeOne(entry.path);
}

bool SourceTree::canEditLabel(NodeId node) const {
    return resolves(node) && isListedKind(text(node));
}

SourceTree::LabelEdit SourceTree::afterLabelEdit(NodeId id, const QString& newText) {
    if (!canEditLabel(id))
        return LabelEdit::Accepted; // no edit took place
    const QString current = text(id);
    // The name as the editor opened it (nothing typed) is no rename: a short label may show
    // an extension in another case than the file's.
    if (newText == FileNameOf(current))
        return LabelEdit::Accepted;
    // Back into editing: the user types another name, told why this one was refused.
    auto editAgain = [this, id](const QString& reason) {
        renameRefusal_ = reason;
        setSelectedNode(draggedNode_ ? draggedNode_ : id);
        setDropHighlight(selected_);
        return LabelEdit::EditAgain;
    };
    if (newText.trimmed().isEmpty())
        return editAgain(tr("Type a name for the file, or press Escape to keep "
                            "its name."));
    if (newText.contains(QLatin1Char('/')) || newText.contains(QChar(u'\0')))
        return editAgain(tr("A file name cannot contain \"/\"."));

    // The label must go on naming a file of the node's kind, the file it stands for: a name
    // of another kind ("a.wav" typed as "a.mp3") would carry a type the file does not have.
    const Group group = groupOf(parentOf(id));
    const bool wav = group == Group::Wav || group == Group::SelectedWav;
    const bool audio = group == Group::Audio || group == Group::SelectedAudio;
    if (audio) {
        // An audio file keeps its own extension: any other would name another format.
        const QString name = FileNameOf(current);
        const QString extension = name.mid(name.lastIndexOf(QLatin1Char('.')));
        if (!newText.endsWith(extension, Qt::CaseInsensitive) || newText.size() == extension.size())
            return editAgain(QCoreApplication::translate(
                                 "SourceTree", "The name of this file must end in \"%1\".")
                                 .arg(extension));
    } else if (wav ? !isWavPath(newText) : !isMp3Path(newText)) {
        return editAgain(wav ? QCoreApplication::translate(
                                   "SourceTree", "The name of a WAV file must end in \".wav\".")
                             : QCoreApplication::translate(
                                   "SourceTree", "The name of an MP3 file must end in \".mp3\"."));
    }
    const std::optional<FileEntry> entry = fileEntryOf(id);
    if (!entry)
        return editAgain(QCoreApplication::translate(
                             "SourceTree",
                             "Can't rename \"%1\": it is no longer listed. Refresh List (F5) "
                             "lists the destination folder again.")
                             .arg(FileNameOf(current)));

    const QString target = FolderOf(entry->path) + newText;
    if (target != entry->path) {
        if (const int error = renameInFolder(entry->path, target))
            return editAgain(
                QCoreApplication::translate("SourceTree", "Can't rename \"%1\" to \"%2\": %3")
                    .arg(FileNameOf(entry->path), newText,
                         QString::fromLocal8Bit(std::strerror(error))));
        // No list may go on naming the old path.
        for (MirrorList* list : fileLists())
            for (int i = 0; i < list->count(); ++i)
                if (list->at(i) == entry->path)
                    list->replace(i, target);
    }

    draggedNode_ = id;
    setSelectedNode(id);
    setDropHighlight(id);
    // Shown as before: in its folder when the label held the full path, else the name alone.
    setText(id, FolderOf(current) + newText);
    return LabelEdit::Accepted;
}

std::optional<VortanError> SourceTree::DeleteFileAndNode(const QString& path, bool settle,
                                                         filedeletion::Settled done) {
    auto forget = [this, path, done = std::move(done)](const std::optional<VortanError>& error) {
        if (!error)
            forgetFile(path);
        if (done)
            done(error);
    };
    if (settle)
        return p_DestroyFile(path, this, std::move(forget));
    std::optional<VortanError> error = filedeletion::destroyFile(path);
    forget(error);
    return error;
}

void SourceTree::fileRenamed(const QString& from, const QString& to) {
    if (from == to)
        return;
    auto itemsOf = [this](const QString& path) {
        std::vector<NodeId> items;
        for (const Node* node : order_)
            if (node->key.startsWith(QLatin1Char('p')) && filePathOf(node->id) == path)
                items.push_back(node->id);
        return items;
    };
    const std::vector<NodeId> renamed = itemsOf(from);
    const std::array<MirrorList*, 6> lists = fileLists();
    const bool listed = !renamed.empty() ||
                        std::any_of(lists.begin(), lists.end(), [&from](const MirrorList* list) {
                            return list->contains(from);
                        });
    if (!listed)
        return;
    // A file the rename replaced is gone: its items would name the renamed file twice.
    for (const NodeId node : itemsOf(to))
        removeNode(node);
    for (MirrorList* list : lists)
        while (list->removeOne(to)) {
        }

    bool relist = false;
    for (const NodeId node : renamed) {
        if (!fitsGroup(groupOf(parentOf(node)), to)) {
            removeNode(node);
            relist = true;
            continue;
        }
        setText(node, text(node) == from ? to : FileNameOf(to));
    }
    for (MirrorList* list : lists) {
        const Group kind = list == &List1 || list == &List5   ? Group::Wav
                           : list == &List2 || list == &List4 ? Group::Mp3
                                                              : Group::Audio;
        for (int i = list->indexOf(from); i >= 0; i = list->indexOf(from)) {
            if (fitsGroup(kind, to)) {
                list->replace(i, to);
            } else {
                list->removeAt(i);
                relist = true;
            }
        }
    }
    if (relist)
        addClosedFile(to);
}

void fileRenamed(const QString& from, const QString& to) {
    if (SourceTree* tree = SourceTree::instance())
        tree->fileRenamed(from, to);
}

void SourceTree::OpenFileIntoTree() {
    dialogs::FileRequest request;
    request.title = tr("Select WAV or MP3 file");
    request.folder = DecodePath;
    // Patterns in both cases: the file dialog matches them case-sensitively.
    QStringList audioPatterns;
    for (const QString& extension : audioExtensions)
        audioPatterns << QStringLiteral("*.") + extension
                      << QStringLiteral("*.") + extension.toUpper();
    const QString wavMp3 = QStringLiteral("*.wav *.mp3 *.WAV *.MP3");
    QStringList filters;
    if (!audioPatterns.isEmpty())
        filters << QCoreApplication::translate("SourceTree", "All supported") +
                       QStringLiteral(" (") + wavMp3 + QLatin1Char(' ') +
                       audioPatterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    filters << tr("WAV, MP3 (") + wavMp3 + QLatin1Char(')');
    if (!audioPatterns.isEmpty())
        filters << QCoreApplication::translate("SourceTree", "Audio Files") + QStringLiteral(" (") +
                       audioPatterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    request.filter = filters.join(QStringLiteral(";;"));
    const QStringList chosen = dialogs::handler().openFiles(request);
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return;
    Cmaddfile2(chosen.front());
}
