// The file finder window, opened from a loaded main window, offscreen.
#include "engine/core/paths.h"
#include "engine/prefs/mounttable.h"
#include "formtest.h"
#include "window/prefs/folderlist.h"
#include "window/search/frmsearch.h"
#include "walkgate.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include <functional>
#include <memory>

namespace {

class FinderTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(disk.isValid());
        root = disk.path() + QLatin1Char('/');
    }
    void TearDown() override {
        QFile::remove(ProgramFolder() + QStringLiteral("/Templat1.htm"));
        FormTest::TearDown();
    }
    // Creates root/relative with 200 bytes (enough for the tree to take it).
    QString make(const QString& relative) {
        const QString path = root + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(200, 'x'));
        return path;
    }
    FrmSearch& open() {
        load();
        FrmSearch::serve(*form);
        form->C777->click();
        finder = form->findChild<FrmSearch*>();
        EXPECT_NE(finder, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(finder.data()));
        return *finder;
    }
    // Searches `folder` (default: root) for `type`, optionally `name`, and waits until the
    // search has ended (or the window is gone). `during` runs once, right after the window has
    // shown the walk's first report.
    void search(const QString& type, const QString& name = {}, const QString& folder = {},
                std::function<void()> during = {}) {
        finder->Dir1->setPath(folder.isEmpty() ? root : folder);
        finder->zFileExt->setText(type);
        finder->Text1->setText(name);
        auto once = std::make_shared<QMetaObject::Connection>();
        if (during)
            *once = QObject::connect(&finder->walker(), &SearchWalker::progress, finder,
                                     [once, during] {
                                         QObject::disconnect(*once);
                                         during();
                                     });
        finder->Command1->click();
        EXPECT_TRUE(QTest::qWaitFor([this] { return finder.isNull() || !finder->searching(); }));
        QObject::disconnect(*once);
    }
    // Holds the walk before each folder until release().
    void holdWalk() {
        walkGate.hold(finder->walker());
    }
    void release() { walkGate.release(); }
    static QStringList items(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    QStringList results() const {
        QStringList out;
        for (const QString& path : items(finder->lstfiles))
            out << (path.startsWith(root) ? path.mid(root.size()) : path);
        return out;
    }
    void rightPress(const QString& relative) {
        const auto found = finder->lstfiles->findItems(root + relative, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << relative.toStdString();
        finder->lstfiles->scrollToItem(found.front());
        QTest::mousePress(finder->lstfiles->viewport(), Qt::RightButton, {},
                          finder->lstfiles->visualItemRect(found.front()).center());
    }

    QTemporaryDir disk;
    QString root;
    QPointer<FrmSearch> finder;
    WalkGate walkGate;
};

} // namespace

TEST_F(FinderTest, SearchMatchesTypeAndExactNameAndShowsItsProgress) {
    for (const char* name : {"Song.WAV", "b.wav", "live.mix.wav", "Intro.wav", "intro2.wav",
                             "notes.txt", "sub/c.wav", "sub/deeper/d.wav", ".hidden/e.wav"})
        make(QString::fromLatin1(name));
    FrmSearch& f = open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("File Finder"));
    EXPECT_EQ(f.searchTabs->tabText(0), QStringLiteral("Local Search "));
    EXPECT_EQ(f.searchTabs->tabText(1), QStringLiteral("Internet Search"));
    EXPECT_EQ(f.zFileExt->text(), QStringLiteral(".wav"));
    EXPECT_EQ(f.lbltime->text(), QStringLiteral("Time taken: 0 second(s)"));
    form->mnuSearch->trigger();
    EXPECT_EQ(form->findChildren<FrmSearch*>().size(), 1); // one window at a time

    // Drive1 follows the folder chosen in Dir1.
    f.Dir1->setPath(root);
    EXPECT_EQ(f.Drive1->currentData().toString(), mounts::mountForPath(root)->mountPoint);

    // "WAV" becomes ".wav"; the lists are hidden while the search runs.
    f.chkhidelist->setChecked(true);
    QStringList seen;
    search(QStringLiteral("WAV"), {}, {}, [&] {
        seen << f.Command1->text() << QString::number(f.lstfiles->isHidden())
             << QString::number(f.List1->isHidden()) << QString::number(f.Drive1->isEnabled())
             << QString::number(f.chkhidelist->isEnabled()) << f.lbltime->text();
    });
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Stop!"), QStringLiteral("1"), QStringLiteral("1"),
                                 QStringLiteral("0"), QStringLiteral("0"),
                                 QStringLiteral("Searching . . . ") + root}));
    EXPECT_EQ(f.zFileExt->text(), QStringLiteral(".wav"));
    // Paths keep their case; "live.mix.wav" has the type ".mix.wav"; dot folders are skipped.
    EXPECT_EQ(results(), texts({"b.wav", "Intro.wav", "intro2.wav", "Song.WAV", "sub/c.wav",
                                "sub/deeper/d.wav"}));
    // Each folder found goes in right behind the start folder.
    EXPECT_EQ(items(f.List1), (QStringList{root, root + QStringLiteral("sub/deeper/"),
                                           root + QStringLiteral("sub/")}));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Directories: 2   Files:  6"));
    EXPECT_TRUE(f.lbltime->text().startsWith(QStringLiteral("Time taken: ")));
    EXPECT_TRUE(f.lbltime->text().endsWith(QStringLiteral(" second(s)")));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Search !"));
    EXPECT_TRUE(f.lstdirs->count() == 0 && f.lstfiles->isVisible() && f.List1->isVisible());
    EXPECT_TRUE(f.Drive1->isEnabled() && f.Text1->isEnabled() && f.zFileExt->isEnabled() &&
                f.chkhidelist->isEnabled());

    search(QStringLiteral(".wav"), QStringLiteral("intro"));
    EXPECT_EQ(results(), texts({"Intro.wav"}));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Directories: 2   Files:  1"));
}

TEST_F(FinderTest, StopOrCloseEndsTheSearchAfterTheFolderInProgress) {
    // A start folder whose "Searching . . . " caption is over 200 characters.
    const QString start = QStringLiteral("%1/%2/").arg(QString(120, QLatin1Char('s')),
                                                       QString(120, QLatin1Char('t')));
    make(start + QStringLiteral("own.wav"));
    for (int i = 0; i < 30; ++i)
        make(start + QStringLiteral("f%1/x.wav").arg(i, 2, 10, QLatin1Char('0')));
    FrmSearch& f = open();

    // Stopped while the start folder is about to be read.
    QString caption;
    holdWalk();
    search(QStringLiteral("wav"), {}, root + start, [&] {
        caption = f.lbltime->text();
        f.Command1->click();
        // Still reading the start folder: the button shows what it will do next.
        EXPECT_EQ(f.Command1->text(), QStringLiteral("Search !"));
        EXPECT_EQ(f.lstdirs->count(), 0);
        release();
    });
    EXPECT_EQ(caption.size(), 200);
    EXPECT_TRUE(caption.startsWith(root + QStringLiteral("sss")));
    EXPECT_TRUE(caption.endsWith(QStringLiteral("...")));
    EXPECT_EQ(results(), QStringList{start + QStringLiteral("own.wav")});
    EXPECT_EQ(f.List1->count(), 31); // its subfolders were seen, none was searched
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Directories: 30   Files:  1"));
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_FALSE(f.searching());

    // Closing during a search ends it and the window goes.
    holdWalk();
    search(QStringLiteral("wav"), {}, root + start, [&] {
        release();
        f.cmdend->click();
        EXPECT_TRUE(f.isHidden());
        EXPECT_FALSE(f.searching());
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(finder.isNull());
}

// From the keyboard: the key that pressed "Search !" presses "Stop!" (the button keeps the
// focus), pressed again while the stopped walk finishes it searches once that has ended; Tab
// into the results chooses one, so Shift+F10 opens its menu. The finder starts in the
// destination, and its drive box is named by its label for a screen reader.
TEST_F(FinderTest, TheKeyboardSearchesStopsAndChoosesAResult) {
    const QString only = make(QStringLiteral("music/only.mp3"));
    FrmSearch& f = open();
    EXPECT_EQ(f.Dir1->path(), DecodePath);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.Dir1->setPath(root);
    f.zFileExt->setText(QStringLiteral("mp3"));
    f.Command1->setFocus();
    holdWalk();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(f.searching());
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Stop!"));
    EXPECT_EQ(QApplication::focusWidget(), f.Command1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Search !"));
    EXPECT_TRUE(f.walker().stopRequested());
    EXPECT_EQ(QApplication::focusWidget(), f.Command1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // while the walk finishes
    release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.searching() && f.lstfiles->count() == 1; }));
    EXPECT_FALSE(f.walker().stopRequested()); // the second search ran to its end
    EXPECT_EQ(f.lstfiles->item(0)->text(), only);

    release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.searching(); }));
    f.lstfiles->setFocus(Qt::TabFocusReason);
    ASSERT_NE(f.lstfiles->currentItem(), nullptr);
    EXPECT_TRUE(f.lstfiles->currentItem()->isSelected());
    QTest::keyClick(f.lstfiles, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.mnupopup->isVisible(); }, 1000));
    f.mnupopup->hide();

    QAccessibleInterface* drive = QAccessible::queryAccessibleInterface(f.Drive1);
    ASSERT_NE(drive, nullptr);
    const auto labels = drive->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), QStringLiteral("Drive:"));
}

TEST_F(FinderTest, RightClickMenuSendsAudioResultsToTheTreeOrDeletesThem) {
    const QString song = make(QStringLiteral("Music/Song.WAV"));
    const QString other = make(QStringLiteral("Music/other.wav"));
    make(QStringLiteral("Music/notes.txt"));
    FrmSearch& f = open();

    search(QStringLiteral("txt"));
    rightPress(QStringLiteral("Music/notes.txt"));
    EXPECT_FALSE(f.mnupopup->isVisible());

    search(QStringLiteral("wav"));
    rightPress(QStringLiteral("Music/Song.WAV"));
    EXPECT_TRUE(f.mnupopup->isVisible());
    f.mnupopup->hide();
    EXPECT_EQ(f.lstfiles->currentItem()->text(), song);
    // From the keyboard too, at the selected entry.
    QTest::keyClick(f.lstfiles, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(f.mnupopup->isVisible());
    f.mnupopup->hide();

    // Into the tree and its list once, with its case.
    f.mnuSeelectfile->trigger();
    EXPECT_TRUE(QTest::qWaitFor([this, &song] {
        return tree().findByText(ShowFullPath != 0 ? song : QStringLiteral("Song.WAV")) != 0;
    }));
    QTest::qWait(30); // then filed in its list
    EXPECT_EQ(tree().List1.items().count(song), 1);

    // Delete: "No" keeps both file and entry, "Yes" removes both.
    dialogs().answers = {dialogs::Answer::No, dialogs::Answer::Yes};
    f.mnuDelete->trigger();
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    const dialogs::Message asked = *dialogs().lastMessage();
    EXPECT_EQ(asked.title, QStringLiteral("Delete File"));
    EXPECT_EQ(asked.text, QStringLiteral("Are you sure you want to delete this file?\n\n") + song);
    EXPECT_EQ(asked.icon, dialogs::Icon::Exclamation);
    EXPECT_EQ(asked.buttons, dialogs::Buttons::YesNoCancel);
    EXPECT_TRUE(QFile::exists(song));
    EXPECT_EQ(results(), texts({"Music/other.wav", "Music/Song.WAV"}));
    f.mnuDelete->trigger();
    EXPECT_FALSE(QFile::exists(song));
    EXPECT_TRUE(QTest::qWaitFor([this] { return results().size() == 1; })); // once settled
    EXPECT_EQ(results(), texts({"Music/other.wav"}));
    EXPECT_EQ(tree().findByText(ShowFullPath != 0 ? song : QStringLiteral("Song.WAV")), 0u);

    // A file that refuses to go keeps its entry; "Remove File from list" keeps the file.
    QFile::setPermissions(other, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    f.lstfiles->setCurrentRow(0);
    dialogs().answers = {dialogs::Answer::Yes};
    f.mnuDelete->trigger();
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return dialogs().lastMessage()->icon == dialogs::Icon::Critical; })); // says why
    EXPECT_EQ(results(), texts({"Music/other.wav"}));
    f.mnuRemoveFile->trigger();
    EXPECT_TRUE(results().isEmpty());
    EXPECT_TRUE(QFile::exists(other));

    f.mnuClose->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(finder.isNull());
}

TEST_F(FinderTest, WebSearchOpensTheEnginePageOrNamesTheEngineInvalid) {
    // The blank page is written and shown when the window becomes active.
    const QString page = ProgramFolder() + QStringLiteral("/Templat1.htm");
    QFile::remove(page);
    FrmSearch& f = open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QFile written(page);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("<html><head><title>title</title></head><body>\r\n"
                                            "\r\n"
                                            "</BODY></HTML>\r\n"));
    EXPECT_EQ(f.Web1->source(), QUrl::fromLocalFile(page));

    QStringList engines;
    for (int i = 0; i < f.search1->count(); ++i)
        engines << f.search1->itemText(i);
    EXPECT_EQ(engines, texts({"Yahoo", "Goto", "Google", "Altavista", "Go"}));
    EXPECT_EQ(f.search1->currentText(), QStringLiteral("search1"));
    EXPECT_EQ(f.Text3->text(), QStringLiteral("Keywords to search"));

    const QString invalid =
        QStringLiteral("Invalid Search Engine, Please enter a valid search engine");
    f.Cmdwebsearch->click(); // "search1" is no engine
    ASSERT_EQ(dialogs().records.size(), 1u);
    EXPECT_EQ(dialogs().records[0].message.title, QStringLiteral("Oops"));
    EXPECT_EQ(dialogs().records[0].message.text, invalid);

    f.search1->setEditText(QStringLiteral("google"));
    f.Cmdwebsearch->click();
    EXPECT_EQ(dialogs().records.back().kind, QStringLiteral("message"));

    f.search1->setCurrentIndex(2);
    f.Text3->setText(QStringLiteral("two words"));
    f.Cmdwebsearch->click();
    EXPECT_EQ(dialogs().records.back().kind, QStringLiteral("openUrl"));
    EXPECT_EQ(dialogs().records.back().url.toEncoded(),
              "http://www.google.com/search?hl=en&q=two+words&btnG=Google+Search");
    EXPECT_EQ(f.search1->currentText(), QStringLiteral("Google")); // kept after a click

    // Enter searches too, then the engine has to be chosen again.
    f.search1->setCurrentIndex(0);
    QTest::keyClick(f.Text3, Qt::Key_Return);
    EXPECT_EQ(dialogs().records.back().url.toEncoded(),
              "http://search.yahoo.com/bin/search?p=two+words");
    EXPECT_EQ(f.search1->currentText(), QString());
    QTest::keyClick(f.Text3, Qt::Key_Return);
    EXPECT_EQ(dialogs().records.back().message.title, QStringLiteral("Opps"));
    EXPECT_EQ(dialogs().records.back().message.text, invalid);
    QTest::keyClick(f.Text3, Qt::Key_A); // other keys do nothing
    EXPECT_EQ(dialogs().records.size(), 5u);

    // No web browser to show the results: said, with the address to open.
    dialogs().urlsOpen = false;
    f.search1->setCurrentIndex(2);
    f.Cmdwebsearch->click();
    ASSERT_EQ(dialogs().records.back().kind, QStringLiteral("message"));
    EXPECT_TRUE(dialogs().records.back().message.text.startsWith(
        QStringLiteral("No web browser could be started")));
    EXPECT_TRUE(dialogs().records.back().message.text.contains(
        QStringLiteral("\nhttp://www.google.com/search?hl=en&q=two+words")));
}
