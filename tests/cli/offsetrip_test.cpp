// mp3vortan-cli rip with a drive's read offset: a disc image whose audio the test shifts as a
// drive with that offset reads it gives the unshifted tracks and their checksums.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "fixtures.h"
#include "musicbrainzservice.h"
#include "riplogtext.h"
#include "ripsums.h"

#include "engine/cd/readoffset.h"
#include "engine/core/settings.h"
#include "engine/platform/akrip/cddrives.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);
constexpr qsizetype wavHeaderBytes = 44;

using riplogtext::hex;
using riplogtext::ripLog;
using riplogtext::trackBlock;

class OffsetRip : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
    }
    // An offset stored here would shift the other tests' rips of disc images.
    void TearDown() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope,
                  QString::fromLatin1(settings::applicationName))
            .remove(QStringLiteral("Drive offsets"));
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    CliRun run(const QStringList& arguments) const {
        QProcessEnvironment env = headlessEnvironment(path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), dir_.path());
        return runProgram(cli, arguments, env, dir_.path());
    }
    QTemporaryDir dir_;
};

// +6 given on the command line, -30 stored for disc images: every track's file holds the
// unshifted audio, but for the edges of the disc no drive reads (zeros: the first track's
// first 30 pairs, the last track's last 6); the log's AccurateRip sums are the unshifted
// audio's (they leave those edges out), its CRC32 the file's, and it states the offset.
TEST_F(OffsetRip, AShiftedDiscRipsAsAPerfectDriveReadsIt) {
    for (const int offset : {6, -30}) {
        SCOPED_TRACE(offset);
        const QString name = QStringLiteral("disc%1").arg(offset);
        DiscImage image = writeDiscImage(dir_.path(), name, {{30, 440}, {40, 660}, {30, 880}});
        fillWithNoise(image, 11);
        replaceData(image, readWithOffset(image.audio, offset));
        QStringList arguments{QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                              name};
        if (offset > 0)
            arguments << QStringLiteral("--offset") << QString::number(offset);
        else
            ASSERT_TRUE(readoffset::store(QStringLiteral("Disc image"), offset, false).ok());
        const CliRun ripped = run(arguments << image.cuePath);
        ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
        const QStringList files = ripped.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(files.size(), 5); // three tracks, the log and the cue sheet
        const QString log = ripLog(path(name));
        EXPECT_TRUE(log.contains(
            offset > 0 ? QStringLiteral("Read offset correction: +6 samples (given on the command "
                                        "line)\n")
                       : QStringLiteral("Read offset correction: -30 samples (stored for Disc "
                                        "image)\n")))
            << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Overread into lead-in and lead-out: No\n")));
        for (int track = 1; track <= 3; ++track) {
            SCOPED_TRACE(track);
            QByteArray expected = image.trackAudio(track);
            if (track == 1 && offset < 0)
                expected = QByteArray(-offset * 4, '\0') + expected.mid(-offset * 4);
            if (track == 3 && offset > 0)
                expected =
                    expected.left(expected.size() - offset * 4) + QByteArray(offset * 4, '\0');
            const QByteArray written = fixtures::readFile(files[track - 1]).mid(wavHeaderBytes);
            EXPECT_TRUE(written == expected);
            const ripsums::AccurateRip sums =
                ripsums::accurateRip(image.trackAudio(track), track == 1, track == 3);
            const QString block = trackBlock(log, track);
            EXPECT_TRUE(block.contains(QStringLiteral("AccurateRip v1: ") + hex(sums.v1)));
            EXPECT_TRUE(block.contains(QStringLiteral("AccurateRip v2: ") + hex(sums.v2)));
            EXPECT_TRUE(
                block.contains(QStringLiteral("Copy CRC32: ") + hex(ripsums::crc32(expected))))
                << block.toStdString();
        }
    }
}

// offset find against a database that holds the unshifted disc: the drive's offset is found,
// and stored for the model with --store; without --store and a terminal, nothing is stored.
TEST_F(OffsetRip, OffsetFindFindsTheShiftAgainstTheDatabase) {
    mbservice::LocalService service;
    WriteSetting(SettingKey::AccurateRipServer, service.address());
    for (const int offset : {6, -30}) {
        SCOPED_TRACE(offset);
        DiscImage image = writeDiscImage(dir_.path(), QStringLiteral("find%1").arg(offset),
                                         {{30, 440}, {40, 660}, {30, 880}});
        fillWithNoise(image, 17);
        const auto registered = cddrives::registerImage(image.cuePath);
        ASSERT_TRUE(registered.ok());
        const accuraterip::DiscKey key = accuraterecord::keyOf(registered->driveIndex);
        cddrives::forgetImages();
        service.body = accuraterecord::recordOf(image, key, 3, 5);
        replaceData(image, readWithOffset(image.audio, offset));

        const CliRun asked = run({QStringLiteral("offset"), QStringLiteral("find"), image.cuePath});
        ASSERT_EQ(asked.exitCode, 0) << asked.err.toStdString();
        EXPECT_TRUE(asked.out.startsWith(QStringLiteral("%1%2 samples: track 2 matches")
                                             .arg(offset > 0 ? QStringLiteral("+") : QString())
                                             .arg(offset)))
            << asked.out.toStdString();
        EXPECT_FALSE(readoffset::stored(QStringLiteral("Disc image")));

        const CliRun stored = run({QStringLiteral("offset"), QStringLiteral("find"),
                                   QStringLiteral("--store"), image.cuePath});
        ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
        const auto kept = readoffset::stored(QStringLiteral("Disc image"));
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->samples, offset);
        TearDown();
    }
    service.status = 404;
    const DiscImage unknown = writeDiscImage(dir_.path(), QStringLiteral("unknown"), {{30, 440}});
    const CliRun refused = run({QStringLiteral("offset"), QStringLiteral("find"), unknown.cuePath});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("the disc is not in the AccurateRip database")))
        << refused.err.toStdString();
}

// A stored offset that is no offset (beyond any drive's, or not a number) is ignored, and the
// log says so naming the stored value.
TEST_F(OffsetRip, AnInvalidStoredOffsetIsIgnoredAndSaidSo) {
    const DiscImage image = writeDiscImage(dir_.path(), QStringLiteral("plain"), {{30, 440}});
    for (const char* value : {"5881", "abc"}) {
        SCOPED_TRACE(value);
        QSettings(QSettings::NativeFormat, QSettings::UserScope,
                  QString::fromLatin1(settings::applicationName))
            .setValue(QStringLiteral("Drive offsets/Disc image/Samples"), QLatin1String(value));
        const QString folder = QStringLiteral("out-") + QLatin1String(value);
        const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"),
                                   QStringLiteral("-o"), folder, image.cuePath});
        ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
        const QString log = ripLog(path(folder));
        EXPECT_TRUE(log.contains(QStringLiteral("Read offset correction: 0 samples (the value "
                                                "stored for Disc image, \"%1\", is no read "
                                                "offset from -5880 to 5880 samples and is "
                                                "ignored)\n")
                                     .arg(QLatin1String(value))))
            << log.toStdString();
        const QByteArray written =
            fixtures::readFile(ripped.out.section(QLatin1Char('\n'), 0, 0)).mid(wavHeaderBytes);
        EXPECT_TRUE(written == image.trackAudio(1)); // read as a drive without an offset
    }
}

// An offset beyond any drive's is a usage error, for rip and verify alike.
TEST_F(OffsetRip, AnOffsetOutOfRangeIsAUsageError) {
    for (const QString& command : {QStringLiteral("rip"), QStringLiteral("verify")}) {
        const CliRun refused = run({command, QStringLiteral("--offset"), QStringLiteral("99999"),
                                    QStringLiteral("disc.cue"), QStringLiteral("a.wav")});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(refused.err.contains(
            QStringLiteral("read offset '99999' is not a number of samples from -5880 to 5880")))
            << refused.err.toStdString();
    }
}

} // namespace
