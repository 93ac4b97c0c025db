// The main window's CD side over disc images: the listing, the messages, disc images opened
// from the File menu, and the one-step extraction batch.
#include "cdformtest.h"
#include "discimage.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "progressgate.h"
#include "riplogtext.h"
#include "ripsums.h"

#include "engine/cd/disc.h"
#include "engine/cd/modakrip32.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/mci/mci.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <cstring>

namespace {

constexpr int frameBytes = 2352;

using riplogtext::hex;
using riplogtext::ripLog;
using riplogtext::trackBlock;

const QString emptyDriveText = QStringLiteral(
    "The CD drive is empty. If you wish to use your CD as a source, please insert a music CD "
    "into the CD drive.");
const QString notMusicText = QStringLiteral(
    "The current CD is not a music CD. If you wish to use your CD as a source, please insert a "
    "music CD into the CD drive.");

TEST_F(CdFormTest, StartUpListsTheDiscOfTheFirstDrive) {
    const DiscImage image =
        disc(QStringLiteral("Album"), {{150, 440}, {27, 1000}, {4 * 75 + 10, 2000}});
    Form1& w = load();
    EXPECT_EQ(w.DriveList->count(), 1);
    EXPECT_EQ(w.DriveList->itemText(0), QStringLiteral("Album.cue"));
    const auto toc = cddrives::readToc(0);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(w.lblCDID->text(), QString::number(cddrives::freedbDiscId(toc.value())));
    EXPECT_EQ(w.lblNumTracks->text(), QStringLiteral("3"));
    EXPECT_EQ(tree().lstTracks.items(),
              texts({"Track  1 - 0:02", "Track  2 - 0:00", "Track  3 - 0:04"}));
    EXPECT_EQ(w.trackLengthsMs, (std::vector<std::int32_t>{0, 2000, 360, 4133}));
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), tree().lstTracks.items());
    // The disc's table of contents: track starts and the lead-out, as LBAs.
    const Disc read = readDisc(0);
    ASSERT_TRUE(read.toc);
    EXPECT_EQ(read.toc->trackStartLba[1], 150);
    EXPECT_EQ(read.toc->trackEnd(2), 150 + 27 + 310);
    EXPECT_TRUE(dialogs().messages().empty());
}

// A CD single is a music CD: listed and ripped. A disc without audio, and an empty drive, are
// said and list nothing.
TEST_F(CdFormTest, ADiscOfOneAudioTrackListsAndRipsWhileDataDiscsAndEmptyDrivesAreSaid) {
    const DiscImage single = disc(QStringLiteral("single"), {{200, 440}});
    Form1& w = load();
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_EQ(tree().lstTracks.items(), texts({"Track  1 - 0:02"}));
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(outputs().size(), 1);
    EXPECT_EQ(fixtures::readFile(outputs()[0]).mid(44), single.trackAudio(1));

    disc(QStringLiteral("data"), {{200, 0, {}, {}, true}});
    cddrives::setMediaDrive(1);
    dialogs().clear();
    w.cmdRefresh->click();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text, notMusicText);
    EXPECT_EQ(dialogs().messages()[0].icon, dialogs::Icon::None);
    EXPECT_TRUE(tree().lstTracks.isEmpty());

    // The disc taken out: the image's files are gone.
    const DiscImage gone = disc(QStringLiteral("gone"), {{200, 440}, {200, 880}});
    QFile::remove(gone.binPath);
    QFile::remove(gone.cuePath);
    cddrives::setMediaDrive(2);
    dialogs().clear();
    w.cmdRefresh->click();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text, emptyDriveText);
    EXPECT_TRUE(tree().lstTracks.isEmpty());
}

// A disc changed in the drive since it was listed is not ripped as the one listed: the user is
// told, and nothing is written.
TEST_F(CdFormTest, ADiscChangedSinceItWasListedIsNotRipped) {
    disc(QStringLiteral("disc"), {{150, 440}, {100, 1000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    // Another disc in the same drive: its second track starts elsewhere.
    cddrives::forgetImages();
    disc(QStringLiteral("other"), {{120, 440}, {100, 1000}});
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages()[0].text.startsWith(
        QStringLiteral("The disc in the drive is not the disc listed.")));
    EXPECT_TRUE(QDir(dest.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
}

TEST_F(CdFormTest, AllTracksToWavFilesThatMatchTheDisc) {
    const DiscImage image = disc(QStringLiteral("disc"), {{150, 440}, {27, 1000}, {100, 2000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();

    // The tracks stay where they were.
    EXPECT_EQ(tree().lstTracks.count(), 3);
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), tree().lstTracks.items());
    EXPECT_EQ(tree().lstRecord.count(), 3);
    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 3);
    const quint64 identity = w.lblCDID->text().toULongLong();
    for (int t = 1; t <= 3; ++t) {
        const QString name = QFileInfo(files[t - 1]).fileName();
        const auto match =
            QRegularExpression(QStringLiteral("^(\\d+)-%1\\.wav$").arg(t)).match(name);
        ASSERT_TRUE(match.hasMatch()) << name.toStdString();
        EXPECT_GE(match.captured(1).toULongLong(), 1u);
        EXPECT_LE(match.captured(1).toULongLong(), identity);
        const QByteArray wav = fixtures::readFile(files[t - 1]);
        EXPECT_EQ(wav.mid(44), image.trackAudio(t)) << t;
        EXPECT_NE(tree().findByText(files[t - 1]), 0u) << files[t - 1].toStdString();
    }
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());

    // The log beside the files proves each track: its checksums as defined, its result.
    const QString log = ripLog(dest.path());
    EXPECT_TRUE(log.contains(QStringLiteral("Disc identity: ") + w.lblCDID->text()));
    EXPECT_TRUE(log.contains(QStringLiteral("AccurateRip disc: 003-")));
    EXPECT_TRUE(log.contains(QStringLiteral("  Lead-out          277")));
    for (int t = 1; t <= 3; ++t) {
        SCOPED_TRACE(t);
        const QString block = trackBlock(log, t);
        const ripsums::AccurateRip ar = ripsums::accurateRip(image.trackAudio(t), t == 1, t == 3);
        EXPECT_TRUE(block.contains(QStringLiteral("File: ") + files[t - 1]));
        EXPECT_TRUE(block.contains(QStringLiteral("Copy CRC32: ") +
                                   hex(ripsums::crc32(image.trackAudio(t)))));
        EXPECT_TRUE(block.contains(QStringLiteral("AccurateRip v1: ") + hex(ar.v1)));
        EXPECT_TRUE(block.contains(QStringLiteral("AccurateRip v2: ") + hex(ar.v2)));
        EXPECT_TRUE(block.contains(QStringLiteral("Result: Copy OK")));
    }
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("Sectors: 150 to 176 (00:00.27)")));
    EXPECT_TRUE(log.endsWith(QStringLiteral("Summary: 3 of 3 tracks asked for copied OK\n")));
    for (const QString& node : childTexts(SourceTree::WavText))
        EXPECT_FALSE(node.endsWith(QStringLiteral(".log")));

    // Start on the group again rips what it shows again; a track moved out and back leaves
    // every track in it.
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(outputs().size(), 3);
    EXPECT_EQ(fixtures::readFile(outputs()[2]).mid(44), image.trackAudio(3));
    EXPECT_NE(outputs()[2], files[2]);
    select(tree().lstTracks.at(1));
    tree().MoveSelectedNode();
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), texts({"Track  2 - 0:00"}));
    select(QStringLiteral("Track  2 - 0:00"));
    tree().MoveSelectedNode();
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText).size(), 3);
    EXPECT_TRUE(childTexts(SourceTree::SelectedTracksText).isEmpty());
}

// Test and copy reads each track twice: equal CRCs prove the copy; a disc whose data changes
// between the passes gives unequal ones, and the track is named as read with errors.
TEST_F(CdFormTest, TestAndCopyLogsBothCrcsAndFlagsADifference) {
    WriteSetting(SettingKey::TestAndCopy, std::int16_t(1));
    const DiscImage image = disc(QStringLiteral("disc"), {{75 * 20, 440}, {100, 1000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    // While track 1's test pass is under way (the first half of its progress), its first
    // sector, read already, changes on the disc: the copy reads it otherwise.
    ripChangingASectorDuringATestPass(image, 0, 20, 50, 0, '\x11');

    const QString log = ripLog(dest.path());
    const QString first = trackBlock(log, 1);
    EXPECT_TRUE(
        first.contains(QStringLiteral("Test CRC32: ") + hex(ripsums::crc32(image.trackAudio(1)))));
    EXPECT_FALSE(
        first.contains(QStringLiteral("Copy CRC32: ") + hex(ripsums::crc32(image.trackAudio(1)))));
    EXPECT_TRUE(first.contains(QStringLiteral("Result: Copy finished with read errors")));
    const QString crc = hex(ripsums::crc32(image.trackAudio(2)));
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("Test CRC32: ") + crc));
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("Copy CRC32: ") + crc));
    EXPECT_TRUE(log.contains(QStringLiteral("not OK: track 1 (Copy finished with read errors)")));
}

// "Verify against Disc" on a WAV node: an exact rip matches, a one-sample change does not.
TEST_F(CdFormTest, VerifyAgainstDiscFindsAOneSampleChange) {
    const DiscImage image = disc(QStringLiteral("disc"), {{100, 440}, {27, 1000}, {60, 2000}});
    QByteArray audio = image.trackAudio(2);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(audio.size()) / 2);
    std::memcpy(samples.data(), audio.constData(), audio.size());
    const QString wav = dest.filePath(QStringLiteral("77-2.wav"));
    fixtures::writeFile(wav, fixtures::wavBytes(samples, 44100, 2));
    Form1& w = load();
    ShowFullPath == 0 ? select(QStringLiteral("77-2.wav")) : select(wav);
    w.mnuVerify->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.isVerifying(); }, 60000));
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    EXPECT_EQ(dialogs().lastMessage()->title, QStringLiteral("Verify against Disc"));
    EXPECT_TRUE(dialogs().lastMessage()->text.startsWith(QStringLiteral("Track 2: ") + wav +
                                                         QStringLiteral(" matches the disc")));

    samples[588 * 3] ^= 1;
    fixtures::writeFile(wav, fixtures::wavBytes(samples, 44100, 2));
    w.mnuVerify->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return !w.isVerifying(); }, 60000));
    EXPECT_TRUE(dialogs().lastMessage()->text.contains(QStringLiteral("does not match the disc")));
    EXPECT_EQ(dialogs().lastMessage()->icon, dialogs::Icon::Exclamation);
}

TEST_F(CdFormTest, SelectedTracksAndTheAllSwitch) {
    disc(QStringLiteral("disc"), {{150, 440}, {27, 1000}, {200, 2000}});
    Form1& w = load();
    select(SourceTree::SelectedTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text, QStringLiteral("You must select tracks to record."));
    EXPECT_EQ(dialogs().messages()[0].icon, dialogs::Icon::Information);
    EXPECT_TRUE(outputs().isEmpty());

    // "All" selects every track, as the tree shows, and Start rips them.
    w.Check3->click();
    EXPECT_EQ(w.Check3->text(), QStringLiteral("All Tracks"));
    EXPECT_EQ(tree().lstRecord.count(), 3);
    EXPECT_TRUE(tree().lstTracks.isEmpty());
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), tree().lstRecord.items());
    EXPECT_TRUE(childTexts(SourceTree::AvailableTracksText).isEmpty());
    select(SourceTree::SelectedTracksText);
    dialogs().clear();
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_EQ(outputs().size(), 3);
    EXPECT_TRUE(dialogs().messages().empty());
    w.Check3->click();
    EXPECT_EQ(w.Check3->text(), QStringLiteral("Select Tracks"));
    EXPECT_TRUE(tree().lstRecord.isEmpty());
    EXPECT_EQ(tree().lstTracks.count(), 3);
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), tree().lstTracks.items());

    // One track moved to the selection, extracted to MP3 (the default choice).
    select(tree().lstTracks.at(2));
    tree().MoveSelectedNode();
    select(SourceTree::SelectedTracksText);
    dialogs().clear();
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(outputs().size(), 1);
    EXPECT_TRUE(outputs()[0].endsWith(QStringLiteral("-3.mp3")));
    EXPECT_EQ(mp3decode::decodeFile(outputs()[0]).sampleFrames(), 200u * 588);
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_NE(tree().findByText(outputs()[0]), 0u); // listed once it has its name
}

// "All" selects every audio track, those the user had selected before included.
TEST_F(CdFormTest, AllKeepsATrackAlreadySelected) {
    disc(QStringLiteral("disc"), {{150, 440}, {27, 1000}, {200, 2000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    const QStringList listed = tree().lstTracks.items();
    select(listed[1]);
    tree().MoveSelectedNode();
    ASSERT_EQ(childTexts(SourceTree::SelectedTracksText), QStringList{listed[1]});
    w.Check3->click();
    EXPECT_EQ(tree().lstRecord.items(), listed);
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), listed);
    EXPECT_TRUE(childTexts(SourceTree::AvailableTracksText).isEmpty());
    select(SourceTree::SelectedTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_EQ(outputs().size(), 3);
}

TEST_F(CdFormTest, AbortDuringTrackTwoEndsItsFileAndStartsNoOther) {
    // Track 2 is long enough to be stopped in its middle.
    disc(QStringLiteral("disc"), {{75, 440}, {75 * 120, 1000}, {75, 2000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    ProgressGate trackTwo([](const WorkItem& item, int) { return item.index == 1; });
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    ASSERT_TRUE(trackTwo.waitHeld());
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Extracting Track 2"));
    w.Command2_Click();
    trackTwo.release();
    waitForJob();

    const QList<JobResult>& results = w.lastBatch().results;
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0].status, JobResult::Status::Completed);
    EXPECT_EQ(results[1].status, JobResult::Status::Cancelled);
    EXPECT_EQ(results[2].status, JobResult::Status::NotStarted);
    const QByteArray wav = fixtures::readFile(outputs()[1]);
    EXPECT_LT(wav.size(), 44 + 75 * 120 * frameBytes);
    EXPECT_EQ(fixtures::le32(wav, 40), static_cast<std::uint32_t>(wav.size() - 44));
    EXPECT_NE(tree().findByText(outputs()[1]), 0u);
    EXPECT_FALSE(QFileInfo::exists(outputs()[2]));
    // The log says what was read of the stopped track, and that a third was asked for.
    const QString log = ripLog(dest.path());
    const auto sectorsRead = static_cast<int>((wav.size() - 44) / frameBytes);
    EXPECT_TRUE(trackBlock(log, 1).contains(QStringLiteral("Result: Copy OK")));
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("Result: Aborted")));
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("Sectors: 75 to %1 read of 75 to %2")
                                                .arg(75 + sectorsRead - 1)
                                                .arg(75 + 75 * 120 - 1)))
        << trackBlock(log, 2).toStdString();
    EXPECT_TRUE(trackBlock(log, 3).contains(QStringLiteral("Result: Not started")));
    EXPECT_TRUE(log.endsWith(QStringLiteral(
        "Summary: 1 of 3 tracks asked for copied OK; not OK: track 2 (Aborted), track 3 (Not "
        "started)\n")))
        << log.toStdString();
}

// Action > Stop, as the help names it, is reachable from the keyboard while a rip runs (and
// File > Exit with it); the other items of those menus wait for the rip.
TEST_F(CdFormTest, StopFromTheKeyboardDuringARip) {
    disc(QStringLiteral("disc"), {{150, 440}, {150, 1000}, {150, 2000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    QApplication::setActiveWindow(&w);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    // No event has run since the start: the batch cannot have gone past its first track.
    ASSERT_TRUE(w.isJobRunning());
    EXPECT_TRUE(w.mnuExit->isEnabled());
    EXPECT_FALSE(w.mnuStart->isEnabled());
    EXPECT_FALSE(w.mnuOpenImage->isEnabled());
    QTest::keyClick(&w, Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(w.mnuActiopn->isVisible());
    QTest::keyClick(w.mnuActiopn, Qt::Key_T);
    EXPECT_FALSE(w.mnuActiopn->isVisible());
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Stopping after the current file..."));
    waitForJob();

    const QList<JobResult>& results = w.lastBatch().results;
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0].status, JobResult::Status::Completed);
    EXPECT_EQ(results[1].status, JobResult::Status::NotStarted);
    EXPECT_EQ(results[2].status, JobResult::Status::NotStarted);
    // The keyboard is not left in the menu bar, and the window is idle again.
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(w.mnuStart->isEnabled());
}

TEST_F(CdFormTest, AReadFailureShowsTheLibraryTextAndTheBatchGoesOn) {
    const DiscImage image = disc(QStringLiteral("disc"), {{100, 440}, {100, 1000}, {100, 2000}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    // The data ends in track 2 once the drive is open.
    ASSERT_TRUE(QFile::resize(image.binPath, qint64(150) * frameBytes));
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();

    // Track 2 is cut where the data ends, track 3 is not in the data at all: each fails,
    // named with its reason, in its log entry and in the end message.
    const auto messages = dialogs().messages();
    ASSERT_EQ(messages.size(), 2u); // track 2's read at once, then the end of the batch
    // The track's message is an error naming the track, the sector, the data file the image
    // lacks and the file kept, with the library's text; never its advice to ask for the
    // actual error, which the message gives.
    EXPECT_EQ(messages[0].text,
              QStringLiteral("Track 2, sector 150: An error was returned by the ASPI manager: "
                             "sector 150 is past the end of the image's data file %1, which "
                             "holds 150 whole sectors. The file %2 holds the 0:00 of 0:01 read "
                             "before it.")
                  .arg(image.binPath, outputs()[1]));
    EXPECT_FALSE(messages[0].text.contains(QStringLiteral("GetAspiLibAspiError")));
    EXPECT_EQ(messages[0].icon, dialogs::Icon::Critical);
    EXPECT_EQ(messages[1].title, QStringLiteral("Critical error..."));
    EXPECT_TRUE(messages[1].text.startsWith(QStringLiteral("2 of 3 files could not be extracted")));
    EXPECT_TRUE(messages[1].text.contains(outputs()[1] + QStringLiteral(": incomplete")));
    EXPECT_TRUE(messages[1].text.contains(QStringLiteral("Track 3 is missing")));
    EXPECT_EQ(fixtures::readFile(outputs()[0]).mid(44), image.trackAudio(1));
    EXPECT_EQ(fixtures::readFile(outputs()[1]).size(), 44 + 50 * frameBytes);
    EXPECT_FALSE(QFileInfo::exists(outputs()[2]));
    const QString log = ripLog(dest.path());
    EXPECT_TRUE(trackBlock(log, 2).contains(
        QStringLiteral("Result: Copy finished with read errors (sector 150 could not be read")));
    EXPECT_TRUE(
        trackBlock(log, 3).contains(QStringLiteral("Result: Copy failed (Track 3 is missing")));
    EXPECT_TRUE(log.contains(QStringLiteral("Summary: 1 of 3 tracks asked for copied OK")));
}

// An Enhanced CD's data track is listed as data and never offered: "All" and the track groups
// leave it out.
TEST_F(CdFormTest, ADataTrackIsListedButNeverExtracted) {
    disc(QStringLiteral("extra"), {{150, 440}, {100, 660}, {300, 0, {}, {}, true, 150}});
    Form1& w = load();
    const QStringList audio = texts({"Track  1 - 0:02", "Track  2 - 0:01"});
    const QString data = QStringLiteral("Track  3 - 0:04 (data track)");
    EXPECT_EQ(tree().lstTracks.items(), audio + QStringList{data});
    w.optWAV->setChecked(true);
    w.Check3->click();
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), audio);
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), QStringList{data});
    select(SourceTree::SelectedTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_EQ(outputs().size(), 2);
    w.Check3->click();
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_EQ(outputs().size(), 2);
    EXPECT_TRUE(dialogs().messages().empty());
}

// Choosing a drive lists its disc: what is shown, and what a rip reads and logs, is always the
// chosen drive's. Two images of one file name are told apart in the list.
TEST_F(CdFormTest, ChoosingAnotherDriveListsItsDiscAndSameNamedImagesAreToldApart) {
    ASSERT_TRUE(QDir(images.path()).mkpath(QStringLiteral("a/b")));
    DiscImageOptions first;
    first.title = QStringLiteral("First Album");
    const DiscImage one = writeDiscImage(images.filePath(QStringLiteral("a")),
                                         QStringLiteral("album"), {{150, 440}, {100, 660}}, first);
    DiscImageOptions second;
    second.title = QStringLiteral("Second Album");
    const DiscImage two = writeDiscImage(images.filePath(QStringLiteral("a/b")),
                                         QStringLiteral("album"), {{200, 880}}, second);
    ASSERT_TRUE(cddrives::registerImage(one.cuePath).ok());
    ASSERT_TRUE(cddrives::registerImage(two.cuePath).ok());
    Form1& w = load();
    EXPECT_EQ(w.DriveList->itemText(0), QStringLiteral("album.cue"));
    EXPECT_EQ(w.DriveList->itemText(1), QStringLiteral("b/album.cue"));
    EXPECT_EQ(tree().lstTracks.count(), 2);

    w.DriveList->setCurrentIndex(1);
    emit w.DriveList->activated(1);
    EXPECT_EQ(tree().lstTracks.items(), texts({"Track  1 - 0:02"}));
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), tree().lstTracks.items());
    const auto toc = cddrives::readToc(1);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(w.lblCDID->text(), QString::number(cddrives::freedbDiscId(toc.value())));
    EXPECT_EQ(w.discInfo().album, QStringLiteral("Second Album"));

    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(outputs().size(), 1);
    EXPECT_EQ(fixtures::readFile(outputs()[0]).mid(44), two.trackAudio(1));
    const QString log = ripLog(dest.path());
    EXPECT_TRUE(log.contains(QStringLiteral("Album: Second Album")));
    EXPECT_FALSE(log.contains(QStringLiteral("First Album")));
    EXPECT_TRUE(log.contains(QStringLiteral("Drive: disc image ") + two.cuePath));
}

TEST_F(CdFormTest, DiscImagesOpenedFromTheFileMenu) {
    Form1& w = load();
    ASSERT_EQ(w.DriveList->count(), 1); // no drive: one blank entry

    // Not a cue sheet: said, naming the file; no drive.
    const QString junk = images.filePath(QStringLiteral("junk.cue"));
    fixtures::writeFile(junk, QByteArray("hello"));
    dialogs().files.push_back({junk});
    w.mnuOpenImage->trigger();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages()[0].text.contains(junk));
    EXPECT_TRUE(cddrives::drives().empty());

    // A cue naming a data file of another name, and shorter than the cue says.
    DiscImageOptions options;
    options.binName = QStringLiteral("Album (Disc 1).bin");
    const DiscImage image = writeDiscImage(images.path(), QStringLiteral("Album"),
                                           {{100, 440}, {100, 1000}, {100, 2000}}, options);
    ASSERT_TRUE(QFile::resize(image.binPath, qint64(150) * frameBytes));
    dialogs().clear();
    dialogs().files.push_back({image.cuePath});
    w.mnuOpenImage->trigger();
    EXPECT_EQ(w.DriveList->itemText(0), QStringLiteral("Album.cue"));
    EXPECT_EQ(w.DriveList->currentIndex(), 0);
    EXPECT_EQ(tree().lstTracks.items(),
              texts({"Track  1 - 0:01", "Track  2 - 0:01", "Track  3 - missing from the image"}));
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), tree().lstTracks.items());
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages()[0].text.contains(QStringLiteral("Track 2 is incomplete")));
    EXPECT_TRUE(dialogs().messages()[0].text.contains(QStringLiteral("Track 3 is missing")));
    const Disc read = readDisc(0);
    ASSERT_TRUE(read.toc);
    EXPECT_EQ(read.toc->trackEnd(0), 100);
}

// A disc with a hidden track, pregaps, a catalogue number and ISRCs: "Track 00" is offered
// but left out of All and of a group's rip; Disc Information shows the codes; the cue sheet
// beside the rip opens from the File menu as a disc of the same tracks.
TEST_F(CdFormTest, HiddenTrackCodesAndTheCueSheetOfARip) {
    DiscImageOptions options;
    options.catalog = QStringLiteral("0602537350142");
    const DiscImage image = disc(QStringLiteral("gaps"),
                                 {{150, 440, {}, {}, false, 75, QStringLiteral("GBAYE0000001")},
                                  {150, 660, {}, {}, false, 75, QStringLiteral("GBAYE0000002")},
                                  {100, 880, {}, {}, false, 30}},
                                 options);
    Form1& w = load();
    // The tree sorts its entries by their text: "Track 00" comes after "Track  3".
    const QStringList listed =
        texts({"Track  1 - 0:03", "Track  2 - 0:02", "Track  3 - 0:01", "Track 00 - 0:01"});
    EXPECT_EQ(tree().lstTracks.items(), listed);
    w.mnuDiscInfo->trigger(); // unscripted: cancelled
    const ScriptedDialogs::Record* form = dialogs().last(QStringLiteral("form"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->labels.mid(form->labels.size() - 3),
              texts({"Catalogue number", "Track 1 ISRC", "Track 2 ISRC"}));
    EXPECT_EQ(form->items.mid(form->items.size() - 3),
              texts({"0602537350142", "GBAYE0000001", "GBAYE0000002"}));

    w.Check3->click();
    EXPECT_EQ(tree().lstTracks.items(), texts({"Track 00 - 0:01"}));
    w.Check3->click();
    // A group rips what it shows, the hidden track first, as it lies on the disc.
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 4);
    EXPECT_EQ(fixtures::readFile(files[0]).mid(44), image.audio.left(qsizetype{75} * frameBytes));
    EXPECT_EQ(fixtures::readFile(files[1]).mid(44),
              image.audio.mid(qsizetype{75} * frameBytes, qsizetype{225} * frameBytes));
    // The log and the cue sheet are written once the AccurateRip database has answered.
    EXPECT_TRUE(ripLog(dest.path()).contains(QStringLiteral("  ISRC: GBAYE0000001\n")));
    const QStringList cues = riplogtext::cueSheets(dest.path());
    ASSERT_EQ(cues.size(), 1);

    // The sheet carries the hidden track as track 1's gap: opened as a disc, it gives the disc
    // back, hidden track included.
    dialogs().clear();
    dialogs().files.push_back({QDir(dest.path()).filePath(cues.front())});
    w.mnuOpenImage->trigger();
    EXPECT_TRUE(dialogs().messages().empty());
    EXPECT_EQ(w.DriveList->currentIndex(), 1);
    EXPECT_EQ(tree().lstTracks.items(), listed);
    select(tree().lstTracks.at(3));
    tree().MoveSelectedNode();
    select(tree().lstTracks.at(1));
    tree().MoveSelectedNode();
    select(SourceTree::SelectedTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(outputs().size(), 2);
    EXPECT_EQ(fixtures::readFile(outputs()[0]).mid(44), fixtures::readFile(files[0]).mid(44));
    EXPECT_EQ(fixtures::readFile(outputs()[1]).mid(44), fixtures::readFile(files[2]).mid(44));
}

// The hidden track ripped alone gets its cue sheet too, and "All" keeps it selected once it
// is; a selection of a data track alone, or of the hidden track alone to be recorded in real
// time, is refused saying why.
TEST_F(CdFormTest, TheHiddenTrackAloneAndADataTrackAloneInTheSelection) {
    const DiscImage image =
        disc(QStringLiteral("hidden"),
             {{150, 440, {}, {}, false, 75}, {100, 660}, {300, 0, {}, {}, true, 150}});
    Form1& w = load();
    const QString hidden = QStringLiteral("Track 00 - 0:01");
    const QString data = QStringLiteral("Track  3 - 0:04 (data track)");
    ASSERT_TRUE(tree().lstTracks.contains(hidden));
    w.optWAV->setChecked(true);
    select(data);
    tree().MoveSelectedNode();
    select(SourceTree::SelectedTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().messages()[0].text,
              QStringLiteral("Track 3 is a data track: it holds no audio to record. Select an "
                             "audio track."));
    EXPECT_TRUE(outputs().isEmpty());

    dialogs().clear();
    select(data);
    tree().MoveSelectedNode();
    select(hidden);
    tree().MoveSelectedNode();
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText), QStringList{hidden});
    // A recording starts at a track's start: the hidden track is read in one step only.
    w.Chk2Stage->click();
    select(SourceTree::SelectedTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages()[0].text.startsWith(
        QStringLiteral("Track 00, the hidden track, lies before the first track")));
    EXPECT_TRUE(outputs().isEmpty());

    dialogs().clear();
    w.Chk2Stage->click();
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_TRUE(dialogs().messages().empty());
    ASSERT_EQ(outputs().size(), 1);
    EXPECT_EQ(fixtures::readFile(outputs()[0]).mid(44),
              image.audio.left(qsizetype{75} * frameBytes));
    const QStringList cues = riplogtext::cueSheets(dest.path());
    ASSERT_EQ(cues.size(), 1);
    const QString sheet =
        QString::fromUtf8(fixtures::readFile(QDir(dest.path()).filePath(cues.front())));
    EXPECT_TRUE(sheet.contains(QStringLiteral("FILE \"%1\" WAVE\n  TRACK 01 AUDIO\n")
                                   .arg(QFileInfo(outputs()[0]).fileName())))
        << sheet.toStdString();

    w.Check3->click();
    EXPECT_EQ(childTexts(SourceTree::SelectedTracksText),
              (QStringList{hidden, QStringLiteral("Track  1 - 0:02"),
                           QStringLiteral("Track  2 - 0:01")}));
    EXPECT_EQ(childTexts(SourceTree::AvailableTracksText), QStringList{data});
}

} // namespace
