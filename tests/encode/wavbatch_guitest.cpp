// The main window's WAV encoding command and its lists, on the real window offscreen.
#include "fixtures.h"
#include "formtest.h"
#include "mp3decode.h"
#include "progressgate.h"
#include "scripteddialogs.h"

#include "engine/formats/mp3info.h"
#include "engine/platform/id3tag/id3tag.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

class WavBatchTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        WriteSetting(SettingKey::EncodingBitrate, QStringLiteral("8")); // 128 kbit/s
    }
    QString wav(const QString& name, double seconds = 1.0) {
        const QString p = dest.filePath(name);
        fixtures::writeFile(p, fixtures::wavBytes(fixtures::sine(440, seconds)));
        return p;
    }
    QString mp3(const QString& base) const { return dest.filePath(base + QStringLiteral(".mp3")); }
    // The title an MP3's ID3v2 tag gives; empty when it has none.
    static QString taggedTitle(const QString& path) {
        const auto frames = id3tag::readFrames(path);
        if (frames)
            for (const id3tag::Frame& f : frames.value())
                if (f.id == QLatin1String("TIT2"))
                    return f.text;
        return {};
    }

    Form1& load() {
        FormTest::load();
        form->Timer1->stop();
        // Remember what the window shows whenever a file's progress moves (files of more than
        // one chunk, so the bar moves within each of them): the caption as the file started,
        // which follows the progress figure.
        QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged, [this](int) {
            const QString shown = form->windowTitle();
            titles << shown;
            const QString title = shown.contains(QStringLiteral(" - "))
                                      ? shown.section(QStringLiteral(" - "), 1)
                                      : shown;
            if (seen.isEmpty() || seen.last().title != title)
                seen.append({title, form->Label3->text(), form->Label2->text()});
        });
        return *form;
    }
    void run(const QString& nodeText) {
        SourceTree& t = form->tree();
        const auto id = t.findByText(nodeText);
        ASSERT_NE(id, 0u) << nodeText.toStdString();
        t.setSelectedNode(id);
        form->cmdEncFile_Click();
        waitForJob();
    }
    // As the user starts it: through the action button.
    void start(const QString& nodeText) {
        select(nodeText);
        form->CmdSelectAction_Click();
        waitForJob();
    }
    struct Captions {
        QString title, label3, label2;
    };
    QList<Captions> seen;
    QStringList titles; // the window's caption at each move of the bar
};

} // namespace

TEST_F(WavBatchTest, WavFilesGroupEncodesEachFileWithItsCaptions) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString lower = wav(QStringLiteral("Low.wav"), 2.5);
    const QString upper = wav(QStringLiteral("Up.WAV"), 2.5);
    Form1& w = load();
    ASSERT_EQ(w.tree().List1.count(), 2);
    const QString first = w.tree().List1.at(0), second = w.tree().List1.at(1);

    run(SourceTree::WavText);
    EXPECT_TRUE(w.Timer1->isActive());
    ASSERT_EQ(seen.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QString path = i == 0 ? first : second;
        const QString name = QFileInfo(path).completeBaseName();
        EXPECT_EQ(seen[i].title, QStringLiteral("Encoding ") + QFileInfo(path).fileName());
        EXPECT_EQ(seen[i].label3, QStringLiteral("Encoding #%1 of 2 files").arg(i + 1));
        EXPECT_EQ(seen[i].label2, QStringLiteral("Destination:  ") + dest.path() +
                                      QLatin1Char('/') + name + QStringLiteral(".mp3"));
    }
    // The caption, which the tray's tip follows, shows the progress: "42.1% - Encoding ...".
    const QRegularExpression withFigure(QStringLiteral("^\\d{2,3}\\.\\d% - Encoding \\S+$"));
    ASSERT_FALSE(titles.isEmpty());
    for (const QString& title : titles)
        EXPECT_TRUE(withFigure.match(title).hasMatch()) << title.toStdString();
    // Every source goes once its MP3 is whole, ".WAV" as well as ".wav".
    for (const QString& source : {lower, upper}) {
        EXPECT_FALSE(QFileInfo::exists(source));
        EXPECT_EQ(w.tree().findByText(source), 0u);
    }
    for (const QString& base : {QStringLiteral("Low"), QStringLiteral("Up")}) {
        const auto d = mp3decode::decodeFile(mp3(base));
        ASSERT_TRUE(d.ok) << base.toStdString();
        EXPECT_EQ(d.frames.front().bitrateKbps, 128);
        EXPECT_TRUE(w.tree().List2.contains(mp3(base)));
        EXPECT_NE(w.tree().findByText(mp3(base)), 0u);
    }
    EXPECT_TRUE(dialogs().records.empty());
}

TEST_F(WavBatchTest, EmptyGroupEncodesNothingButStillResetsAndOtherNodesDoNothing) {
    Form1& w = load();
    run(SourceTree::SelectedMp3Text);
    EXPECT_FALSE(w.Timer1->isActive());
    run(SourceTree::WavText);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_TRUE(dialogs().records.empty());
}

TEST_F(WavBatchTest, SmallMp3sAreListedOnlyFromTheSelectedGroup) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    WriteSetting(SettingKey::EncodingBitrate, QStringLiteral("0")); // 32 kbit/s: tiny frames
    const QString tiny = wav(QStringLiteral("tiny.wav"), 0.02);
    Form1& w = load();

    run(SourceTree::WavText);
    // What counts is the MP3 after its ID3v2 tag.
    const qint64 size = sizeAfterId3v2(mp3(QStringLiteral("tiny")));
    ASSERT_GT(size, 99);
    ASSERT_LE(size, 1000);
    EXPECT_FALSE(w.tree().List2.contains(mp3(QStringLiteral("tiny"))));

    w.tree().List5.add(tiny);
    run(SourceTree::SelectedWavText);
    // The first MP3 stays: the second one is written beside it.
    EXPECT_TRUE(w.tree().List2.contains(mp3(QStringLiteral("tiny (2)"))));
    EXPECT_TRUE(QFileInfo::exists(tiny)); // "Delete WAV" is off
}

TEST_F(WavBatchTest, FailedFilesKeepTheirSourceAndAreNamedInOneMessageAtTheEnd) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString broken = dest.filePath(QStringLiteral("broken.wav"));
    fixtures::writeFile(broken, QByteArray("not audio at all").repeated(20));
    // A valid header announcing no audio at all.
    const QString silent = dest.filePath(QStringLiteral("silent.wav"));
    fixtures::writeFile(silent, fixtures::wavBytes({}));
    const QString good = wav(QStringLiteral("good.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.setItems({broken, silent, good});

    run(SourceTree::SelectedWavText);
    for (const QString& kept : {broken, silent})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("broken"))));
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("silent"))));
    EXPECT_FALSE(QFileInfo::exists(good));
    EXPECT_TRUE(mp3decode::decodeFile(mp3(QStringLiteral("good"))).ok);

    // No box per file: one message once the batch is over, naming each file.
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const dialogs::Message m = *dialogs().lastMessage();
    EXPECT_EQ(m.title, QStringLiteral("Critical error..."));
    EXPECT_EQ(m.icon, dialogs::Icon::Critical);
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("2 of 3 files could not be encoded:")));
    EXPECT_TRUE(m.text.contains(broken));
    EXPECT_TRUE(m.text.contains(silent));
    EXPECT_FALSE(m.text.contains(good));
}

TEST_F(WavBatchTest, AbortEndsTheFileProperlyKeepsItsSourceAndStartsNoOther) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString longOne = wav(QStringLiteral("long.wav"), 12.0);
    const QString next = wav(QStringLiteral("next.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.setItems({longOne, next});
    ProgressGate underWay([](const WorkItem& item, int) { return item.index == 0; });
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    ASSERT_TRUE(underWay.waitHeld());
    w.Command2->click();
    underWay.release();
    waitForJob();

    EXPECT_TRUE(QFileInfo::exists(longOne));
    const auto d = mp3decode::decodeFile(mp3(QStringLiteral("long")));
    ASSERT_TRUE(d.ok); // shorter, playable, tagged
    EXPECT_LT(d.seconds(), 10.0);
    EXPECT_EQ(taggedTitle(mp3(QStringLiteral("long"))), QStringLiteral("long"));
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("next"))));
    EXPECT_TRUE(QFileInfo::exists(next));
    // Named as cut, not as converted.
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().lastMessage()->text,
              QStringLiteral("1 of 2 files could not be encoded:\n\n") + longOne +
                  QStringLiteral(": aborted: ") + mp3(QStringLiteral("long")) +
                  QStringLiteral(" holds only what was encoded before the abort"));
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
}

TEST_F(WavBatchTest, StopEndsTheBatchBeforeItsNextFileAndTheWindowSaysSo) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    const QString a = wav(QStringLiteral("a.wav"), 3.0);
    const QString b = wav(QStringLiteral("b.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.add(a);
    w.tree().List5.add(b);
    // Stopped at its first progress step; the steps after it reach the window while the file
    // winds down (an item's progress always comes before its end).
    bool stopped = false;
    QString windingDown;
    bool lockedWhileWindingDown = false;
    QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && !stopped) {
            stopped = true;
            w.Command8->click();
        } else if (value > 50 && stopped && windingDown.isEmpty()) {
            windingDown = w.Label3->text();
            lockedWhileWindingDown = !w.CmdSelectAction->isEnabled();
        }
    });
    start(SourceTree::SelectedWavText);
    // The file under way runs to its end, and the window says so meanwhile; the next one
    // never starts.
    EXPECT_EQ(windingDown, QStringLiteral("Stopping after the current file..."));
    EXPECT_TRUE(lockedWhileWindingDown);
    const auto d = mp3decode::decodeFile(mp3(QStringLiteral("a")));
    ASSERT_TRUE(d.ok);
    EXPECT_NEAR(d.seconds(), 3.0, 0.06);
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("b"))));
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
}

TEST_F(WavBatchTest, StartReturnsWhileTheBatchRunsAndItsStepsFollowItsEnd) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString a = wav(QStringLiteral("a.wav"), 20.0);
    Form1& w = load();
    w.tree().List5.setItems({a});
    select(SourceTree::SelectedWavText);
    QTest::mouseClick(w.CmdSelectAction, Qt::LeftButton);

    // The click has returned with the file under way: the window is locked, and its source,
    // listing and idle display wait for the end.
    EXPECT_TRUE(w.isJobRunning());
    EXPECT_FALSE(w.CmdSelectAction->isEnabled());
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(w.tree().findByText(mp3(QStringLiteral("a"))), 0u);
    EXPECT_FALSE(w.Timer1->isActive());
    QTest::mouseClick(w.CmdSelectAction, Qt::LeftButton); // locked: starts nothing

    waitForJob();
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_NE(w.tree().findByText(mp3(QStringLiteral("a"))), 0u);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
    ASSERT_EQ(w.lastBatch().results.size(), 1);
    EXPECT_EQ(w.lastBatch().results[0].status, JobResult::Status::Completed);
    EXPECT_NEAR(mp3decode::decodeFile(mp3(QStringLiteral("a"))).seconds(), 20.0, 0.06);
    EXPECT_TRUE(dialogs().messages().empty());
}

TEST_F(WavBatchTest, ClosingDuringTheBatchEndsTheFileProperlyThenCloses) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString a = wav(QStringLiteral("a.wav"), 12.0);
    const QString b = wav(QStringLiteral("b.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.setItems({a, b});
    QSignalSpy end(&w, &Form1::programEndRequested);
    ProgressGate underWay([](const WorkItem& item, int) { return item.index == 0; });
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    ASSERT_TRUE(underWay.waitHeld());
    w.close();                 // the window manager's close button
    EXPECT_EQ(end.count(), 0); // the job winds down first
    underWay.release();
    waitForJob();

    EXPECT_EQ(end.count(), 1);
    EXPECT_FALSE(w.isVisible());
    const auto d = mp3decode::decodeFile(mp3(QStringLiteral("a")));
    ASSERT_TRUE(d.ok); // ended properly, only shorter, and tagged
    EXPECT_LT(d.seconds(), 12.0);
    EXPECT_EQ(taggedTitle(mp3(QStringLiteral("a"))), QStringLiteral("a"));
    EXPECT_TRUE(QFileInfo::exists(a)); // an incomplete MP3 never replaces its source
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("b"))));
    EXPECT_TRUE(dialogs().messages().empty()); // the user is leaving: no news of the abort
}

TEST_F(WavBatchTest, NoOutputReplacesAFile) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    ASSERT_TRUE(QDir(dest.path()).mkpath(QStringLiteral("one")));
    ASSERT_TRUE(QDir(dest.path()).mkpath(QStringLiteral("two")));
    const QString first = dest.filePath(QStringLiteral("one/take.wav"));
    const QString second = dest.filePath(QStringLiteral("two/take.wav"));
    fixtures::writeFile(first, fixtures::wavBytes(fixtures::sine(440, 1.0)));
    fixtures::writeFile(second, fixtures::wavBytes(fixtures::sine(1500, 1.0)));
    // An MP3 the batch did not make.
    const QString foreign = mp3(QStringLiteral("song"));
    fixtures::writeFile(foreign, QByteArray("someone else's file").repeated(10));
    const QString song = wav(QStringLiteral("song.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.setItems({first, second, song});

    run(SourceTree::SelectedWavText);
    // Each recording exists once as MP3, under a name of its own; both sources went only
    // after their own MP3 was complete.
    const auto one = mp3decode::decodeFile(mp3(QStringLiteral("take")));
    const auto two = mp3decode::decodeFile(mp3(QStringLiteral("take (2)")));
    ASSERT_TRUE(one.ok);
    ASSERT_TRUE(two.ok);
    EXPECT_NEAR(fixtures::dominantFrequency(one.samples, 44100, 2), 440, 10);
    EXPECT_NEAR(fixtures::dominantFrequency(two.samples, 44100, 2), 1500, 10);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(fixtures::readFile(foreign), QByteArray("someone else's file").repeated(10));
    EXPECT_TRUE(mp3decode::decodeFile(mp3(QStringLiteral("song (2)"))).ok);
    EXPECT_TRUE(w.tree().List2.contains(mp3(QStringLiteral("take (2)"))));
    EXPECT_TRUE(dialogs().messages().empty());
}

TEST_F(WavBatchTest, TheBatchWalksTheListAsItWasWhenItStarted) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    QStringList files;
    for (const char* name : {"w1.wav", "w2.wav", "w3.wav", "w4.wav"})
        files << wav(QString::fromLatin1(name), 2.5);
    Form1& w = load();
    w.tree().List5.setItems(files);
    QStringList started;
    QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value == 0 || started.contains(CurrentFile))
            return;
        started << CurrentFile;
        if (started.size() == 2) {
            // While the second file encodes, the user refreshes the lists (which empties
            // "Selected WAV Files") and the fourth file is deleted.
            w.C1212->click();
            QFile::remove(files[3]);
        }
    });

    run(SourceTree::SelectedWavText);
    EXPECT_EQ(started, files.mid(0, 3)); // each once, in order
    for (const char* base : {"w1", "w2", "w3"})
        EXPECT_TRUE(mp3decode::decodeFile(mp3(QString::fromLatin1(base))).ok) << base;
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("w4"))));
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(
        dialogs().lastMessage()->text.contains(files[3] + QStringLiteral(": File not found")));
}

TEST_F(WavBatchTest, QuittingTheApplicationEndsTheFileAndTheBatch) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString a = wav(QStringLiteral("a.wav"), 12.0);
    const QString b = wav(QStringLiteral("b.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.setItems({a, b});
    w.tree().setSelectedNode(w.tree().findByText(SourceTree::SelectedWavText));
    w.cmdEncFile_Click();
    // The application's loop is told to end while the first file encodes; the program then
    // ends the window, as its entry does.
    QTimer::singleShot(0, &w, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    form.reset();

    const auto d = mp3decode::decodeFile(mp3(QStringLiteral("a")));
    ASSERT_TRUE(d.ok); // shorter, properly ended
    EXPECT_LT(d.seconds(), 12.0);
    EXPECT_TRUE(QFileInfo::exists(a)); // not complete: kept
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("b"))));
    EXPECT_TRUE(QFileInfo::exists(b));
}

TEST_F(WavBatchTest, SingleNodeIsFoundByFileNameInTheLists) {
    WriteSetting(SettingKey::ShowFullPath, QStringLiteral("0"));
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString song = wav(QStringLiteral("Song.wav"), 1.0);
    Form1& w = load();
    ASSERT_NE(w.tree().findByText(QStringLiteral("Song.wav")), 0u);

    run(QStringLiteral("Song.wav"));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].title, QStringLiteral("Encoding Song.wav"));
    EXPECT_EQ(seen[0].label3, QStringLiteral("Encoding ") + song);
    EXPECT_EQ(seen[0].label2, QStringLiteral("Destination:  ") + mp3(QStringLiteral("Song")));
    EXPECT_EQ(CurrentFile, mp3(QStringLiteral("Song")));
    EXPECT_FALSE(QFileInfo::exists(song));
    EXPECT_TRUE(mp3decode::decodeFile(mp3(QStringLiteral("Song"))).ok);
    EXPECT_NE(w.tree().findByText(QStringLiteral("Song.mp3")), 0u);
    EXPECT_TRUE(w.Timer1->isActive());
}

TEST_F(WavBatchTest, SingleShortNameNodeOfAnUpperCaseExtensionFindsItsFile) {
    // Short-name mode shows "Take.WAV" as "Take.wav"; the node still names that file.
    WriteSetting(SettingKey::ShowFullPath, QStringLiteral("0"));
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    const QString take = wav(QStringLiteral("Take.WAV"), 1.0);
    Form1& w = load();
    ASSERT_NE(w.tree().findByText(QStringLiteral("Take.wav")), 0u);

    run(QStringLiteral("Take.wav"));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].label3, QStringLiteral("Encoding ") + take);
    EXPECT_TRUE(mp3decode::decodeFile(mp3(QStringLiteral("Take"))).ok);
    EXPECT_FALSE(QFileInfo::exists(take)); // one extension rule: "Take.WAV" is a WAV too
    EXPECT_TRUE(dialogs().records.empty());
}

TEST_F(WavBatchTest, EncoderListsShowTheTablesAndStoreTheChoice) {
    WriteSetting(SettingKey::EncodingQuality, QStringLiteral("8"));
    Form1& w = load();
    QStringList bitrates, qualities;
    for (int i = 0; i < w.cmbBitrate->count(); ++i)
        bitrates << w.cmbBitrate->itemText(i);
    for (int i = 0; i < w.cmbQuality->count(); ++i)
        qualities << w.cmbQuality->itemText(i);
    EXPECT_EQ(bitrates.join(QLatin1Char(' ')),
              QStringLiteral("32 40 48 56 64 80 96 112 128 160 192 224 256 320"));
    EXPECT_EQ(qualities.join(QLatin1Char(' ')),
              QStringLiteral("Low Normal High Voice Phone Radio Tape Hifi CD Studio"));
    EXPECT_EQ(w.cmbBitrate->currentIndex(), 8);
    EXPECT_EQ(w.cmbQuality->currentText(), QStringLiteral("CD"));

    w.cmbBitrate->setCurrentIndex(w.cmbBitrate->findText(QStringLiteral("320")));
    EXPECT_EQ(settings::readText(SettingKey::EncodingBitrate, {}), QStringLiteral("13"));
    EXPECT_EQ(EncodingBitrate, 13);
    w.cmbQuality->setCurrentIndex(w.cmbQuality->findText(QStringLiteral("Studio")));
    EXPECT_EQ(settings::readText(SettingKey::EncodingQuality, {}), QStringLiteral("9"));
    EXPECT_EQ(EncodingQuality, 9);

    // The next file is encoded at the new bitrate.
    const QString p = wav(QStringLiteral("next.wav"), 0.5);
    w.tree().List5.add(p);
    run(SourceTree::SelectedWavText);
    const auto d = mp3decode::decodeFile(mp3(QStringLiteral("next")));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.frames.front().bitrateKbps, 320);
}

// After a batch that deleted its sources, Start acts on what the tree shows: nothing of the
// finished batch is tried again, and the line says so.
TEST_F(WavBatchTest, StartAfterABatchActsOnWhatTheTreeShows) {
    WriteSetting(SettingKey::ShowFullPath, QStringLiteral("0"));
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1"));
    wav(QStringLiteral("one.wav"));
    wav(QStringLiteral("two.wav"));
    Form1& w = load();
    for (const QString& name : {QStringLiteral("one.wav"), QStringLiteral("two.wav")}) {
        w.tree().setSelectedNode(w.tree().findByText(name));
        w.tree().MoveSelectedNode();
    }
    start(SourceTree::SelectedWavText);
    ASSERT_TRUE(QFileInfo::exists(mp3(QStringLiteral("one"))));
    ASSERT_TRUE(QFileInfo::exists(mp3(QStringLiteral("two"))));
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_TRUE(w.tree().List5.isEmpty());
    EXPECT_TRUE(childTexts(SourceTree::SelectedWavText).isEmpty());

    w.Timer1_Timer(); // the display's reset after the job
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action: Make a selection"));
    start(SourceTree::SelectedWavText);
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("one (2)"))));
}

// Start chooses the job by what the node is: a WAV named like a track is encoded, and so is
// a WAV whose name ends in upper case.
TEST_F(WavBatchTest, AWavNamedLikeATrackOrInUpperCaseIsEncoded) {
    WriteSetting(SettingKey::ShowFullPath, QStringLiteral("0"));
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    wav(QStringLiteral("Track 03.wav"));
    Form1& w = load();
    select(QStringLiteral("Track 03.wav"));
    w.Timer1_Timer();
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Next Action:  Process  Track 03.wav"));
    start(QStringLiteral("Track 03.wav"));
    EXPECT_TRUE(mp3decode::decodeFile(mp3(QStringLiteral("Track 03"))).ok);
    EXPECT_TRUE(dialogs().messages().empty()); // no "You must select tracks to record."

    WriteSetting(SettingKey::ShowFullPath, QStringLiteral("1"));
    const QString upper = wav(QStringLiteral("UPPER.WAV"));
    w.tree().showfiles();
    start(upper);
    EXPECT_TRUE(mp3decode::decodeFile(mp3(QStringLiteral("UPPER"))).ok);
}
