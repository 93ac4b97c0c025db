// The tags of a rip to MP3: each track's title, artists and number from the disc's CD-Text,
// and the album's ReplayGain written into every completed track once the batch has ended
// (the tracks wait for it under temporary names, held against leftover sweeps).
#include "discimage.h"

#include "engine/cd/discinfo.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/modakrip32.h"
#include "engine/core/batchrunner.h"
#include "engine/core/settings.h"
#include "engine/formats/outputfile.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/id3tag/id3tag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList framesOf(const QString& file) {
    QStringList listed;
    const auto frames = id3tag::readFrames(file);
    EXPECT_TRUE(frames.ok()) << frames.error().description().toStdString();
    if (frames)
        for (const id3tag::Frame& f : frames.value())
            listed << f.id + QLatin1Char(' ') + f.text;
    return listed;
}

TEST(RipTags, CdTextTracksGetTheirTagsAndTheAlbumsGain) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    cddrives::forgetImages();
    DiscImageOptions options;
    options.title = QStringLiteral("Harbour Lights");
    options.performer = QStringLiteral("Ann Vale");
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("album"),
                       {{150, 440.0, QStringLiteral("Shore"), QStringLiteral("Bo Lund")},
                        {150, 660.0, QStringLiteral("Tide"), {}},
                        {150, 880.0, QStringLiteral("Pier"), {}}},
                       options);
    const auto registered = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(registered.ok()) << registered.error().description().toStdString();
    const int drive = registered->driveIndex;
    cddrives::setMediaDrive(drive);
    const auto text = cddrives::readCdText(drive);
    ASSERT_TRUE(text.ok());
    ASSERT_TRUE(modAKRip32::OpenCDDrive(drive));

    ExtractionChoices choices;
    choices.destination = dir.path();
    choices.mp3 = true;
    choices.disc = discinfo::fromCdText(text.value());
    choices.formatText = mp3FormatText(QStringLiteral("128"), QStringLiteral("Normal"));
    ExtractionPlan plan({1, 3}, readDisc(drive), choices);
    BatchRunner runner(plan.jobMaker());
    ASSERT_TRUE(runner.run(plan.items()));
    modAKRip32::CloseCurrentCD();
    // Until the album's gain is in their tags, the MP3s wait under temporary names.
    EXPECT_TRUE(plan.outputOf(0).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(runner.items()[0].output));
    // They stay held meanwhile: a leftover sweep, however eager, takes none of them.
    EXPECT_EQ(outputfile::removeLeftovers(dir.path(), 0), QStringList());
    const std::vector<VortanError> failures = plan.finishOutputs(runner.results());
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(plan.outputOf(0), runner.items()[0].output);

    const riplog::Log log = plan.log(runner.items(), runner.results());
    ASSERT_TRUE(log.albumGain.has_value());
    const QString logText = log.text();
    EXPECT_TRUE(logText.contains(QStringLiteral("\nAlbum: Harbour Lights\n")));
    EXPECT_TRUE(logText.contains(QStringLiteral("\n  Title: Pier\n")));
    EXPECT_TRUE(logText.contains(QStringLiteral("\nReplayGain album gain: ") +
                                 log.albumGain->gainText() + QLatin1Char('\n')));
    EXPECT_TRUE(logText.endsWith(QStringLiteral("Summary: 2 of 2 tracks asked for copied OK\n")));

    const QStringList first = framesOf(runner.items()[0].output);
    const QStringList third = framesOf(runner.items()[1].output);
    EXPECT_TRUE(first.contains(QStringLiteral("TIT2 Shore")));
    EXPECT_TRUE(first.contains(QStringLiteral("TPE1 Bo Lund")));
    // The album's artist is named on a track with an artist of its own too.
    EXPECT_TRUE(first.contains(QStringLiteral("TPE2 Ann Vale")))
        << first.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("TRCK 1/3")));
    EXPECT_TRUE(third.contains(QStringLiteral("TIT2 Pier")));
    EXPECT_TRUE(third.contains(QStringLiteral("TPE1 Ann Vale"))); // the album's artist
    EXPECT_TRUE(third.contains(QStringLiteral("TPE2 Ann Vale")));
    EXPECT_TRUE(third.contains(QStringLiteral("TALB Harbour Lights")));
    EXPECT_TRUE(third.contains(QStringLiteral("TRCK 3/3")));
    for (const QStringList& frames : {first, third}) {
        EXPECT_TRUE(frames.contains(QStringLiteral("TXXX [REPLAYGAIN_ALBUM_GAIN] ") +
                                    log.albumGain->gainText()))
            << frames.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(frames.contains(QStringLiteral("TXXX [REPLAYGAIN_ALBUM_PEAK] ") +
                                    log.albumGain->peakText()));
    }
    ASSERT_TRUE(log.tracks[1].gain.has_value());
    EXPECT_TRUE(third.contains(QStringLiteral("TXXX [REPLAYGAIN_TRACK_GAIN] ") +
                               log.tracks[1].gain->gainText()));

    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left.filter(QStringLiteral(".part")), QStringList());
    cddrives::forgetImages();
}

} // namespace
