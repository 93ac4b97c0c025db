#include "formtest.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include <functional>

namespace {

const QString t1 = QStringLiteral("Track  1 - 3:00");
const QString t2 = QStringLiteral("Track  2 - 4:10");
const QString t12 = QStringLiteral("Track 12 - 3:05");

// A main window whose WAV job is a script run while the job is under way.
class ScriptedJobWindow : public Form1 {
  public:
    std::function<void()> job;
    void cmdEncFile_Click() override {
        if (job)
            job();
    }
};

class TreeViewTest : public FormTest {
  protected:
    // Loads the window with three tracks, two WAV files and one MP3 file, all expanded.
    template <typename Window = Form1> Window& loadWithSources() {
        a = makeFile(QStringLiteral("a.wav"));
        b = makeFile(QStringLiteral("b.wav"));
        m = makeFile(QStringLiteral("m.mp3"));
        Window& w = load<Window>();
        w.resize(900, 700);
        for (const auto& [text, track] : {std::pair{t1, 1}, {t2, 2}, {t12, 12}})
            tree().lstTracks.add(text, track);
        tree().showfiles();
        w.TreeView1->expandAll();
        QTest::qWait(0);
        return w;
    }
    QWidget* viewport() { return form->TreeView1->viewport(); }
    void press(const QString& text, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(viewport(), button, {}, pointOf(text));
    }
    // A right press opens the context menu, which then takes the release; the release is
    // sent elsewhere so the tree does not see it, as with a real pointer.
    void rightPress(const QString& text) { rightPressAt(pointOf(text)); }
    void rightPressAt(const QPoint& pos) {
        QTest::mousePress(viewport(), Qt::RightButton, {}, pos);
        QTest::mouseRelease(form->Picture5, Qt::RightButton, {}, QPoint(1, 1));
    }
    void release(const QString& text, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(viewport(), button, {}, pointOf(text));
    }
    // Press on `from`, move through `path` with the left button held, release on the last.
    void drag(const QString& from, const QStringList& path) {
        press(from);
        for (const QString& over : path) {
            const QPoint p = pointOf(over);
            // Two moves per node, as a real pointer crosses a row.
            QTest::mouseMove(viewport(), p - QPoint(0, 2));
            QTest::mouseMove(viewport(), p);
        }
        release(path.isEmpty() ? from : path.back());
    }
    // Whether a label editor is open in the tree.
    bool editing() {
        for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return true;
        return false;
    }
    // What a real pointer delivers for a double-click: press, release, double-click, release.
    void doubleClick(const QString& text) {
        press(text);
        release(text);
        QTest::mouseDClick(viewport(), Qt::LeftButton, {}, pointOf(text));
    }
    QPoint emptySpace() { return QPoint(10, viewport()->height() - 5); }

    QString a, b, m;
};

} // namespace

// A rebuild shows every file it lists, then leaves the tree at its top, where the groups are.
TEST_F(TreeViewTest, RefreshLeavesTheGroupsInView) {
    for (int i = 0; i < 80; ++i)
        makeFile(QStringLiteral("song %1.mp3").arg(i, 2, 10, QLatin1Char('0')));
    Form1& w = loadWithSources();
    w.TreeView1->verticalScrollBar()->setValue(w.TreeView1->verticalScrollBar()->maximum() / 2);
    w.C1212->click();
    QCoreApplication::processEvents();
    EXPECT_GT(w.TreeView1->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(w.TreeView1->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(w.TreeView1->isExpanded(tree().indexOf(node(SourceTree::Mp3Text))));
}

TEST_F(TreeViewTest, PressOnATrackGroupListsItsTracksToExtract) {
    Form1& w = loadWithSources();
    tree().lstRecord.add(QStringLiteral("stale"));
    press(SourceTree::AvailableTracksText);
    EXPECT_EQ(tree().lstRecord.items(), (QStringList{t1, t2, t12}));
    EXPECT_EQ(tree().dropHighlight(), node(SourceTree::AvailableTracksText));
    EXPECT_EQ(tree().selectedNode(), node(SourceTree::AvailableTracksText));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action:  Process  Available Tracks"));
    release(SourceTree::AvailableTracksText);

    press(t2);
    EXPECT_EQ(tree().lstRecord.items(), QStringList{t2});
    release(t2);

    // A file group changes the status line but not the tracks to extract.
    press(SourceTree::WavText);
    EXPECT_EQ(tree().lstRecord.items(), QStringList{t2});
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action:  Process  WAV Files"));
    release(SourceTree::WavText);
}

TEST_F(TreeViewTest, PressOnEmptySpaceKeepsTheSelectionShown) {
    Form1& w = loadWithSources();
    press(a);
    release(a);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, emptySpace());
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, emptySpace());
    EXPECT_EQ(tree().selectedNode(), node(a));
    EXPECT_EQ(tree().nodeOf(w.TreeView1->currentIndex()), node(a));
    EXPECT_TRUE(w.TreeView1->selectionModel()->isSelected(tree().indexOf(node(a))));
}

TEST_F(TreeViewTest, ReleaseOnATrackSetsTheCurrentTrackNumber) {
    Form1& w = loadWithSources();
    press(t12);
    release(t12);
    EXPECT_EQ(w.currentTrackNumber, 12);
    press(t2);
    release(t2);
    EXPECT_EQ(w.currentTrackNumber, 2);
    press(SourceTree::SelectedTracksText);
    release(SourceTree::SelectedTracksText);
    EXPECT_EQ(w.currentTrackNumber, 2);
}

TEST_F(TreeViewTest, RightClickOpensTheContextMenuWithTheRightItems) {
    Form1& w = loadWithSources();
    tree().lstRecord.add(QStringLiteral("kept"));

    rightPress(SourceTree::WavText);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.mnupopup->isVisible(); }, 2000));
    EXPECT_TRUE(w.mnuStart2->isEnabled());
    EXPECT_FALSE(w.mnuFileRemove->isEnabled());
    EXPECT_FALSE(w.mnuRemoveDelete->isEnabled());
    EXPECT_TRUE(w.mnuMinimize->isEnabled());
    EXPECT_EQ(tree().selectedNode(), node(SourceTree::WavText));
    w.mnupopup->hide();

    rightPress(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.mnupopup->isVisible(); }, 2000));
    EXPECT_TRUE(w.mnuFileRemove->isEnabled());
    EXPECT_TRUE(w.mnuRemoveDelete->isEnabled());
    EXPECT_EQ(tree().selectedNode(), node(a));
    // The tracks to extract stay; the status line names the node the click selected.
    EXPECT_EQ(tree().lstRecord.items(), texts({"kept"}));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action:  Process  ") + a);
    w.mnupopup->hide();

    rightPressAt(emptySpace());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.mnupopup->isVisible(); }, 2000));
    EXPECT_FALSE(w.mnuStart2->isEnabled());
    EXPECT_FALSE(w.mnuFileRemove->isEnabled());
    EXPECT_FALSE(w.mnuRemoveDelete->isEnabled());
    w.mnupopup->hide();

    // While a job runs the menu stays shut.
    w.Disablem();
    rightPress(a);
    QTest::qWait(50);
    EXPECT_FALSE(w.mnupopup->isVisible());
}

TEST_F(TreeViewTest, ContextMenuRemovesAndDeletes) {
    Form1& w = loadWithSources();
    rightPress(a);
    w.mnupopup->hide();
    w.mnuFileRemove->trigger();
    EXPECT_EQ(node(a), 0u);
    EXPECT_FALSE(tree().List1.contains(a));
    EXPECT_TRUE(QFileInfo::exists(a));

    rightPress(m);
    w.mnupopup->hide();
    w.mnuRemoveDelete->trigger();
    EXPECT_FALSE(QFileInfo::exists(m));
    // The item goes once the deletion has settled.
    EXPECT_TRUE(QTest::qWaitFor([this] { return node(m) == 0; }));
    EXPECT_FALSE(tree().List2.contains(m));
    EXPECT_FALSE(QFileInfo::exists(m));
    // The selected item is gone: nothing is selected, neither in the tree nor in the view.
    EXPECT_EQ(tree().selectedNode(), 0u);
    EXPECT_FALSE(w.TreeView1->currentIndex().isValid());
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action: Make a selection"));
}

TEST_F(TreeViewTest, DraggingAWavFileOntoItsSelectedGroupMovesIt) {
    loadWithSources();
    drag(a, {SourceTree::SelectedWavText});
    EXPECT_EQ(childTexts(SourceTree::SelectedWavText), QStringList{a});
    EXPECT_EQ(tree().List5.items(), QStringList{a});
    EXPECT_FALSE(tree().List1.contains(a));
    EXPECT_EQ(tree().dropHighlight(), 0u);
    EXPECT_EQ(tree().draggedNode(), 0u);
    EXPECT_EQ(tree().draggedKind(), 0);
}

TEST_F(TreeViewTest, DraggingAWavFileOverAnotherWavFileDoesNothing) {
    loadWithSources();
    drag(a, {b});
    EXPECT_EQ(childTexts(SourceTree::WavText).size(), 2);
    EXPECT_TRUE(childTexts(SourceTree::SelectedWavText).isEmpty());
    EXPECT_TRUE(tree().List5.isEmpty());
    // Over an MP3 group: the type rule refuses it as well.
    drag(a, {SourceTree::SelectedMp3Text});
    EXPECT_TRUE(childTexts(SourceTree::SelectedMp3Text).isEmpty());
    EXPECT_TRUE(tree().List5.isEmpty());
}

TEST_F(TreeViewTest, GroupsCannotBeDragged) {
    loadWithSources();
    const auto parentBefore = tree().parentOf(node(SourceTree::WavText));
    drag(SourceTree::WavText, {SourceTree::SelectedWavText});
    EXPECT_EQ(tree().parentOf(node(SourceTree::WavText)), parentBefore);
    EXPECT_EQ(childTexts(SourceTree::WavText).size(), 2);
}

TEST_F(TreeViewTest, DraggingATrackToSelectedTracksMovesIt) {
    loadWithSources();
    drag(t2, {SourceTree::SelectedTracksText});
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), QStringList{t2});
}

TEST_F(TreeViewTest, DoubleClickMovesTheItemToItsOtherGroup) {
    loadWithSources();
    doubleClick(b);
    EXPECT_EQ(childTexts(SourceTree::SelectedWavText), QStringList{b});
    EXPECT_EQ(tree().List5.items(), QStringList{b});
    doubleClick(SourceTree::WavText);
    EXPECT_EQ(childTexts(SourceTree::SelectedWavText), QStringList{b}); // groups stay put
}

// However the selection changes, the tree's selected node, the view's current row (shown,
// not hidden in a collapsed group) and the status line name the same node; the line names
// it only when Start would act on it (not on a group left empty).
TEST_F(TreeViewTest, SelectionViewAndStatusLineAgree) {
    auto& w = loadWithSources<ScriptedJobWindow>();
    QTreeView& view = *w.TreeView1;
    auto expectAgree = [&](const QString& text) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(tree().selectedNode(), node(text));
        EXPECT_EQ(tree().nodeOf(view.currentIndex()), node(text));
        EXPECT_TRUE(view.visualRect(view.currentIndex()).isValid());
        const bool emptyGroup =
            tree().NodeKind(node(text)) == 2 && tree().childCount(node(text)) == 0;
        EXPECT_EQ(w.Label3->text(), emptyGroup ? QStringLiteral("Next Action: Make a selection")
                                               : QStringLiteral("Next Action:  Process  ") + text);
    };

    // Keys.
    press(a);
    release(a);
    const QString below = tree().text(tree().nodeOf(view.indexBelow(view.currentIndex())));
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    expectAgree(below);

    // A double-click moves the item into a collapsed group; the next key goes on from there.
    view.collapse(tree().indexOf(node(SourceTree::SelectedMp3Text)));
    doubleClick(m);
    ASSERT_EQ(tree().parentOf(node(m)), node(SourceTree::SelectedMp3Text));
    expectAgree(m);
    QTest::keyClick(&view, Qt::Key_Down);
    expectAgree(SourceTree::Mp3Text);

    // A track moved back to "Available Tracks" gets a new node there: it stays selected.
    doubleClick(t2);
    doubleClick(t2);
    ASSERT_EQ(tree().parentOf(node(t2)), node(SourceTree::AvailableTracksText));
    expectAgree(t2);

    // A rename of the selected item.
    WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
    tree().showfiles();
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action: Make a selection"));
    select(QStringLiteral("a.wav"));
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_F2);
    auto* editor = viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("renamed.wav"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !editing(); }, 2000));
    expectAgree(QStringLiteral("renamed.wav"));

    // While a job runs the line shows the job's captions, whatever gets selected.
    QString shownInJob;
    w.job = [&] {
        w.Label3->setText(QStringLiteral("Encoding"));
        tree().setSelectedNode(node(QStringLiteral("b.wav")));
        shownInJob = w.Label3->text();
    };
    w.CmdSelectAction->click();
    EXPECT_EQ(shownInJob, QStringLiteral("Encoding"));
}

TEST_F(TreeViewTest, LabelEditRenamesTheFileOnDisk) {
    WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
    loadWithSources();
    // Click the already selected item: editing starts after the double-click time.
    press(QStringLiteral("a.wav"));
    release(QStringLiteral("a.wav"));
    press(QStringLiteral("a.wav"));
    release(QStringLiteral("a.wav"));
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (editor = viewport()->findChild<QLineEdit*>()) && editor->isVisible(); },
        3000));
    editor->setText(QStringLiteral("renamed.wav"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editing(); }, 2000));
    EXPECT_TRUE(QFileInfo::exists(dest.filePath(QStringLiteral("renamed.wav"))));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_NE(node(QStringLiteral("renamed.wav")), 0u);
    EXPECT_TRUE(tree().List1.contains(dest.filePath(QStringLiteral("renamed.wav"))));
}

TEST_F(TreeViewTest, RefusedRenamePutsTheUserBackIntoEditing) {
    WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
    Form1& w = loadWithSources();
    select(QStringLiteral("a.wav"));
    w.TreeView1->setFocus();
    QTest::keyClick(w.TreeView1, Qt::Key_F2);
    auto* editor = viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("b.wav")); // exists already
    QTest::keyClick(editor, Qt::Key_Return);
    // A new editor: it holds the name typed and says why it was refused.
    const QPointer<QLineEdit> refused = editor;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            editor = qobject_cast<QLineEdit*>(
                w.TreeView1->indexWidget(tree().indexOf(node(QStringLiteral("a.wav")))));
            return editor && editor != refused;
        },
        2000));
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(QFile(b).size(), 200);
    EXPECT_EQ(editor->text(), QStringLiteral("b.wav"));
    EXPECT_TRUE(editor->toolTip().contains(QStringLiteral("Can't rename \"a.wav\" to \"b.wav\"")))
        << editor->toolTip().toStdString();
}

TEST_F(TreeViewTest, RefusedRenameOfANodeGoneMeanwhileOpensNoEditor) {
    WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
    loadWithSources();
    const auto id = node(QStringLiteral("a.wav"));
    select(QStringLiteral("a.wav"));
    EXPECT_TRUE(tree().setData(tree().indexOf(id), QStringLiteral("b.wav"), Qt::EditRole));
    tree().showfiles(); // every node is new before the request to edit again is taken up
    QTest::qWait(0);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(QFileInfo::exists(a));
}

TEST_F(TreeViewTest, GroupsTracksAndTheRootRefuseEditingBeforeItStarts) {
    Form1& w = loadWithSources();
    for (const QString& text : {SourceTree::WavText, t1, SourceTree::RootText}) {
        select(text);
        w.TreeView1->setFocus();
        QTest::keyClick(w.TreeView1, Qt::Key_F2);
        EXPECT_FALSE(editing()) << text.toStdString();
    }
}

TEST_F(TreeViewTest, OpenListsAChosenFile) {
    Form1& w = loadWithSources();
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("Outside.mp3"));
    {
        QFile f(outside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(500, 'y'));
    }
    dialogs().files.push_back(QStringList{outside});
    w.mnuOpenfile->trigger();
    // Listed after the tree's delay (none here).
    EXPECT_TRUE(QTest::qWaitFor([this, &outside] { return tree().List2.contains(outside); }));
    EXPECT_EQ(childTexts(SourceTree::Mp3Text).back(), outside);
    EXPECT_EQ(tree().List2.at(0), outside);
}
