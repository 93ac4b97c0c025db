// The main window's rips checked against the AccurateRip database (a server on the loopback
// interface): the end message and the log give each track's verdict.
#include "accuraterecord.h"
#include "cdformtest.h"
#include "musicbrainzservice.h"
#include "riplogtext.h"

#include "engine/cd/readoffset.h"
#include "engine/platform/akrip/cddrives.h"

#include <QAction>
#include <QDir>
#include <QRadioButton>
#include <QSettings>

namespace {

// The drive the CD library made of the image `cuePath`; -1 when none.
int imageDrive(const QString& cuePath) {
    const std::vector<cddrives::Drive> drives = cddrives::drives();
    for (std::size_t i = 0; i < drives.size(); ++i)
        if (drives[i].isImage && drives[i].path == cuePath)
            return static_cast<int>(i);
    return -1;
}

} // namespace

// Once the batch has ended the database is asked, the window staying live; then the log is
// written with each track's verdict and the end message shows them.
TEST_F(CdFormTest, TheEndMessageShowsEachTracksAccurateRipVerdict) {
    const DiscImage image = disc(QStringLiteral("disc"), {{150, 440}, {100, 1000}});
    const int drive = imageDrive(image.cuePath);
    ASSERT_GE(drive, 0);
    mbservice::LocalService service;
    service.body = accuraterecord::recordOf(image, accuraterecord::keyOf(drive), 2, 5);
    WriteSetting(SettingKey::AccurateRipServer, service.address());

    Form1& w = load();
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs().messages().empty(); }, 20000));
    const dialogs::Message shown = dialogs().messages().front();
    EXPECT_EQ(shown.title, QStringLiteral("AccurateRip"));
    EXPECT_EQ(shown.icon, dialogs::Icon::Information);
    EXPECT_EQ(shown.text, QStringLiteral("Track 1: Accurately ripped (confidence 5) [v2]\n"
                                         "Track 2: Accurately ripped (confidence 5) [v2]\n"
                                         "Accurately ripped: 2 of 2 tracks"));
    EXPECT_EQ(service.requests, 1);

    const QString log = riplogtext::ripLog(dest.path());
    for (int t = 1; t <= 2; ++t)
        EXPECT_TRUE(riplogtext::trackBlock(log, t).contains(
            QStringLiteral("\n  AccurateRip: Accurately ripped (confidence 5) [v2]\n")))
            << log.toStdString();
    EXPECT_TRUE(log.endsWith(QStringLiteral("\nAccurately ripped: 2 of 2 tracks\n\n"
                                            "Summary: 2 of 2 tracks asked for copied OK\n")))
        << log.toStdString();
}

// A window closed while the database has not answered yet still leaves the rip's log, saying
// why it holds no verdicts.
TEST_F(CdFormTest, ALogIsKeptWhenTheWindowClosesBeforeTheDatabaseAnswers) {
    disc(QStringLiteral("disc"), {{150, 440}});
    mbservice::LocalService service;
    service.silent = true;
    WriteSetting(SettingKey::AccurateRipServer, service.address());
    Form1& w = load();
    w.optWAV->setChecked(true);
    select(SourceTree::AvailableTracksText);
    w.CmdSelectAction_Click();
    waitForJob();
    ASSERT_TRUE(QTest::qWaitFor([&service] { return service.requests == 1; }, 10000));
    EXPECT_TRUE(QDir(dest.path()).entryList({QStringLiteral("Rip *.log")}).isEmpty());
    form.reset();
    EXPECT_TRUE(riplogtext::ripLog(dest.path())
                    .contains(QStringLiteral("\nThe AccurateRip database could not be asked: the "
                                             "program ended before it answered\n\nSummary: ")));
    EXPECT_TRUE(dialogs().messages().empty());
}

// "Find Read Offset..." on a disc whose drive reads 6 samples late: the offsets that match the
// database's record are shown, and the best is stored for the model once the user says yes;
// the window stays live while the tracks are read.
TEST_F(CdFormTest, FindReadOffsetShowsTheMatchesAndStoresTheBestOnceConfirmed) {
    const std::vector<ImageTrack> layout{{30, 440}, {40, 660}, {30, 880}};
    DiscImage reference = writeDiscImage(images.path(), QStringLiteral("reference"), layout);
    fillWithNoise(reference, 23);
    const DiscImage image = disc(QStringLiteral("disc"), layout);
    replaceData(image, readWithOffset(reference.audio, 6));
    const int drive = imageDrive(image.cuePath);
    ASSERT_GE(drive, 0);
    mbservice::LocalService service;
    service.body = accuraterecord::recordOf(reference, accuraterecord::keyOf(drive), 3, 5);
    WriteSetting(SettingKey::AccurateRipServer, service.address());

    Form1& w = load();
    dialogs().answers.push_back(dialogs::Answer::Yes);
    w.mnuFindOffset->trigger();
    EXPECT_FALSE(w.mnuFindOffset->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.mnuFindOffset->isEnabled(); }, 30000));
    const std::vector<dialogs::Message> shown = dialogs().messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front().title, QStringLiteral("Find Read Offset"));
    EXPECT_TRUE(shown.front().text.contains(QStringLiteral("+6 samples: track 2 (confidence 5)\n")))
        << shown.front().text.toStdString();
    EXPECT_TRUE(shown.front().text.endsWith(
        QStringLiteral("Store +6 samples as the read offset of Disc image?")));
    const auto kept = readoffset::stored(QStringLiteral("Disc image"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->samples, 6);
    QSettings(QSettings::NativeFormat, QSettings::UserScope,
              QString::fromLatin1(settings::applicationName))
        .remove(QStringLiteral("Drive offsets"));
}
