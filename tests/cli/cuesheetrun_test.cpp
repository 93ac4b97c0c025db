// mp3vortan-cli over cue sheets as other programs write them: codes that are placeholders,
// WAVE files cut short, a PREGAP over one BIN, and a low limit of open files.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "fixtures.h"
#include "riplogtext.h"

#include "engine/platform/id3tag/id3tag.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);
constexpr int sectorBytes = 2352;

class CueSheetRun : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun run(const QStringList& arguments, const QString& program = cli) const {
        QProcessEnvironment env = headlessEnvironment(path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        QDir().mkpath(path(QStringLiteral("tmp")));
        return runProgram(program, arguments, env, dir_.path());
    }

    // The one file of `folder` matching `pattern`; empty (and a failure) when there is none or
    // more.
    QString onlyFile(const QString& folder, const QString& pattern) const {
        const QStringList names = QDir(path(folder)).entryList({pattern}, QDir::Files);
        EXPECT_EQ(names.size(), 1) << pattern.toStdString();
        return names.size() == 1 ? QDir(path(folder)).filePath(names.front()) : QString();
    }

    QTemporaryDir dir_;
};

// A disc without codes, as rippers write it (all zeros): no catalogue number or ISRC in the
// log, the cue sheet beside the rip or the tags.
TEST_F(CueSheetRun, AllZeroCodesAreNeitherLoggedNorWrittenNorTagged) {
    DiscImageOptions options;
    options.catalog = QStringLiteral("0000000000000");
    const DiscImage disc = writeDiscImage(
        dir_.path(), QStringLiteral("zeros"),
        {{300, 440, {}, {}, false, 0, QStringLiteral("000000000000")}, {200, 660}}, options);
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--mp3"), QStringLiteral("-t"),
             QStringLiteral("1"), QStringLiteral("-o"), QStringLiteral("out"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString log = riplogtext::ripLog(path(QStringLiteral("out")));
    EXPECT_FALSE(log.contains(QStringLiteral("Catalogue number"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("ISRC"))) << log.toStdString();
    const QString sheet = QString::fromUtf8(
        fixtures::readFile(onlyFile(QStringLiteral("out"), QStringLiteral("Rip *.cue"))));
    EXPECT_FALSE(sheet.contains(QStringLiteral("CATALOG"))) << sheet.toStdString();
    EXPECT_FALSE(sheet.contains(QStringLiteral("ISRC"))) << sheet.toStdString();
    const auto frames =
        id3tag::readFrames(onlyFile(QStringLiteral("out"), QStringLiteral("*.mp3")));
    ASSERT_TRUE(frames.ok());
    for (const id3tag::Frame& frame : frames.value()) {
        EXPECT_NE(frame.id, QStringLiteral("TSRC"));
        EXPECT_FALSE(frame.text.contains(QStringLiteral("CATALOGNUMBER")));
    }
}

// A WAVE file that holds less than its header announces fails its track, as `encode` fails
// the file, naming it and what it holds.
TEST_F(CueSheetRun, ATrackWhoseWaveFileIsCutShortFails) {
    std::vector<std::int16_t> samples = fixtures::sine(440, 2.0);
    samples.resize(130 * sectorBytes / 2);
    fixtures::writeFile(path(QStringLiteral("cut.wav")),
                        fixtures::wavBytes(samples).left(44 + 70 * sectorBytes));
    fixtures::writeFile(path(QStringLiteral("cut.cue")),
                        "FILE \"cut.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               QStringLiteral("out"), path(QStringLiteral("cut.cue"))});
    EXPECT_EQ(ripped.exitCode, 1) << ripped.err.toStdString();
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("Track 1 is incomplete: 0:00 of 0:01")))
        << ripped.err.toStdString();
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("%1 is cut short: it holds 0:00 of the 0:01")
                                        .arg(path(QStringLiteral("cut.wav")))))
        << ripped.err.toStdString();
    EXPECT_FALSE(ripped.out.contains(QStringLiteral(".wav"))) << ripped.out.toStdString();
}

// A PREGAP over one BIN is silence that moves the next track: the cue sheet beside the rip
// keeps it as that track's pregap.
TEST_F(CueSheetRun, APregapInOneBinIsKeptInTheCueBesideTheRip) {
    writeDiscImage(dir_.path(), QStringLiteral("gap"), {{300, 440}, {200, 660}});
    fixtures::writeFile(path(QStringLiteral("gap.cue")),
                        "FILE \"gap.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:04:00\n");
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               QStringLiteral("out"), path(QStringLiteral("gap.cue"))});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString sheet = QString::fromUtf8(
        fixtures::readFile(onlyFile(QStringLiteral("out"), QStringLiteral("Rip *.cue"))));
    EXPECT_TRUE(sheet.contains(QStringLiteral("  TRACK 02 AUDIO\n    INDEX 00 00:04:00\n")))
        << sheet.toStdString();
}

// Under a low limit of open files, wherever the descriptors run out, a failure says so and
// names the user's files: never a bad descriptor, never the private copy of the sheet. Limits
// too low for the program to start (the descriptors it inherits count) are passed over.
TEST_F(CueSheetRun, ALowLimitOfOpenFilesIsSaid) {
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (prlimit.isEmpty())
        GTEST_SKIP() << "prlimit is not installed";
    const DiscImage disc =
        writeDiscImage(dir_.path(), QStringLiteral("disc"), {{150, 440}, {100, 660}});
    const QString tooMany = QString::fromLocal8Bit(std::strerror(EMFILE));
    int ranOut = 0;
    for (int limit = 4; limit <= 16; ++limit)
        for (const QString& format : {QStringLiteral("--wav"), QStringLiteral("--mp3")}) {
            const CliRun ripped =
                run({QStringLiteral("--nofile=%1").arg(limit), QStringLiteral("--"), cli,
                     QStringLiteral("rip"), format, QStringLiteral("-o"),
                     QStringLiteral("out%1%2").arg(limit).arg(format), disc.cuePath},
                    prlimit);
            if (ripped.err.contains(QStringLiteral("error while loading shared libraries")))
                continue;
            const std::string run = QStringLiteral("%1 %2: ").arg(limit).arg(format).toStdString();
            EXPECT_FALSE(ripped.err.contains(QStringLiteral("Bad file descriptor")))
                << run << ripped.err.toStdString();
            EXPECT_FALSE(ripped.err.contains(QStringLiteral("vortan-disc-")))
                << run << ripped.err.toStdString();
            if (ripped.exitCode != 0) {
                EXPECT_TRUE(ripped.err.contains(tooMany)) << run << ripped.err.toStdString();
                ++ranOut;
            }
        }
    EXPECT_GT(ranOut, 0);
}

} // namespace
