#include "treetestsupport.h"

#include "engine/formats/clsfileio.h"
#include "fixtures.h"
#include "scripteddialogs.h"

#include "engine/core/paths.h"

#include <QDir>
#include <QSignalSpy>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using LabelEdit = SourceTree::LabelEdit;

TEST_F(TreeTest, ContextMenuStateFollowsThePressedNode) {
    const QString odd = makeFile(QStringLiteral("odd.Wav"));
    const QString a = makeFile(QStringLiteral("a.WAV"));
    tree.showfiles();
    tree.treePress(0, true);
    auto state = tree.contextMenuState();
    EXPECT_FALSE(state.start);
    EXPECT_FALSE(state.remove);
    tree.treePress(group(SourceTree::WavText), true);
    state = tree.contextMenuState();
    EXPECT_TRUE(state.start);
    EXPECT_FALSE(state.remove);
    EXPECT_EQ(tree.draggedKind(), 2);
    // One extension rule, any case.
    tree.treePress(tree.findByText(odd), true);
    EXPECT_TRUE(tree.contextMenuState().remove);
    tree.treePress(tree.findByText(a), true);
    EXPECT_TRUE(tree.contextMenuState().remove);
}

TEST_F(TreeTest, RemoveFromListLeavesTheFileOnDisk) {
    ShowFullPath = 0;
    const QString a = makeFile(QStringLiteral("a.wav"));
    const QString b = makeFile(QStringLiteral("b.wav"));
    tree.showfiles();
    tree.treePress(tree.findByText(QStringLiteral("a.wav")), true);
    tree.RemoveFromList();
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{QStringLiteral("b.wav")});
    EXPECT_EQ(items(tree.List1), QStringList{b});
    EXPECT_TRUE(QFileInfo::exists(a));
    // Groups are never removed.
    tree.treePress(group(SourceTree::WavText), true);
    tree.RemoveFromList();
    EXPECT_NE(group(SourceTree::WavText), 0u);
}

TEST_F(TreeTest, RemoveAndDeleteTakesNodeEntryAndFile) {
    const QString x = makeFile(QStringLiteral("x.mp3"));
    const QString y = makeFile(QStringLiteral("y.mp3"));
    tree.showfiles();
    doubleClick(x);
    ASSERT_EQ(items(tree.List4), QStringList{x});
    tree.treePress(tree.findByText(x), true);
    tree.RemoveAndDeleteFile();
    settle();
    EXPECT_EQ(tree.findByText(x), 0u);
    EXPECT_TRUE(tree.List4.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(x));
    EXPECT_TRUE(QFileInfo::exists(y));
    EXPECT_EQ(items(tree.List2), QStringList{y});
}

TEST_F(TreeTest, RemoveAndDeleteThatFailsKeepsItemAndEntryAndSaysWhy) {
    const QString readOnly = makeFile(QStringLiteral("ro.wav"));
    const QString locked = makeFile(QStringLiteral("locked.mp3"));
    tree.showfiles();
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const int holder = ::open(QFile::encodeName(locked).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

    auto& script = testsupport::scriptedDialogs();
    for (const auto& [path, reason] :
         {std::pair{readOnly, EACCES}, std::pair{locked, EWOULDBLOCK}}) {
        SCOPED_TRACE(path.toStdString());
        script.clear();
        tree.treePress(tree.findByText(path), true);
        tree.RemoveAndDeleteFile();
        settle();
        EXPECT_TRUE(QFileInfo::exists(path));
        EXPECT_NE(tree.findByText(path), 0u);
        EXPECT_TRUE(tree.List1.contains(path) || tree.List2.contains(path));
        const auto* message = script.lastMessage();
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->icon, dialogs::Icon::Critical);
        EXPECT_TRUE(message->text.contains(path)) << message->text.toStdString();
        EXPECT_TRUE(message->text.contains(QString::fromLocal8Bit(std::strerror(reason))))
            << message->text.toStdString();
    }
    ::close(holder);
}

// Two files of one name in different folders, and a short name of an upper-case extension:
// moving, renaming, removing and deleting all act on the file the node stands for.
TEST_F(TreeTest, EveryCommandActsOnTheFileItsNodeStandsFor) {
    makeFile(QStringLiteral("same.wav"));
    makeFile(QStringLiteral("sub/same.wav"));
    tree.showfiles();
    {
        SCOPED_TRACE("full paths");
        // The twin listed second: a rename by file name alone would reach the first.
        const QString second = tree.List1.at(1), first = tree.List1.at(0);
        const auto node = tree.findByText(second);
        EXPECT_EQ(tree.filePathOf(node), second);
        EXPECT_EQ(tree.afterLabelEdit(node, QStringLiteral("renamed.wav")), LabelEdit::Accepted);
        const QString renamed = FolderOf(second) + QStringLiteral("renamed.wav");
        EXPECT_TRUE(QFileInfo::exists(renamed));
        EXPECT_TRUE(QFileInfo::exists(first));
        EXPECT_EQ(items(tree.List1), (QStringList{first, renamed}));
        EXPECT_EQ(tree.filePathOf(node), renamed);
        QFile::rename(renamed, second);
    }

    ShowFullPath = 0;
    const QString upper = makeFile(QStringLiteral("Upper.WAV"));
    tree.showfiles();
    SCOPED_TRACE("short names");
    // One node "same.wav" for two files: it stands for the first listed, the one it shows.
    QString shown, other;
    for (const QString& entry : tree.List1)
        if (FileNameOf(entry) == QStringLiteral("same.wav"))
            (shown.isEmpty() ? shown : other) = entry;
    const auto twin = tree.findByText(QStringLiteral("same.wav"));
    EXPECT_EQ(tree.filePathOf(twin), shown);
    doubleClick(QStringLiteral("same.wav"));
    EXPECT_EQ(items(tree.List5), QStringList{shown});
    // In "Selected WAV Files" it still stands for the file it moved, not for its twin.
    EXPECT_EQ(tree.afterLabelEdit(twin, QStringLiteral("moved.wav")), LabelEdit::Accepted);
    const QString moved = FolderOf(shown) + QStringLiteral("moved.wav");
    EXPECT_EQ(items(tree.List5), QStringList{moved});
    EXPECT_TRUE(QFileInfo::exists(other));
    tree.treePress(twin, true);
    tree.RemoveAndDeleteFile();
    settle();
    EXPECT_FALSE(QFileInfo::exists(moved));
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_TRUE(tree.List5.isEmpty());
    EXPECT_TRUE(tree.List1.contains(other));

    const auto upperNode = tree.findByText(QStringLiteral("Upper.wav"));
    EXPECT_EQ(tree.filePathOf(upperNode), upper);
    doubleClick(QStringLiteral("Upper.wav"));
    EXPECT_EQ(items(tree.List5), QStringList{upper});
    tree.treePress(upperNode, true);
    tree.RemoveFromList();
    EXPECT_TRUE(tree.List5.isEmpty());
    EXPECT_EQ(tree.findByText(QStringLiteral("Upper.wav")), 0u);
    EXPECT_TRUE(QFileInfo::exists(upper));
    // Groups and tracks stand for no file.
    EXPECT_EQ(tree.filePathOf(group(SourceTree::WavText)), std::nullopt);
}

TEST_F(TreeTest, RenameOnDiskUpdatesTheEntryAndLabel) {
    const QString a = makeFile(QStringLiteral("a.wav"));
    const QString keep = makeFile(QStringLiteral("keep.wav"));
    ShowFullPath = 0;
    tree.showfiles();
    const auto node = tree.findByText(QStringLiteral("a.wav"));
    ASSERT_TRUE(tree.canEditLabel(node));
    EXPECT_FALSE(tree.canEditLabel(group(SourceTree::WavText)));
    EXPECT_FALSE(tree.flags(tree.indexOf(tree.nodeNumber(1))).testFlag(Qt::ItemIsEditable));

    EXPECT_EQ(tree.afterLabelEdit(node, QStringLiteral("b.wav")), LabelEdit::Accepted);
    const QString b = dest.filePath(QStringLiteral("b.wav"));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(b));
    EXPECT_TRUE(tree.List1.contains(b));
    EXPECT_FALSE(tree.List1.contains(a));
    EXPECT_EQ(tree.text(node), QStringLiteral("b.wav"));
    EXPECT_EQ(tree.selectedNode(), node);

    // The target exists: nothing renamed, the user edits again the name typed, told why.
    QSignalSpy again(&tree, &SourceTree::labelEditRequested);
    EXPECT_TRUE(tree.setData(tree.indexOf(node), QStringLiteral("keep.wav"), Qt::EditRole));
    ASSERT_EQ(again.count(), 1);
    EXPECT_EQ(again[0][1].toString(), QStringLiteral("keep.wav"));
    EXPECT_EQ(again[0][2].toString(), QStringLiteral("Can't rename \"b.wav\" to \"keep.wav\": ") +
                                          QString::fromLocal8Bit(std::strerror(EEXIST)));
    EXPECT_EQ(tree.text(node), QStringLiteral("b.wav"));
    EXPECT_TRUE(QFileInfo::exists(b));
    EXPECT_EQ(fixtures::readFile(keep).size(), 200);
    // A label holding a folder does not name a file in the entry's folder; an empty one names
    // none. Both are refused with their reason, and nothing changes.
    for (const QString& refused : {QStringLiteral("sub/c.wav"), QString(), QStringLiteral("  ")}) {
        EXPECT_EQ(tree.afterLabelEdit(node, refused), LabelEdit::EditAgain);
        EXPECT_FALSE(tree.renameRefusal().isEmpty());
        EXPECT_EQ(tree.text(node), QStringLiteral("b.wav"));
        EXPECT_TRUE(QFileInfo::exists(b));
    }

    // Full paths shown: the editor edits the name alone, and the renamed item shows its path
    // like the others.
    ShowFullPath = 1;
    tree.showfiles();
    const auto full = tree.findByText(b);
    EXPECT_EQ(tree.data(tree.indexOf(full), Qt::EditRole).toString(), QStringLiteral("b.wav"));
    // The name left as it was is no rename.
    EXPECT_EQ(tree.afterLabelEdit(full, QStringLiteral("b.wav")), LabelEdit::Accepted);
    EXPECT_EQ(tree.text(full), b);
    EXPECT_TRUE(tree.setData(tree.indexOf(full), QStringLiteral("c.wav"), Qt::EditRole));
    EXPECT_EQ(tree.text(full), dest.filePath(QStringLiteral("c.wav")));
    EXPECT_TRUE(QFileInfo::exists(dest.filePath(QStringLiteral("c.wav"))));
}

// A label edit renames the file on disk or is refused with the reason: a label never names
// another file than the one its node stands for, so deletion reaches that file and no other.
TEST_F(TreeTest, ALabelAlwaysNamesItsFileAndDeletionTakesOnlyThatFile) {
    ShowFullPath = 0;
    const QString lower = makeFile(QStringLiteral("take.wav"), 300);
    const QString upper = makeFile(QStringLiteral("Take.wav"), 400);
    const QString x = makeFile(QStringLiteral("x.wav"));
    tree.showfiles();
    // Every file in the folder, hidden ones too, in code-point order.
    const auto folderNames = [this] {
        QStringList names = QDir(dest.path()).entryList(QDir::Files | QDir::Hidden);
        std::sort(names.begin(), names.end());
        return names.join(u' ');
    };
    const auto takeNode = tree.findByText(QStringLiteral("take.wav"));

    // Only the case differs, but the name is another file's: refused, both files as they were.
    EXPECT_EQ(tree.afterLabelEdit(takeNode, QStringLiteral("Take.wav")), LabelEdit::EditAgain);
    EXPECT_EQ(tree.renameRefusal(), QStringLiteral("Can't rename \"take.wav\" to \"Take.wav\": ") +
                                        QString::fromLocal8Bit(std::strerror(EEXIST)));
    EXPECT_EQ(tree.text(takeNode), QStringLiteral("take.wav"));
    EXPECT_EQ(folderNames(), QStringLiteral("Take.wav take.wav x.wav"));
    EXPECT_EQ(fixtures::readFile(lower).size(), 300);
    // Deleting through the node takes its own file, and the other keeps its node and entry.
    tree.treePress(takeNode, true);
    tree.RemoveAndDeleteFile();
    settle();
    EXPECT_EQ(folderNames(), QStringLiteral("Take.wav x.wav"));
    EXPECT_EQ(fixtures::readFile(upper).size(), 400);
    EXPECT_EQ(tree.findByText(QStringLiteral("take.wav")), 0u);
    const auto upperNode = tree.findByText(QStringLiteral("Take.wav"));
    EXPECT_EQ(tree.filePathOf(upperNode), upper);

    // A rename of the case alone is a rename on disk, through a name of passage that leaves
    // no trace.
    EXPECT_EQ(tree.afterLabelEdit(upperNode, QStringLiteral("TAKE.WAV")), LabelEdit::Accepted);
    const QString renamed = dest.filePath(QStringLiteral("TAKE.WAV"));
    EXPECT_EQ(folderNames(), QStringLiteral("TAKE.WAV x.wav"));
    EXPECT_EQ(fixtures::readFile(renamed).size(), 400);
    EXPECT_EQ(tree.text(upperNode), QStringLiteral("TAKE.WAV"));
    EXPECT_EQ(tree.filePathOf(upperNode), renamed);
    EXPECT_TRUE(tree.List1.contains(renamed));
    EXPECT_FALSE(tree.List1.contains(upper));
    EXPECT_EQ(tree.List1.count(), 2);

    // A name of another kind, or of no kind, would leave the label naming no file: refused.
    const auto xNode = tree.findByText(QStringLiteral("x.wav"));
    for (const QString& refused : {QStringLiteral("x.mp3"), QStringLiteral("x")}) {
        EXPECT_EQ(tree.afterLabelEdit(xNode, refused), LabelEdit::EditAgain);
        EXPECT_TRUE(tree.renameRefusal().contains(QStringLiteral(".wav")))
            << tree.renameRefusal().toStdString();
        EXPECT_EQ(tree.text(xNode), QStringLiteral("x.wav"));
    }
    EXPECT_EQ(folderNames(), QStringLiteral("TAKE.WAV x.wav"));

    // A node the lists no longer know stands for no file: it renames nothing.
    tree.List1.removeOne(x);
    EXPECT_EQ(tree.afterLabelEdit(xNode, QStringLiteral("y.wav")), LabelEdit::EditAgain);
    EXPECT_EQ(tree.text(xNode), QStringLiteral("x.wav"));
    EXPECT_EQ(folderNames(), QStringLiteral("TAKE.WAV x.wav"));

    // Full paths shown: the case-only rename of a selected MP3, its entry and label follow.
    ShowFullPath = 1;
    const QString song = makeFile(QStringLiteral("song.mp3"));
    tree.showfiles();
    tree.setSelectedNode(tree.findByText(song));
    tree.MoveSelectedNode();
    const auto songNode = tree.findByText(song);
    EXPECT_EQ(tree.afterLabelEdit(songNode, QStringLiteral("Song.MP3")), LabelEdit::Accepted);
    const QString songRenamed = dest.filePath(QStringLiteral("Song.MP3"));
    EXPECT_EQ(tree.text(songNode), songRenamed);
    EXPECT_EQ(items(tree.List4), QStringList{songRenamed});
    EXPECT_TRUE(QFileInfo::exists(songRenamed));
    EXPECT_FALSE(folderNames().contains(QStringLiteral("song.mp3")));
    EXPECT_EQ(QDir(dest.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(TreeTest, DestroyFileTreatsMissingAsDeletedAndRefusesProtectedFiles) {
    const QString missing = dest.filePath(QStringLiteral("missing.wav"));
    EXPECT_FALSE(p_DestroyFile(missing).has_value());
    EXPECT_FALSE(QFileInfo::exists(missing));

    const QString readOnly = makeFile(QStringLiteral("ro.wav"));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    auto error = p_DestroyFile(readOnly);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->source(), QStringLiteral("p_DestroyFile"));
    EXPECT_FALSE(error->description().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(readOnly));

    // Held open by the program's own file class (exclusive): refused.
    const QString busy = makeFile(QStringLiteral("busy.wav"));
    {
        clsFileIo held;
        ASSERT_TRUE(held.OpenFile(busy, FileUse::Read));
        error = p_DestroyFile(busy);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->source(), QStringLiteral("p_DestroyFile"));
        EXPECT_TRUE(QFileInfo::exists(busy));
    }
    // A folder that does not exist cannot hold the file.
    error = p_DestroyFile(dest.filePath(QStringLiteral("no/such/folder/x.wav")));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->source(), QStringLiteral("p_DestroyFile"));

    // A read-only folder (only effective without administrator rights).
    if (::geteuid() != 0) {
        const QString inside = makeFile(QStringLiteral("locked/x.wav"));
        QFile::setPermissions(dest.filePath(QStringLiteral("locked")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        error = p_DestroyFile(inside);
        QFile::setPermissions(dest.filePath(QStringLiteral("locked")), QFileDevice::ReadOwner |
                                                                           QFileDevice::WriteOwner |
                                                                           QFileDevice::ExeOwner);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->source(), QStringLiteral("p_DestroyFile"));
        EXPECT_TRUE(QFileInfo::exists(inside));
    }

    // Deleted at once; what follows runs after the settling wait, and not once its context
    // is gone.
    const QString plain = makeFile(QStringLiteral("plain.wav"));
    filedeletion::settleDelay = std::chrono::milliseconds(30);
    std::optional<std::optional<VortanError>> settled;
    EXPECT_FALSE(p_DestroyFile(plain, &tree, [&settled](const auto& failure) {
                     settled = failure;
                 }).has_value());
    EXPECT_FALSE(QFileInfo::exists(plain));
    EXPECT_FALSE(settled.has_value());
    EXPECT_TRUE(QTest::qWaitFor([&settled] { return settled.has_value(); }));
    EXPECT_FALSE(settled->has_value());

    auto context = std::make_unique<QObject>();
    bool ran = false;
    p_DestroyFile(makeFile(QStringLiteral("gone.wav")), context.get(),
                  [&ran](const auto&) { ran = true; });
    context.reset();
    QTest::qWait(100);
    EXPECT_FALSE(ran);
}

TEST_F(TreeTest, DeleteFileAndNodeLeavesNoTraceOfTheFile) {
    const QString a = makeFile(QStringLiteral("a.wav"));
    tree.showfiles();
    std::optional<VortanError> outcome = VortanError(0, {}, {});
    const auto deleteFile = [this, &outcome](const QString& path) {
        outcome = VortanError(0, {}, {});
        DeleteFileAndNode(path, &tree, [&outcome](const auto& failure) { outcome = failure; });
        settle();
        return outcome;
    };
    EXPECT_FALSE(deleteFile(a).has_value());
    EXPECT_EQ(tree.findByText(a), 0u);
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_FALSE(tree.List1.contains(a));

    // Shown by its name, and selected for conversion: its node and its entry go too, so
    // that Start never looks for it again.
    ShowFullPath = 0;
    const QString b = makeFile(QStringLiteral("b.wav"));
    const QString other = makeFile(QStringLiteral("other.wav"));
    tree.showfiles();
    tree.setSelectedNode(tree.findByText(QStringLiteral("b.wav")));
    tree.MoveSelectedNode();
    EXPECT_EQ(items(tree.List5), QStringList{b});
    EXPECT_FALSE(deleteFile(b).has_value());
    EXPECT_FALSE(QFileInfo::exists(b));
    EXPECT_EQ(tree.findByText(QStringLiteral("b.wav")), 0u);
    EXPECT_TRUE(tree.List5.isEmpty());
    EXPECT_EQ(items(tree.List1), QStringList{other});

    ShowFullPath = 1;
    const QString ro = makeFile(QStringLiteral("ro.wav"));
    tree.showfiles();
    QFile::setPermissions(ro, QFileDevice::ReadOwner);
    EXPECT_TRUE(deleteFile(ro).has_value());
    EXPECT_NE(tree.findByText(ro), 0u);
}

TEST_F(TreeTest, OpenFileHandsTheChosenFileToTheTree) {
    tree.showfiles();
    auto& script = testsupport::scriptedDialogs();
    script.files.push_back({});
    tree.OpenFileIntoTree();
    settle();
    EXPECT_TRUE(tree.List1.isEmpty());
    const QString a = makeFile(QStringLiteral("opened.wav"));
    script.files.push_back({a});
    tree.OpenFileIntoTree();
    settle();
    EXPECT_EQ(items(tree.List1), QStringList{a});
    ASSERT_FALSE(script.records.empty());
    EXPECT_EQ(script.records.back().kind, QStringLiteral("openFiles"));
}

} // namespace
