#include "treetestsupport.h"

#include "engine/formats/outputfile.h"

#include <QSignalSpy>

#include <ctime>
#include <sys/time.h>
#include <unistd.h>

namespace {

const QStringList groupTexts{SourceTree::SelectedTracksText, SourceTree::AvailableTracksText,
                             SourceTree::SelectedWavText,    SourceTree::WavText,
                             SourceTree::SelectedMp3Text,    SourceTree::Mp3Text,
                             SourceTree::SelectedAudioText,  SourceTree::AudioText};

TEST_F(TreeTest, EmptyDestinationGivesRootAndEightGroupsInCreationOrder) {
    tree.showfiles();
    ASSERT_EQ(tree.nodeCount(), 9);
    const auto root = tree.nodeNumber(1);
    EXPECT_EQ(tree.text(root), SourceTree::RootText);
    EXPECT_EQ(tree.key(root), QStringLiteral("f Collection 1"));
    EXPECT_EQ(tree.parentOf(root), 0u);
    QStringList children;
    for (auto id : tree.childrenOf(root))
        children << tree.text(id);
    EXPECT_EQ(children, groupTexts);
    // Node numbers 2 and 3 are the two track groups; the MP3 group's key differs from its text.
    EXPECT_EQ(tree.text(tree.nodeNumber(2)), SourceTree::SelectedTracksText);
    EXPECT_EQ(tree.text(tree.nodeNumber(3)), SourceTree::AvailableTracksText);
    EXPECT_EQ(tree.key(group(SourceTree::Mp3Text)), QStringLiteral("g Available MP3 Files"));
    EXPECT_EQ(tree.NodeKind(root), 1);
    EXPECT_EQ(tree.NodeKind(tree.nodeNumber(2)), 2);
    EXPECT_EQ(tree.NodeKind(0), 0);
    const QModelIndex rootIndex = tree.indexOf(root);
    EXPECT_EQ(tree.data(rootIndex, SourceTree::ImageRole).toInt(), 1);
    EXPECT_EQ(tree.data(rootIndex, SourceTree::SelectedImageRole).toInt(), 4);
    EXPECT_EQ(tree.data(tree.indexOf(tree.nodeNumber(2)), SourceTree::ImageRole).toInt(), 2);

    DecodePath.clear(); // no destination: the groups, and no scan of the whole disk
    tree.showfiles();
    EXPECT_EQ(tree.nodeCount(), 9);
}

TEST_F(TreeTest, BuildListsTracksAndFilesWithListsInChildOrder) {
    tree.lstTracks.add(QStringLiteral("Track  2 - 4:00"));
    tree.lstTracks.add(QStringLiteral("Track 10 - 1:00"));
    tree.lstTracks.add(QStringLiteral("Track  1 - 3:00"));
    tree.lstRecord.add(QStringLiteral("Track  9 - 1:00"));
    const QString a = makeFile(QStringLiteral("a.wav"));
    const QString b = makeFile(QStringLiteral("B.WAV"));
    const QString c = makeFile(QStringLiteral("sub/c.wav"));
    const QString m = makeFile(QStringLiteral("x.mp3"));
    makeFile(QStringLiteral("notes.txt"));
    tree.showfiles();

    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText),
              (QStringList{QStringLiteral("Track  1 - 3:00"), QStringLiteral("Track  2 - 4:00"),
                           QStringLiteral("Track 10 - 1:00")}));
    EXPECT_EQ(tree.key(tree.firstChild(group(SourceTree::AvailableTracksText))),
              QStringLiteral("p Track  1 - 3:00"));
    EXPECT_TRUE(childTexts(SourceTree::SelectedTracksText).isEmpty());
    EXPECT_EQ(items(tree.lstRecord), QStringList{QStringLiteral("Track  9 - 1:00")});

    // Full paths keep their case; position i of each list is child i of its group.
    EXPECT_EQ(tree.List1.count(), 3);
    EXPECT_TRUE(tree.List1.contains(b));
    EXPECT_EQ(childTexts(SourceTree::WavText), items(tree.List1));
    EXPECT_EQ(childTexts(SourceTree::Mp3Text), items(tree.List2));
    EXPECT_EQ(items(tree.List2), QStringList{m});
    EXPECT_EQ(tree.key(tree.findByText(a)), QStringLiteral("p ") + a);
    EXPECT_NE(tree.findByText(c), 0u);

    // A rebuild gives the same tree again and discards moves.
    doubleClick(a);
    tree.showfiles();
    EXPECT_EQ(tree.nodeCount(), 9 + 3 + 4);
    EXPECT_EQ(childTexts(SourceTree::WavText), items(tree.List1));
    EXPECT_TRUE(tree.List5.isEmpty());
    EXPECT_EQ(tree.text(tree.nodeNumber(2)), SourceTree::SelectedTracksText);
}

// The scan lets no events run: a build asked for meanwhile ("Refresh List" clicked) follows it
// whole and never mixes with it.
TEST_F(TreeTest, BuildAskedForDuringTheScanFollowsIt) {
    makeFile(QStringLiteral("a.wav"));
    makeFile(QStringLiteral("b.mp3"));
    tree.showfiles();
    int nested = 0;
    QTimer::singleShot(0, &tree, [&] {
        ++nested;
        tree.showfiles();
    });
    tree.showfiles();
    EXPECT_EQ(nested, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(tree.nodeCount(), 11);
    EXPECT_EQ(tree.List1.count(), 1);
    EXPECT_EQ(childTexts(SourceTree::WavText), items(tree.List1));
    EXPECT_EQ(childTexts(SourceTree::Mp3Text), items(tree.List2));
}

TEST_F(TreeTest, ShortNameModeShowsBaseNameWithLowerCaseExtension) {
    ShowFullPath = 0;
    const QString song = makeFile(QStringLiteral("Song.WAV"));
    makeFile(QStringLiteral("Tune.MP3"));
    const QString twin1 = makeFile(QStringLiteral("same.wav"));
    const QString twin2 = makeFile(QStringLiteral("deeper/same.wav"));
    tree.showfiles();
    const auto node = tree.findByText(QStringLiteral("Song.wav"));
    ASSERT_NE(node, 0u);
    EXPECT_EQ(tree.key(node), QStringLiteral("p Song.wav"));
    EXPECT_NE(tree.findByText(QStringLiteral("Tune.mp3")), 0u);
    EXPECT_TRUE(tree.List1.contains(song));
    // Two files of one name: one node (the second add has a duplicate key), both paths listed.
    EXPECT_EQ(tree.allWithText(QStringLiteral("same.wav")).size(), 1u);
    EXPECT_TRUE(tree.List1.contains(twin1));
    EXPECT_TRUE(tree.List1.contains(twin2));
    EXPECT_EQ(childTexts(SourceTree::WavText).size(), 2);
}

TEST_F(TreeTest, Cmaddfile2AddsFilesOverNinetyNineBytesOnce) {
    tree.showfiles();
    QSignalSpy visible(&tree, &SourceTree::makeVisible);
    tree.Cmaddfile2(makeFile(QStringLiteral("small.wav"), 99));
    settle();
    EXPECT_TRUE(childTexts(SourceTree::WavText).isEmpty());
    tree.Cmaddfile2(dest.filePath(QStringLiteral("missing.wav")));
    settle();
    tree.Cmaddfile2(makeFile(QStringLiteral("other.txt"), 500));
    settle();
    tree.Cmaddfile2(QString());
    settle();
    EXPECT_EQ(tree.nodeCount(), 9);

    const QString first = makeFile(QStringLiteral("First.wav"), 100);
    const QString second = makeFile(QStringLiteral("Second.WAV"), 100);
    const QString tune = makeFile(QStringLiteral("tune.mp3"), 100);
    tree.Cmaddfile2(first);
    settle();
    tree.Cmaddfile2(second);
    settle();
    tree.Cmaddfile2(tune);
    settle();
    tree.Cmaddfile2(first); // already shown
    // Added nodes go last; list entries go first; paths keep their case.
    EXPECT_EQ(childTexts(SourceTree::WavText), (QStringList{first, second}));
    EXPECT_EQ(items(tree.List1), (QStringList{second, first}));
    EXPECT_EQ(items(tree.List2), QStringList{tune});
    EXPECT_EQ(tree.key(tree.findByText(first)), QStringLiteral("p name") + first);
    EXPECT_EQ(visible.count(), 3);
    EXPECT_EQ(tree.nodeOf(visible.last().at(0).value<QModelIndex>()), tree.findByText(tune));
}

TEST_F(TreeTest, Cmaddfile2InShortModeRefusesAFileWhoseNameIsShown) {
    ShowFullPath = 0;
    tree.showfiles();
    const QString a = makeFile(QStringLiteral("A.Wav"));
    tree.Cmaddfile2(a);
    settle();
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{QStringLiteral("A.Wav")});
    tree.Cmaddfile2(makeFile(QStringLiteral("sub/A.Wav")));
    settle();
    EXPECT_EQ(childTexts(SourceTree::WavText).size(), 1);
    EXPECT_EQ(items(tree.List1), QStringList{a});
}

// The call returns at once; the file is listed after the delay, then what was to follow runs.
// A tree gone by then lists nothing and runs nothing.
TEST_F(TreeTest, Cmaddfile2ListsTheFileAfterItsDelayUnlessTheTreeIsGone) {
    tree.showfiles();
    tree.addFileDelay = std::chrono::milliseconds(50);
    QStringList seenThen;
    tree.Cmaddfile2(makeFile(QStringLiteral("late.wav")),
                    [this, &seenThen] { seenThen = childTexts(SourceTree::WavText); });
    EXPECT_TRUE(childTexts(SourceTree::WavText).isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&seenThen] { return !seenThen.isEmpty(); }));
    EXPECT_EQ(seenThen, QStringList{dest.filePath(QStringLiteral("late.wav"))});

    auto doomed = std::make_unique<SourceTree>();
    doomed->showfiles();
    doomed->addFileDelay = std::chrono::milliseconds(20);
    bool ran = false;
    doomed->Cmaddfile2(makeFile(QStringLiteral("later.wav")), [&ran] { ran = true; });
    doomed.reset();
    QTest::qWait(100);
    EXPECT_FALSE(ran);
}

// A move made while a file is being listed uses the same scratch list; neither list may come
// out mixed with the other, nor lose the move.
TEST_F(TreeTest, Cmaddfile2OverALongListKeepsAMoveMadeMeanwhile) {
    tree.showfiles();
    QStringList old;
    for (int i = 0; i < 600; ++i)
        old << QStringLiteral("/music/%1.mp3").arg(i);
    tree.List2.setItems(old);
    const QString moved = QStringLiteral("/music/picked.mp3");
    // Runs at the add's first chance to let events run, and sets up a second handler for
    // the chance after it, as a user's double-clicks would.
    QMetaObject::invokeMethod(
        &tree,
        [this, moved] {
            QMetaObject::invokeMethod(
                &tree, [this, moved] { tree.List4.prepend(moved, tree.List7, true); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    const QString added = makeFile(QStringLiteral("new.mp3"));
    tree.Cmaddfile2(added);
    settle();

    EXPECT_EQ(items(tree.List2), QStringList{added} + old);
    EXPECT_EQ(items(tree.List4), QStringList{moved});
}

TEST_F(TreeTest, Showfiles3FilesAPickedPathOnce) {
    tree.showfiles();
    const QString picked = makeFile(QStringLiteral("found/Picked.wav"));
    tree.showfiles3(picked);
    settle();
    EXPECT_EQ(items(tree.List1), QStringList{picked});
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{picked});
    tree.showfiles3(picked);
    settle();
    EXPECT_EQ(tree.List1.count(), 1);
    // The usual sequence: "Select for Conversion" adds first, then files the pick.
    const QString mp3 = makeFile(QStringLiteral("found/x.mp3"));
    tree.Cmaddfile2(mp3);
    settle();
    tree.showfiles3(mp3);
    settle();
    EXPECT_EQ(items(tree.List2), QStringList{mp3});
}

TEST_F(TreeTest, NodesKeepUniqueKeysAndRenumberAfterRemoval) {
    const auto top = tree.addNode(0, QStringLiteral("f top"), QStringLiteral("top"), 1, 4);
    const auto a = tree.addNode(top, QStringLiteral("g a"), QStringLiteral("same"), 2, 5);
    EXPECT_EQ(tree.addNode(top, QStringLiteral("g a"), QStringLiteral("other"), 2, 5), 0u);
    const auto b = tree.addNode(top, QStringLiteral("g b"), QStringLiteral("same"), 2, 5);
    const auto c = tree.addNode(a, QStringLiteral("p c"), QStringLiteral("c"), 3, 6);
    EXPECT_EQ(tree.addNode(999, QStringLiteral("p d"), QStringLiteral("d"), 3, 6), 0u);
    EXPECT_EQ(tree.findByText(QStringLiteral("same")), a);
    EXPECT_EQ(tree.numberOf(b), 3);
    tree.setSelectedNode(c);
    ASSERT_TRUE(tree.removeNode(a));
    EXPECT_FALSE(tree.resolves(c));
    EXPECT_EQ(tree.selectedNode(), 0u);
    EXPECT_EQ(tree.nodeNumber(2), b);
    EXPECT_EQ(tree.findByText(QStringLiteral("same")), b);
    EXPECT_EQ(tree.findByKey(QStringLiteral("g a")), 0u);
    // A removed key may be used again; a node never becomes its own descendant.
    EXPECT_NE(tree.addNode(b, QStringLiteral("g a"), QStringLiteral("again"), 2, 5), 0u);
    EXPECT_FALSE(tree.setParentOf(top, b));
    EXPECT_EQ(tree.index(0, 0, tree.indexOf(top)), tree.indexOf(b));
}

TEST(MirrorListTest, SortedListOrdersIgnoringCaseAndPrependGoesThroughScratch) {
    MirrorList sorted(MirrorList::Order::Sorted);
    for (const char* t : {"Track 12 - 1:00", "Track  3 - 1:00", "beta", "Alpha", "alpha"})
        sorted.add(QString::fromLatin1(t));
    EXPECT_EQ(sorted.items(),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("beta"),
                           QStringLiteral("Track  3 - 1:00"), QStringLiteral("Track 12 - 1:00")}));
    MirrorList list, scratch;
    list.add(QStringLiteral("b"));
    list.add(QString());
    list.prepend(QStringLiteral("a"), scratch, true);
    EXPECT_EQ(list.items(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(scratch.items(), list.items());
    EXPECT_EQ(list.at(5), QString());
    EXPECT_FALSE(list.removeAt(-1));
}

} // namespace

// What a crashed or killed run left half-written in the destination is cleared by the next
// build; a temporary file some writer may still be at work on stays; neither is ever listed.
TEST_F(TreeTest, TemporaryFilesOfOutputsAreClearedWhenOldAndNeverListed) {
    auto temporary = [this](const QString& wanted) {
        auto created = outputfile::createTemporary(dest.filePath(wanted));
        EXPECT_TRUE(created.ok());
        EXPECT_EQ(::write(created->fd, QByteArray(500, 'x').constData(), 500), 500);
        ::close(created->fd); // its writer is gone
        return created->temporaryPath;
    };
    const QString old = temporary(QStringLiteral("old.mp3"));
    const QString fresh = temporary(QStringLiteral("fresh.wav"));
    const timeval past[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(old).constData(), past), 0);

    tree.showfiles();
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(fresh));
    tree.Cmaddfile2(fresh);
    settle();
    EXPECT_TRUE(tree.List1.isEmpty());
    EXPECT_TRUE(tree.List2.isEmpty());
    EXPECT_EQ(tree.nodeCount(), 9);
}
