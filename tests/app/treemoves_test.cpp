#include "treetestsupport.h"

namespace {

const QString t1 = QStringLiteral("Track  1 - 3:00");
const QString t2 = QStringLiteral("Track  2 - 4:10");
const QString t3 = QStringLiteral("Track  3 - 2:05");
const QString t12 = QStringLiteral("Track 12 - 3:05");

class MoveTest : public TreeTest {
  protected:
    // The entries as a listing makes them: each carries its track.
    void buildWithTracks() {
        for (const auto& [text, track] : {std::pair{t12, 12}, {t3, 3}, {t1, 1}, {t2, 2}})
            tree.lstTracks.add(text, track);
        tree.showfiles();
    }
};

// What a track entry stands for is the track it was listed with, wherever it goes; its text
// decides nothing, and a WAV file named like a track is no track.
TEST_F(MoveTest, ATrackEntryKeepsItsTrackWhateverItsText) {
    const QString odd = QStringLiteral("Track 12 - 0:40"); // the hidden track, say, shown oddly
    tree.lstTracks.add(odd, 0);
    tree.lstTracks.add(t3, 3);
    makeFile(QStringLiteral("track 05.wav"));
    ShowFullPath = 0; // the file shows as "track 05.wav"
    tree.showfiles();
    const auto available = group(SourceTree::AvailableTracksText);

    tree.treePress(tree.findByText(odd), false);
    EXPECT_EQ(tree.treeRelease(), std::optional<int>(0));
    EXPECT_EQ(tree.lstRecord.trackAt(0), 0);
    doubleClick(odd);
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), QStringList{odd});
    EXPECT_EQ(tree.trackOf(tree.findByText(odd)), 0);
    tree.treePress(available, false); // the group lists what it shows, tracks and all
    EXPECT_EQ(items(tree.lstRecord), QStringList{t3});
    EXPECT_EQ(tree.lstRecord.trackAt(0), 3);
    doubleClick(odd); // back: the rebuilt entry is still track 0
    EXPECT_EQ(tree.trackOf(tree.findByText(odd)), 0);
    EXPECT_EQ(tree.lstTracks.trackAt(tree.lstTracks.indexOf(odd)), 0);

    const auto wav = tree.findByText(QStringLiteral("track 05.wav"));
    ASSERT_NE(wav, 0u);
    tree.treePress(wav, false);
    EXPECT_EQ(tree.treeRelease(), std::nullopt);
    EXPECT_EQ(tree.trackOf(wav), MirrorList::noTrack);
}

TEST_F(MoveTest, TrackThreeThereAndBack) {
    buildWithTracks();
    doubleClick(t3);
    EXPECT_EQ(items(tree.lstRecord), QStringList{t3}); // once, though the press listed it too
    EXPECT_EQ(items(tree.lstTracks), (QStringList{t1, t2, t12}));
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), QStringList{t3});
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), (QStringList{t1, t2, t12}));
    EXPECT_EQ(tree.draggedNode(), 0u);
    EXPECT_EQ(tree.draggedKind(), 0);

    // A press on a track makes it the only track to extract, so the press before the
    // double-click leaves t1 alone in lstRecord.
    doubleClick(t1);
    EXPECT_EQ(items(tree.lstRecord), QStringList{t1});
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), (QStringList{t3, t1}));

    doubleClick(t3);
    EXPECT_EQ(items(tree.lstTracks), (QStringList{t2, t3, t12}));
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), (QStringList{t2, t3, t12}));
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), QStringList{t1});
    EXPECT_EQ(tree.key(tree.findByText(t3)), QStringLiteral("p name") + t3);
    // The rebuilt nodes move again.
    doubleClick(t12);
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), (QStringList{t1, t12}));
    EXPECT_EQ(tree.text(tree.nodeNumber(2)), SourceTree::SelectedTracksText);
}

TEST_F(MoveTest, FilesMoveInTreeOrderWhileTheListGetsThemFirst) {
    const QString a = makeFile(QStringLiteral("a.wav"));
    const QString b = makeFile(QStringLiteral("b.wav"));
    const QString c = makeFile(QStringLiteral("c.wav"));
    tree.showfiles();
    doubleClick(a);
    doubleClick(b);
    EXPECT_EQ(childTexts(SourceTree::SelectedWavText), (QStringList{a, b}));
    EXPECT_EQ(items(tree.List5), (QStringList{b, a}));
    EXPECT_EQ(items(tree.List1), QStringList{c});
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{c});
    EXPECT_EQ(tree.lastHoveredNode(), group(SourceTree::SelectedWavText));

    doubleClick(a);
    EXPECT_EQ(items(tree.List5), QStringList{b});
    EXPECT_EQ(items(tree.List1), (QStringList{a, c}));
    EXPECT_EQ(childTexts(SourceTree::WavText), (QStringList{c, a}));
}

TEST_F(MoveTest, Mp3FilesMoveBothWays) {
    const QString x = makeFile(QStringLiteral("x.mp3"));
    const QString y = makeFile(QStringLiteral("y.mp3"));
    tree.showfiles();
    doubleClick(y);
    EXPECT_EQ(items(tree.List4), QStringList{y});
    EXPECT_EQ(items(tree.List2), QStringList{x});
    EXPECT_EQ(childTexts(SourceTree::SelectedMp3Text), QStringList{y});
    doubleClick(y);
    EXPECT_TRUE(tree.List4.isEmpty());
    EXPECT_EQ(items(tree.List2), (QStringList{y, x}));
    EXPECT_EQ(childTexts(SourceTree::Mp3Text), (QStringList{x, y}));
}

TEST_F(MoveTest, GroupsRootAndEmptyItemsMoveNothing) {
    const QString a = makeFile(QStringLiteral("a.wav"));
    buildWithTracks();
    const int count = tree.nodeCount();
    for (const QString& text : {SourceTree::WavText, SourceTree::SelectedTracksText,
                                SourceTree::AvailableTracksText, SourceTree::RootText})
        doubleClick(text);
    EXPECT_EQ(items(tree.List1), QStringList{a});
    EXPECT_TRUE(tree.List5.isEmpty());
    EXPECT_EQ(tree.lstTracks.count(), 4);
    EXPECT_EQ(tree.nodeCount(), count);
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{a});

    const auto blank =
        tree.addNode(group(SourceTree::WavText), QStringLiteral("p blank"), QString(), 3, 6);
    tree.treePress(blank, false);
    tree.MoveSelectedNode();
    EXPECT_EQ(tree.parentOf(blank), group(SourceTree::WavText));
}

TEST_F(MoveTest, NamesWithPatternCharactersMatchThemselves) {
    const QString live = makeFile(QStringLiteral("song [live].wav"));
    const QString hash = makeFile(QStringLiteral("take #1?.wav"));
    const QString other = makeFile(QStringLiteral("songl.wav"));
    tree.showfiles();
    doubleClick(live);
    doubleClick(hash);
    EXPECT_EQ(items(tree.List5), (QStringList{hash, live}));
    EXPECT_EQ(items(tree.List1), QStringList{other});
}

TEST_F(MoveTest, ShortNameModeStoresFullPathsInTheSelectedLists) {
    ShowFullPath = 0;
    const QString a = makeFile(QStringLiteral("Alpha.WAV"));
    const QString m = makeFile(QStringLiteral("sub/tune.mp3"));
    tree.showfiles();
    doubleClick(QStringLiteral("Alpha.wav"));
    EXPECT_EQ(items(tree.List5), QStringList{a});
    EXPECT_TRUE(tree.List1.isEmpty());
    doubleClick(QStringLiteral("Alpha.wav"));
    EXPECT_EQ(items(tree.List1), QStringList{a});
    EXPECT_TRUE(tree.List5.isEmpty());

    // The drag form resolves the name the same way.
    const auto node = tree.findByText(QStringLiteral("tune.mp3"));
    tree.treePress(node, false);
    ASSERT_TRUE(tree.treeMouseMove());
    tree.treeDragOver(group(SourceTree::SelectedMp3Text));
    EXPECT_EQ(items(tree.List4), QStringList{m});
    EXPECT_EQ(tree.parentOf(node), group(SourceTree::SelectedMp3Text));
}

TEST_F(MoveTest, FileWithTrackLikeNameStaysAFile) {
    ShowFullPath = 0;
    const QString f = makeFile(QStringLiteral("Track 01.wav"));
    buildWithTracks();
    doubleClick(QStringLiteral("Track 01.wav"));
    EXPECT_EQ(items(tree.List5), QStringList{f});
    EXPECT_EQ(tree.lstTracks.count(), 4);
    EXPECT_EQ(childTexts(SourceTree::SelectedWavText), QStringList{QStringLiteral("Track 01.wav")});
}

TEST_F(MoveTest, DragMovesOnEnteringAnAcceptableGroup) {
    const QString a = makeFile(QStringLiteral("a.wav"));
    const QString b = makeFile(QStringLiteral("b.wav"));
    buildWithTracks();
    const auto nodeA = tree.findByText(a);

    // Groups cannot be dragged.
    tree.treePress(group(SourceTree::WavText), false);
    EXPECT_FALSE(tree.treeMouseMove());

    tree.treePress(nodeA, false);
    ASSERT_TRUE(tree.treeMouseMove());
    EXPECT_EQ(tree.draggedKind(), 3);
    // Over another file: highlighted by the kind rule but refused by the type rule.
    tree.treeDragOver(tree.findByText(b));
    EXPECT_EQ(tree.parentOf(nodeA), group(SourceTree::WavText));
    // Over a track group: wrong type, nothing happens.
    tree.treeDragOver(group(SourceTree::SelectedTracksText));
    EXPECT_EQ(tree.parentOf(nodeA), group(SourceTree::WavText));
    tree.treeDragOver(group(SourceTree::SelectedWavText));
    EXPECT_EQ(tree.parentOf(nodeA), group(SourceTree::SelectedWavText));
    EXPECT_EQ(items(tree.List5), QStringList{a});
    EXPECT_EQ(tree.draggedNode(), 0u);
    EXPECT_EQ(tree.dropHighlight(), group(SourceTree::SelectedWavText));
    // Hovering on after the move changes nothing; the drop clears the highlight.
    tree.treeDragOver(group(SourceTree::WavText));
    tree.treeDrop();
    EXPECT_EQ(tree.dropHighlight(), 0u);
    tree.treeRelease();
    EXPECT_EQ(tree.parentOf(nodeA), group(SourceTree::SelectedWavText));
    EXPECT_EQ(items(tree.List1), QStringList{b});
}

TEST_F(MoveTest, DraggedTracksKeepBothTrackListsInStep) {
    buildWithTracks();
    const auto node = tree.findByText(t2);
    tree.treePress(node, false);
    ASSERT_TRUE(tree.treeMouseMove());
    tree.treeDragOver(group(SourceTree::AvailableTracksText)); // not a track target
    EXPECT_EQ(tree.lstTracks.count(), 4);
    tree.treeDragOver(group(SourceTree::SelectedTracksText));
    tree.treeDrop();
    EXPECT_EQ(items(tree.lstRecord), QStringList{t2});
    EXPECT_EQ(items(tree.lstTracks), (QStringList{t1, t3, t12}));

    // Back by dragging over any track node.
    const auto moved = tree.findByText(t2);
    tree.treePress(moved, false);
    ASSERT_TRUE(tree.treeMouseMove());
    tree.treeDragOver(tree.findByText(t12));
    tree.treeDrop();
    EXPECT_TRUE(tree.lstRecord.isEmpty());
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), (QStringList{t1, t2, t3, t12}));
}

TEST_F(MoveTest, PressReleaseAndStatusLine) {
    buildWithTracks();
    const auto selectedTracks = group(SourceTree::SelectedTracksText);
    doubleClick(t1);
    doubleClick(t3);
    tree.lstRecord.clear();
    EXPECT_EQ(tree.treePress(selectedTracks, false), SourceTree::Press::Handled);
    EXPECT_EQ(items(tree.lstRecord), (QStringList{t1, t3}));
    EXPECT_EQ(tree.dropHighlight(), selectedTracks);
    EXPECT_EQ(tree.statusLine(), QStringLiteral("Next Action:  Process  Selected Tracks"));

    // Right button: selected, menu shown, nothing else changes.
    const auto wavGroup = group(SourceTree::WavText);
    EXPECT_EQ(tree.treePress(wavGroup, true), SourceTree::Press::ShowPopup);
    EXPECT_EQ(tree.selectedNode(), wavGroup);
    EXPECT_EQ(tree.dropHighlight(), selectedTracks);
    EXPECT_EQ(items(tree.lstRecord), (QStringList{t1, t3}));
    EXPECT_EQ(tree.contextMenuState().start, true);

    // A left press on a file group leaves lstRecord; a press on a track lists only it.
    tree.treePress(wavGroup, false);
    EXPECT_EQ(items(tree.lstRecord), (QStringList{t1, t3}));
    tree.treePress(tree.findByText(t12), false);
    EXPECT_EQ(items(tree.lstRecord), QStringList{t12});
    EXPECT_EQ(tree.treeRelease(), std::optional<int>(12));
    tree.treePress(tree.findByText(t3), false);
    EXPECT_EQ(tree.treeRelease(), std::optional<int>(3));
    tree.treePress(wavGroup, false);
    EXPECT_EQ(tree.treeRelease(), std::nullopt);

    EXPECT_EQ(tree.treePress(0, false), SourceTree::Press::NoNode);
    EXPECT_EQ(tree.draggedNode(), 0u);
    EXPECT_EQ(tree.contextMenuState().start, false);
}

} // namespace
