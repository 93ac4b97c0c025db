// The play-list window over a main window: the player's commands (logged from the
// media-control layer; no audio server here, so opens fail and nothing sounds), the tag and
// header panel, and the stored play list.
#include "fixtures.h"
#include "formtest.h"
#include "mp3fixture.h"

#include "engine/platform/mci/mci.h"
#include "engine/player/playliststore.h"
#include "window/playlist/frmplaylist.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>

#include <algorithm>
#include <vector>

namespace {

class PlayListTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        load();
        previous = mci::setCommandObserver(
            {[this](const QString& command, std::uint32_t) { commands << command; }});
        window = frmPlayList::open(form.get());
    }
    void TearDown() override {
        mci::setCommandObserver(previous);
        delete window;
        FormTest::TearDown();
    }

    void setList(const QStringList& entries) {
        playliststore::rewrite(entries);
        window->Form_Load();
    }
    void clickEntry(int row) {
        window->List2->setCurrentRow(row);
        window->List2_Click();
    }
    QStringList entries() const {
        QStringList out;
        for (int i = 0; i < window->List2->count(); ++i)
            out << window->List2->item(i)->text();
        return out;
    }
    QString mp3File(const QString& name) {
        const QString path = dest.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        fixtures::writeMp3(path, fixtures::sine(440.0, 0.3));
        return path;
    }

    const QStringList stops =
        texts({"stop sound", "close sound", "stop cd", "close cd", "stop midi", "close midi"});
    mci::CommandObserver previous;
    QStringList commands;
    QPointer<frmPlayList> window;
};

// Play stops everything and then opens the selected entry, trimmed and in its own case, on
// the device its ending names; an open that fails plays nothing. An empty list sends nothing.
TEST_F(PlayListTest, PlayAndStopSendTheirCommandsInOrder) {
    window->Command11_Click();
    EXPECT_TRUE(commands.isEmpty());

    setList({QStringLiteral("  /Music/Song.WAV "), QStringLiteral("/m/Tune.MID"),
             QStringLiteral("/m/a.midi"), QStringLiteral("/m/b.ogg")});
    window->List2->setCurrentRow(0);
    window->Command11_Click();
    EXPECT_EQ(commands, stops + texts({"open waveaudio!/Music/Song.WAV alias sound"}));

    commands.clear();
    window->List2->setCurrentRow(1);
    window->Command11_Click();
    EXPECT_EQ(commands, stops + texts({"open sequencer!/m/Tune.MID alias midi"}));

    for (int row : {2, 3, -1}) {
        commands.clear();
        window->List2->setCurrentRow(row);
        window->Command11_Click();
        EXPECT_EQ(commands, stops) << row;
    }

    commands.clear();
    window->Command12_Click();
    EXPECT_EQ(commands, stops);
}

// "Read header" fills the lines and boxes; " Write tag" writes the boxes, which read back in
// their own boxes; a file under 100 bytes has no data and is no longer current.
TEST_F(PlayListTest, TagPanelReadsWritesAndRefusesEmptyFiles) {
    const QString song = mp3File(QStringLiteral("song.mp3"));
    window->Text5->setText(song);
    window->cmdHdr2_Click();
    ASSERT_EQ(window->List1->count(), 12);
    EXPECT_EQ(window->List1->item(0)->text(), QStringLiteral("Bitrate            128"));
    EXPECT_EQ(window->Text4[6]->text(), QStringLiteral("255"));
    EXPECT_EQ(window->Text4[7]->text(), QStringLiteral("False"));

    const QStringList typed =
        texts({"The Artist", "The Title", "The Album", "1999", "A comment", "17"});
    for (int i = 1; i <= 6; ++i)
        window->Text4[i]->setText(typed[i - 1]);
    window->cmdTag_Click();
    for (int i = 1; i <= 6; ++i)
        window->Text4[i]->clear();
    window->cmdHdr2_Click();
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(window->Text4[i]->text(), typed[i - 1]) << i;
    EXPECT_EQ(window->Text4[7]->text(), QStringLiteral("True"));

    const QString small = makeFile(QStringLiteral("small.mp3"), 99);
    window->Text5->setText(small);
    window->cmdHdr2_Click();
    EXPECT_EQ(dialogs().lastMessage()->text, QStringLiteral("File contains no data"));
    EXPECT_TRUE(window->Text5->text().isEmpty());
}

// Clicking an entry makes it current (an MP3's header is read, a WAV's is not); with Check11
// a file not yet among the main window's MP3 files is added to the tree, once.
TEST_F(PlayListTest, ClickingAnEntryMakesItCurrentAndCanAddItToTheTree) {
    const QString song = mp3File(QStringLiteral("elsewhere/song.mp3"));
    const QString wav = makeFile(QStringLiteral("other.wav"));
    setList({song, wav});
    clickEntry(0);
    EXPECT_EQ(window->Text5->text(), song);
    EXPECT_EQ(window->Text4[7]->text(), QStringLiteral("False"));
    EXPECT_EQ(window->List1->count(), 12);

    // The panel acts on MP3 files only: for a WAV nothing of the MP3 stays on show, and its
    // tag is not written (the file keeps every byte).
    window->Text4[2]->setText(QStringLiteral("typed before"));
    clickEntry(1);
    EXPECT_EQ(window->Text5->text(), wav);
    EXPECT_EQ(window->List1->count(), 0);
    for (int i = 1; i <= 7; ++i)
        EXPECT_TRUE(window->Text4[i]->text().isEmpty()) << i;
    const QByteArray before = fixtures::readFile(wav);
    window->Text4[2]->setText(QStringLiteral("A title"));
    window->cmdTag_Click();
    EXPECT_EQ(fixtures::readFile(wav), before);
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    EXPECT_TRUE(dialogs().lastMessage()->text.contains(QStringLiteral("MP3 files only")));
    window->cmdHdr2_Click(); // Read header on it: nothing shown either
    EXPECT_EQ(window->List1->count(), 0);
    // The keyboard chooses as a click does.
    window->List2->setCurrentRow(0);
    QTest::keyClick(window->List2, Qt::Key_Return);
    EXPECT_EQ(window->Text5->text(), song);

    window->Check11->setChecked(true);
    clickEntry(0);
    clickEntry(0);
    QTest::qWait(30); // the tree lists a file after a delay (none here)
    EXPECT_EQ(childTexts(SourceTree::Mp3Text).count(song), 1);
}

// Add keeps one entry per exact path; Delist rewrites the store from key 1; the list is found
// as it was left when the window opens again.
TEST_F(PlayListTest, AddDelistAndReopenKeepTheStoredList) {
    for (const char* path : {"/m/a.mp3", "/m/a.mp3", "/m/A.mp3", "/m/c.mp3"}) {
        window->Text5->setText(QString::fromLatin1(path));
        window->Command20_Click();
    }
    EXPECT_EQ(entries(), texts({"/m/a.mp3", "/m/A.mp3", "/m/c.mp3"}));
    window->List2->setCurrentRow(1);
    window->Command6_Click();
    window->close();
    QCoreApplication::processEvents(); // the closed window is deleted
    window = frmPlayList::open(form.get());
    EXPECT_EQ(entries(), texts({"/m/a.mp3", "/m/c.mp3"}));
}

// Delete asks, deletes, and keeps only MP3 entries; "No" keeps everything; an empty file is
// deleted without a question and the list stays as it was.
TEST_F(PlayListTest, DeleteAsksAndKeepsOnlyMp3Entries) {
    const QString keep = mp3File(QStringLiteral("keep.mp3"));
    const QString wav = makeFile(QStringLiteral("gone.wav"));
    const QString other = makeFile(QStringLiteral("other.WAV"));
    setList({keep, wav, other});

    window->Text5->setText(wav);
    dialogs().answers = {dialogs::Answer::No};
    window->Command10_Click();
    EXPECT_TRUE(QFile::exists(wav));
    EXPECT_EQ(entries().size(), 3);
    // The question names the file.
    EXPECT_EQ(dialogs().lastMessage()->text,
              QStringLiteral("Are you sure you want to delete this file?\n\n") + wav);

    dialogs().answers = {dialogs::Answer::Yes};
    window->Command10_Click();
    EXPECT_FALSE(QFile::exists(wav));
    // The rest follows the deletion's settling wait.
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->Text5->text().isEmpty(); }));
    EXPECT_EQ(dialogs().lastMessage()->text, wav + QStringLiteral(" has been Deleted"));
    EXPECT_EQ(entries(), QStringList({keep}));
    EXPECT_EQ(playliststore::load(), QStringList({keep}));
    EXPECT_TRUE(window->Text5->text().isEmpty());

    const QString empty = makeFile(QStringLiteral("empty.mp3"), 0);
    window->Text5->setText(empty);
    dialogs().clear();
    window->Command10_Click();
    EXPECT_FALSE(QFile::exists(empty));
    EXPECT_EQ(dialogs().lastMessage()->text, QStringLiteral("File contains no data"));
    EXPECT_EQ(window->Text5->text(), empty);
    EXPECT_EQ(entries(), QStringList({keep}));

    // Closed during the settling wait: the file is gone, and nothing more is shown.
    filedeletion::settleDelay = std::chrono::milliseconds(50);
    window->Text5->setText(keep);
    dialogs().clear();
    dialogs().answers = {dialogs::Answer::Yes};
    window->Command10_Click();
    window->close();
    QTest::qWait(150);
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(QFile::exists(keep));
    EXPECT_EQ(dialogs().lastMessage()->text, deleteQuestion(keep));
}

// Rename: onto another file only after "Yes", which replaces it; the entry and its stored key
// follow at once; a file not on the list is appended under its new name.
TEST_F(PlayListTest, RenameReplacesOnlyWhenToldAndUpdatesTheStore) {
    const QString song = mp3File(QStringLiteral("song.mp3"));
    const QString taken = makeFile(QStringLiteral("taken.mp3"), 300);
    setList({song});
    window->Text5->setText(song);

    dialogs().files = {{taken}};
    dialogs().answers = {dialogs::Answer::No};
    window->Command2_Click();
    EXPECT_TRUE(QFile::exists(song));
    EXPECT_EQ(QFileInfo(taken).size(), 300);

    dialogs().files = {{taken}};
    dialogs().answers = {dialogs::Answer::Yes};
    window->Command2_Click();
    EXPECT_FALSE(QFile::exists(song));
    EXPECT_GT(QFileInfo(taken).size(), 300);
    EXPECT_EQ(window->Text5->text(), taken);
    EXPECT_EQ(playliststore::load(), QStringList({taken}));

    const QString loose = makeFile(QStringLiteral("loose.wav"));
    const QString renamed = dest.filePath(QStringLiteral("renamed.wav"));
    window->Text5->setText(loose);
    dialogs().files = {{renamed}};
    window->Command2_Click();
    EXPECT_TRUE(QFile::exists(renamed));
    EXPECT_EQ(playliststore::load(), QStringList({taken, renamed}));
}

// A rename reaches the main window's tree and lists, so that Start finds the file by its new
// name; a rename to another kind of file moves it to its group; a rename the system refuses
// says why and changes nothing.
TEST_F(PlayListTest, RenameFollowsInTheMainTreeOrSaysWhyNot) {
    const QString take = makeFile(QStringLiteral("take.wav"));
    const QString mp3 = mp3File(QStringLiteral("old.mp3"));
    tree().showfiles();
    ASSERT_TRUE(tree().List1.contains(take));
    auto itemOf = [this](const QString& path) {
        for (int n = 1; n <= tree().nodeCount(); ++n)
            if (tree().filePathOf(tree().nodeNumber(n)) == path)
                return tree().nodeNumber(n);
        return SourceTree::NodeId{0};
    };

    const QString kept = dest.filePath(QStringLiteral("kept.wav"));
    window->Text5->setText(take);
    dialogs().files = {{kept}};
    window->Command2_Click();
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_EQ(tree().List1.items().count(kept), 1);
    EXPECT_FALSE(tree().List1.contains(take));
    const auto item = itemOf(kept);
    ASSERT_NE(item, 0u);
    EXPECT_EQ(tree().text(item), ShowFullPath != 0 ? kept : QStringLiteral("kept.wav"));
    EXPECT_EQ(itemOf(take), 0u);
    EXPECT_EQ(node(ShowFullPath != 0 ? take : QStringLiteral("take.wav")), 0u);

    // An MP3 renamed with another ending leaves the MP3 group and its list.
    const QString wavName = dest.filePath(QStringLiteral("was mp3.wav"));
    window->Text5->setText(mp3);
    dialogs().files = {{wavName}};
    window->Command2_Click();
    EXPECT_FALSE(tree().List2.contains(mp3));
    EXPECT_TRUE(tree().List1.contains(wavName));
    EXPECT_EQ(tree().groupOf(tree().parentOf(itemOf(wavName))), SourceTree::Group::Wav);

    const QString nowhere = dest.filePath(QStringLiteral("no such folder/x.wav"));
    window->Text5->setText(kept);
    dialogs().clear();
    dialogs().files = {{nowhere}};
    window->Command2_Click();
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    EXPECT_EQ(dialogs().lastMessage()->icon, dialogs::Icon::Critical);
    EXPECT_EQ(
        dialogs().lastMessage()->text,
        QStringLiteral("Cannot rename %1 to %2: No such file or directory").arg(kept, nowhere));
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_EQ(window->Text5->text(), kept);
    EXPECT_TRUE(tree().List1.contains(kept));
}

// A name on another file system moves the file there: copied whole with its permissions,
// replacing the file of that name (after "Yes"), no temporary file left; the list follows.
TEST_F(PlayListTest, RenameOntoAnotherFileSystemMovesTheFile) {
    QTemporaryDir other(QStringLiteral("/dev/shm/vortan-playlist-XXXXXX"));
    if (!other.isValid() || QStorageInfo(other.path()) == QStorageInfo(dest.path()))
        GTEST_SKIP() << "no second file system to move to";
    const QString song = mp3File(QStringLiteral("song.mp3"));
    const QByteArray bytes = fixtures::readFile(song);
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                             QFile::WriteUser | QFile::ReadGroup; // neither 0644 nor 0600
    ASSERT_TRUE(QFile::setPermissions(song, permissions));
    setList({song});
    window->Text5->setText(song);
    const QString moved = other.filePath(QStringLiteral("song.mp3"));
    fixtures::writeFile(moved, "older");
    dialogs().files = {{moved}};
    dialogs().answers = {dialogs::Answer::Yes};
    window->Command2_Click();
    EXPECT_FALSE(QFile::exists(song));
    EXPECT_EQ(fixtures::readFile(moved), bytes);
    EXPECT_EQ(QFile::permissions(moved), permissions);
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("song.mp3")});
    EXPECT_EQ(entries(), QStringList{moved});
    EXPECT_EQ(playliststore::load(), QStringList{moved});
    EXPECT_EQ(window->Text5->text(), moved);
}

// Write tag says first what the tag cannot hold as typed ("No" writes nothing), then shows
// what the file holds: its tag, and its size with the block added.
TEST_F(PlayListTest, WriteTagSaysWhatChangesAndShowsWhatTheFileHolds) {
    const QString song = mp3File(QStringLiteral("song.mp3"));
    const qint64 size = QFileInfo(song).size();
    window->Text5->setText(song);
    window->cmdHdr2_Click();
    ASSERT_EQ(window->Text4[7]->text(), QStringLiteral("False"));
    window->Text4[2]->setText(QStringLiteral("Caf\u00E9 \u6771\u4EAC"));
    window->Text4[4]->setText(QStringLiteral("20245"));

    dialogs().answers = {dialogs::Answer::No};
    window->cmdTag_Click();
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    const dialogs::Message asked = *dialogs().lastMessage();
    EXPECT_EQ(asked.buttons, dialogs::Buttons::YesNo);
    EXPECT_TRUE(asked.text.contains(QStringLiteral("Title \"Caf\u00E9 \u6771\u4EAC\" is written "
                                                   "as \"Caf\u00E9 ??\"")))
        << asked.text.toStdString();
    EXPECT_TRUE(asked.text.contains(QStringLiteral("Year \"20245\" is written as \"2024\"")));
    EXPECT_EQ(QFileInfo(song).size(), size);

    dialogs().answers = {dialogs::Answer::Yes};
    window->cmdTag_Click();
    EXPECT_EQ(QFileInfo(song).size(), size + 128);
    EXPECT_EQ(window->Text4[7]->text(), QStringLiteral("True"));
    EXPECT_EQ(window->Text4[8]->text(), QString::number(size + 128) + QStringLiteral(" bytes"));
    EXPECT_EQ(window->Text4[2]->text(), QStringLiteral("Caf\u00E9 ??"));
    EXPECT_EQ(window->Text4[4]->text(), QStringLiteral("2024"));

    // Texts that fit are written without a question.
    dialogs().clear();
    window->Text4[2]->setText(QStringLiteral("Plain"));
    window->cmdTag_Click();
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_EQ(window->Text4[2]->text(), QStringLiteral("Plain"));
}

// The program's working folder is never the destination (its disk could not be unmounted);
// a name without a folder still means a file in the destination.
TEST_F(PlayListTest, TheWorkingFolderIsNotTheDestinationAndNamesMeanFilesInIt) {
    EXPECT_NE(QDir::current().canonicalPath(), QDir(dest.path()).canonicalPath());
    const QString song = mp3File(QStringLiteral("song.mp3"));
    window->Text5->setText(QStringLiteral("song.mp3"));
    window->cmdHdr2_Click();
    EXPECT_EQ(window->List1->count(), 12);
    EXPECT_EQ(window->Text4[8]->text(),
              QString::number(QFileInfo(song).size()) + QStringLiteral(" bytes"));
    window->Text5->clear();
    window->cmdHdr1_Click(); // the file dialog starts in the destination
    ASSERT_NE(dialogs().last(QStringLiteral("openFiles")), nullptr);
    EXPECT_EQ(dialogs().last(QStringLiteral("openFiles"))->prompt, dest.path());
}

// Tab follows the reading order: the list, its player, its file buttons; then the current
// file, its tag fields, and the buttons that read and write them.
TEST_F(PlayListTest, TabFollowsTheReadingOrder) {
    std::vector<QWidget*> chain;
    QWidget* w = window->List2;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window))
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != window->List2);
    auto at = [&](QWidget* control) {
        return std::find(chain.begin(), chain.end(), control) - chain.begin();
    };
    EXPECT_LT(at(window->Command11), at(window->Command20));
    EXPECT_LT(at(window->Command12), at(window->Command20));
    EXPECT_LT(at(window->Command20), at(window->Command10));
    EXPECT_LT(at(window->Command10), at(window->Text5));
    EXPECT_LT(at(window->Text5), at(window->Text4[1]));
    for (int i = 1; i < 8; ++i)
        EXPECT_LT(at(window->Text4[i]), at(window->Text4[i + 1])) << i;
    EXPECT_LT(at(window->Text4[6]), at(window->cmdHdr2));
    EXPECT_LT(at(window->cmdHdr2), at(window->cmdTag));
    EXPECT_LT(at(window->cmdTag), static_cast<std::ptrdiff_t>(chain.size()));
}

// The main window's Playlist button opens the one window; Close Player closes it.
TEST_F(PlayListTest, MainWindowOpensAndClosesTheWindow) {
    delete window;
    frmPlayList::serve(*form);
    form->C5555555->click();
    form->mnuPlaylist->trigger();
    window = frmPlayList::instance();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(form->findChildren<frmPlayList*>().size(), 1);
    form->Command4->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
}

} // namespace
