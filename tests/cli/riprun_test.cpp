// mp3vortan-cli tracks, rip and verify over disc images as users bring them: data tracks,
// discs that do not start at track 1, images that do not hold what their sheet says, hostile
// sheets and texts, full disks, two rips at once, kills and interruptions.
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
#include "engine/platform/id3tag/id3tag.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);
constexpr int sectorBytes = 2352;

QStringList lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

using riplogtext::hex;
using riplogtext::ripLog;
using riplogtext::trackBlock;

class RipRun : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun run(const QStringList& arguments) const {
        return runProgram(cli, arguments, environment(), dir_.path());
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = headlessEnvironment(path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        QDir().mkpath(path(QStringLiteral("tmp")));
        return env;
    }
    DiscImage image(const QString& name, const std::vector<ImageTrack>& tracks,
                    const DiscImageOptions& options = {}) const {
        return writeDiscImage(dir_.path(), name, tracks, options);
    }
    QTemporaryDir dir_;
};

// Enhanced (data last) and mixed-mode (data first) discs: the data track is listed as data,
// left out of all tracks, refused by number; the disc IDs are computed; the rip ends.
TEST_F(RipRun, DataTracksAreListedNeverRippedAndRefusedByNumber) {
    const DiscImage extra =
        image(QStringLiteral("extra"), {{150, 440}, {300, 660}, {300, 0, {}, {}, true, 150}});
    const CliRun listed = run({QStringLiteral("tracks"), extra.cuePath});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QStringList shown = lines(listed.out);
    EXPECT_FALSE(shown.filter(QStringLiteral("MusicBrainz disc ID: none")).size())
        << listed.out.toStdString();
    EXPECT_EQ(shown.mid(shown.size() - 3),
              (QStringList{QStringLiteral("Track  1 - 0:02"), QStringLiteral("Track  2 - 0:04"),
                           QStringLiteral("Track  3 - 0:04 (data track)")}));

    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               QStringLiteral("extra"), extra.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QStringList files = lines(ripped.out);
    ASSERT_EQ(files.size(), 4); // two tracks, the log and the cue sheet
    EXPECT_EQ(fixtures::readFile(files[1]).mid(44), extra.trackAudio(2));
    const QString log = ripLog(path(QStringLiteral("extra")));
    EXPECT_TRUE(log.contains(QStringLiteral("AccurateRip disc: 002-"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("data track")));
    const ripsums::AccurateRip last = ripsums::accurateRip(extra.trackAudio(2), false, true);
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("AccurateRip v1: ") + hex(last.v1)));

    const CliRun asked =
        run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("3"), extra.cuePath});
    EXPECT_EQ(asked.exitCode, 2);
    EXPECT_TRUE(asked.err.contains(QStringLiteral("track 3 of ") + extra.cuePath +
                                   QStringLiteral(" is a data track")))
        << asked.err.toStdString();

    const DiscImage mixed =
        image(QStringLiteral("mixed"), {{300, 0, {}, {}, true}, {150, 440}, {200, 660}});
    const CliRun first = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                              QStringLiteral("mixed"), mixed.cuePath});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    ASSERT_EQ(lines(first.out).size(), 4); // two tracks, the log and the cue sheet
    const QString mixedLog = ripLog(path(QStringLiteral("mixed")));
    // The first audio track is the disc's first for AccurateRip.
    const ripsums::AccurateRip second = ripsums::accurateRip(mixed.trackAudio(2), true, false);
    EXPECT_TRUE(
        trackBlock(mixedLog, 2).contains(QStringLiteral("AccurateRip v1: ") + hex(second.v1)))
        << mixedLog.toStdString();
    EXPECT_FALSE(mixedLog.contains(QStringLiteral("Track 01\n")));
}

// A disc whose tracks are 5 to 7 keeps those numbers in its listing, its log and its refusals,
// and its AccurateRip sums are those of the same audio as tracks 1 to 3.
TEST_F(RipRun, ADiscOfTracksFiveToSevenKeepsItsNumbers) {
    const std::vector<ImageTrack> tracks = {{150, 440}, {75, 660}, {300, 880}};
    DiscImageOptions fifth;
    fifth.firstTrack = 5;
    const DiscImage later = image(QStringLiteral("later"), tracks, fifth);
    const CliRun listed = run({QStringLiteral("tracks"), later.cuePath});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(lines(listed.out).mid(3),
              (QStringList{QStringLiteral("Track  5 - 0:02"), QStringLiteral("Track  6 - 0:01"),
                           QStringLiteral("Track  7 - 0:04")}));

    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               QStringLiteral("later"), later.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString log = ripLog(path(QStringLiteral("later")));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QString block = trackBlock(log, 5 + i);
        ASSERT_FALSE(block.isEmpty()) << log.toStdString();
        const ripsums::AccurateRip sums =
            ripsums::accurateRip(later.trackAudio(i + 1), i == 0, i == 2);
        EXPECT_TRUE(block.contains(QStringLiteral("AccurateRip v1: ") + hex(sums.v1)));
        EXPECT_TRUE(block.contains(QStringLiteral("AccurateRip v2: ") + hex(sums.v2)));
        EXPECT_TRUE(QFileInfo(lines(ripped.out)[i])
                        .fileName()
                        .endsWith(QStringLiteral("-%1.wav").arg(5 + i)));
    }
    EXPECT_FALSE(log.contains(QStringLiteral("Track 01")));

    const CliRun none =
        run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("1"), later.cuePath});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.err.contains(QStringLiteral("has no track 1 (its tracks are 5 to 7)")))
        << none.err.toStdString();
}

// An image whose cue sheet and data file are named in bytes that are not UTF-8 (an old
// program's Latin-1) is found by those bytes: it lists and rips. The shell hands the names
// over as the system keeps them.
TEST_F(RipRun, AnImageNamedInBytesThatAreNotUtf8ListsAndRips) {
    const QString folder = path(QStringLiteral("latin"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const DiscImage plain =
        writeDiscImage(folder, QStringLiteral("plain"), {{150, 440}, {75, 660}});
    const QByteArray here = QFile::encodeName(folder) + '/';
    const QByteArray cue = QString::fromUtf8(fixtures::readFile(plain.cuePath))
                               .toUtf8()
                               .replace("plain.bin", "caf\xe9.bin");
    ASSERT_EQ(::rename(QFile::encodeName(plain.binPath).constData(), here + "caf\xe9.bin"), 0);
    ASSERT_EQ(::unlink(QFile::encodeName(plain.cuePath).constData()), 0);
    std::FILE* out = std::fopen(here + "caf\xe9.cue", "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(cue.constData(), 1, static_cast<std::size_t>(cue.size()), out),
              static_cast<std::size_t>(cue.size()));
    ASSERT_EQ(std::fclose(out), 0);
    const auto shell = [&](const char* command) {
        return runProgram(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"), QString::fromLatin1(command), cli}, environment(),
                          folder);
    };

    const CliRun listed = shell("exec \"$0\" tracks ./*.cue");
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(lines(listed.out).mid(lines(listed.out).size() - 2),
              (QStringList{QStringLiteral("Track  1 - 0:02"), QStringLiteral("Track  2 - 0:01")}));
    const CliRun ripped = shell("exec \"$0\" rip --wav -o ripped ./*.cue");
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    EXPECT_EQ(lines(ripped.out).size(), 4); // two tracks, the log and the cue sheet
    EXPECT_TRUE(ripLog(QDir(folder).filePath(QStringLiteral("ripped")))
                    .contains(QStringLiteral("Summary: 2 of 2 tracks asked for copied OK")));
    // Qt cannot remove what it cannot name: the two go by their bytes.
    ::unlink(here + "caf\xe9.cue");
    ::unlink(here + "caf\xe9.bin");
}

// An image that does not hold what its sheet says: every track missing or cut is a failed
// track in the log, in the end message and in the exit status.
TEST_F(RipRun, ImagesThatDoNotHoldWhatTheirSheetSaysFailTheirTracks) {
    const DiscImage cut = image(QStringLiteral("cut"), {{100, 440}, {100, 660}, {100, 880}});
    ASSERT_TRUE(QFile::resize(cut.binPath, 300 * sectorBytes - 1)); // one byte short
    const CliRun shortRip = run({QStringLiteral("rip"), QStringLiteral("--wav"),
                                 QStringLiteral("-o"), QStringLiteral("cut"), cut.cuePath});
    EXPECT_EQ(shortRip.exitCode, 1);
    EXPECT_TRUE(shortRip.err.contains(QStringLiteral("1 of 3 files could not be extracted")))
        << shortRip.err.toStdString();
    const QString cutLog = ripLog(path(QStringLiteral("cut")));
    EXPECT_TRUE(trackBlock(cutLog, 3).contains(QStringLiteral("sector 299 could not be read")))
        << cutLog.toStdString();
    EXPECT_TRUE(cutLog.contains(QStringLiteral("Summary: 2 of 3 tracks asked for copied OK")));

    const DiscImage gone = image(QStringLiteral("gone"), {{100, 440}, {100, 660}, {100, 880}});
    ASSERT_TRUE(QFile::resize(gone.binPath, 200 * sectorBytes)); // track 3 is not in the data
    const CliRun goneRip = run({QStringLiteral("rip"), QStringLiteral("--wav"),
                                QStringLiteral("-o"), QStringLiteral("gone"), gone.cuePath});
    EXPECT_EQ(goneRip.exitCode, 1);
    EXPECT_TRUE(goneRip.err.contains(QStringLiteral("Track 3 is missing")))
        << goneRip.err.toStdString();
    const QString goneLog = ripLog(path(QStringLiteral("gone")));
    EXPECT_TRUE(
        trackBlock(goneLog, 3).contains(QStringLiteral("Result: Copy failed (Track 3 is missing")))
        << goneLog.toStdString();
    EXPECT_TRUE(goneLog.contains(QStringLiteral("Summary: 2 of 3 tracks asked for copied OK")));
}

// Sheets and data files that are not what they claim are refused with the reason, and nothing
// waits on a FIFO.
TEST_F(RipRun, WhatIsNotADiscImageIsRefusedWithItsReason) {
    const DiscImage base = image(QStringLiteral("base"), {{100, 440}});
    const QString sheet =
        QStringLiteral("FILE \"%1\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    struct Case {
        QString dataName;
        QString reason;
    };
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("folder.bin"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo.bin"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(path(QStringLiteral("loop.bin")), path(QStringLiteral("loop.bin"))));
    for (const Case& c : {Case{QStringLiteral("folder.bin"), QStringLiteral("is a folder")},
                          Case{QStringLiteral("fifo.bin"), QStringLiteral("is not a regular file")},
                          Case{QStringLiteral("loop.bin"), QStringLiteral("leads back to itself")},
                          Case{QStringLiteral("none.bin"), QStringLiteral("is missing")}}) {
        const QString cue = path(c.dataName + QStringLiteral(".cue"));
        fixtures::writeFile(cue, sheet.arg(c.dataName).toUtf8());
        const CliRun r = run({QStringLiteral("tracks"), cue});
        EXPECT_EQ(r.exitCode, 1) << c.dataName.toStdString();
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.toStdString();
    }
    fixtures::writeFile(path(QStringLiteral("bad.cue")),
                        "FILE \"base.bin\" BINARY\n  TRACK 80 AUDIO\n    INDEX 01 00:00:00\n"
                        "  TRACK 81 AUDIO\n    INDEX 01 00:00:00\n");
    const CliRun bad = run({QStringLiteral("tracks"), path(QStringLiteral("bad.cue"))});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("bad.cue is not a valid cue sheet: line 5:")))
        << bad.err.toStdString();
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.cue"))).constData(), 0600), 0);
    const CliRun pipe = run({QStringLiteral("tracks"), path(QStringLiteral("pipe.cue"))});
    EXPECT_EQ(pipe.exitCode, 1);
    EXPECT_TRUE(pipe.err.contains(QStringLiteral("is not a regular file")));

    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo.wav"))).constData(), 0600), 0);
    const CliRun verify = run({QStringLiteral("verify"), base.cuePath, QStringLiteral("fifo.wav")});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_TRUE(verify.err.contains(QStringLiteral("fifo.wav: not a regular file")))
        << verify.err.toStdString();
    // No private copy is left behind by any of these runs.
    EXPECT_TRUE(
        QDir(path(QStringLiteral("tmp"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

// A log that cannot be written whole is not left, the user is told, and the exit status is 1.
TEST_F(RipRun, ALogTheDiskCannotTakeIsNotLeftLookingComplete) {
    const DiscImage disc = image(QStringLiteral("small"), {{200, 440}});
    const QString mountPoint = path(QStringLiteral("full"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    // Room for the track's WAV (470,444 bytes: 115 pages) and not one page more.
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=471040") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               mountPoint, disc.cuePath});
    const QStringList left = QDir(mountPoint).entryList(QDir::Files | QDir::Hidden);
    ::umount(QFile::encodeName(mountPoint).constData());
    EXPECT_EQ(ripped.exitCode, 1);
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("The rip log could not be written")))
        << ripped.err.toStdString();
    EXPECT_TRUE(ripped.err.contains(QStringLiteral("No space left on device")));
    EXPECT_TRUE(left.filter(QStringLiteral(".log")).isEmpty())
        << left.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(left.filter(QStringLiteral(".part")).isEmpty())
        << left.join(QLatin1Char(' ')).toStdString();
}

// Two rips of the same disc into one folder at the same time: neither replaces the other's
// files or log.
TEST_F(RipRun, TwoRipsAtOnceKeepEveryFileAndBothLogs) {
    const DiscImage disc = image(QStringLiteral("twice"), {{300, 440}, {300, 660}});
    const QStringList arguments = {QStringLiteral("rip"), QStringLiteral("--wav"),
                                   QStringLiteral("-o"), QStringLiteral("both"), disc.cuePath};
    CliRun results[2];
    QThread* second = QThread::create(
        [&] { results[1] = runProgram(cli, arguments, environment(), dir_.path()); });
    second->start();
    results[0] = run(arguments);
    second->wait();
    delete second;
    for (const CliRun& r : results)
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QDir both(path(QStringLiteral("both")));
    EXPECT_EQ(both.entryList({QStringLiteral("Rip *.log")}, QDir::Files).size(), 2);
    EXPECT_EQ(both.entryList({QStringLiteral("*.wav")}, QDir::Files).size(), 4);
    for (const CliRun& r : results)
        for (const QString& written : lines(r.out))
            EXPECT_TRUE(QFileInfo(written).isFile()) << written.toStdString();
}

// Text from a disc or the web service is shown escaped on the terminal and in the log; tags
// keep it as it is.
TEST_F(RipRun, ControlCharactersAreShownEscapedAndTaggedAsGiven) {
    DiscImageOptions options;
    options.title = QStringLiteral("Bell\aAlbum");
    const DiscImage disc =
        image(QStringLiteral("evil"), {{200, 440, QStringLiteral("Red\x1b[31mText")}, {200, 660}},
              options);
    const CliRun listed = run({QStringLiteral("tracks"), disc.cuePath});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_FALSE(listed.out.contains(QChar(0x1b)));
    EXPECT_FALSE(listed.out.contains(QChar(0x07)));
    EXPECT_TRUE(listed.out.contains(QStringLiteral("Red\\e[31mText")));
    EXPECT_TRUE(listed.out.contains(QStringLiteral("Album: Bell\\x07Album")));

    // The web service names track 2 with a newline and a forged log line.
    mbservice::LocalService service;
    QByteArray answer = mbservice::discAnswer(
        mbservice::release("r1", "Sea", "2005", "GB", mbservice::medium(1, 2, {}, "Song")));
    answer.replace("Song 2", "Two\\nResult: Copy OK\\nSummary: 2 of 2 tracks copied OK");
    service.body = answer;
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--lookup"),
                               QStringLiteral("-o"), QStringLiteral("evil"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString log = ripLog(path(QStringLiteral("evil")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("  Title: Two\\nResult: Copy OK\\nSummary: 2 of 2 tracks copied OK\n")))
        << log.toStdString();
    EXPECT_EQ(log.count(QStringLiteral("\nSummary:")), 1);
    const auto frames = id3tag::readFrames(lines(ripped.out)[1]);
    ASSERT_TRUE(frames.ok());
    bool found = false;
    for (const id3tag::Frame& frame : frames.value())
        found = found || (frame.id == QLatin1String("TIT2") &&
                          frame.text == QStringLiteral("Two\nResult: Copy OK\nSummary: 2 of 2 "
                                                       "tracks copied OK"));
    EXPECT_TRUE(found);
}

// A rip killed in the middle of a WAV leaves no file at the final name, only a temporary one
// whose name says it is unfinished.
TEST_F(RipRun, AKilledRipLeavesNoFileAtItsFinalName) {
    const DiscImage disc = image(QStringLiteral("long"), {{75 * 180, 440}});
    const QString out = path(QStringLiteral("killed"));
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(dir_.path());
    process.start(cli, {QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"), out,
                        disc.cuePath});
    ASSERT_TRUE(process.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    bool killed = false;
    while (!killed && process.state() == QProcess::Running && waited.elapsed() < 60000) {
        for (const QFileInfo& file : QDir(out).entryInfoList(QDir::Files | QDir::Hidden))
            if (file.size() > 4 * 1024 * 1024) {
                ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
                killed = true;
                break;
            }
        QThread::msleep(2);
    }
    process.waitForFinished(60000);
    ASSERT_TRUE(killed) << "the rip ended before its output passed 4 MB";
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 1) << left.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(left[0].startsWith(QStringLiteral(".vortan-unfinished-")));
    EXPECT_TRUE(left[0].endsWith(QStringLiteral(".part")));
}

// Ctrl+C while the web service is asked ends the rip at once, with nothing ripped and the
// private copy of the sheet removed.
TEST_F(RipRun, AnInterruptionDuringTheLookUpEndsTheRunAndRemovesItsFolder) {
    const DiscImage disc = image(QStringLiteral("asked"), {{100, 440}, {100, 660}});
    mbservice::LocalService service;
    service.silent = true;
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(dir_.path());
    process.start(cli, {QStringLiteral("rip"), QStringLiteral("--lookup"), QStringLiteral("-o"),
                        QStringLiteral("asked"), disc.cuePath});
    ASSERT_TRUE(process.waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&service] { return service.requests > 0; }, 60000));
    const QStringList during =
        QDir(path(QStringLiteral("tmp"))).entryList({QStringLiteral("vortan-disc-*")}, QDir::Dirs);
    EXPECT_EQ(during.size(), 1);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("interrupted"));
    EXPECT_TRUE(QDir(path(QStringLiteral("tmp")))
                    .entryList({QStringLiteral("vortan-disc-*")}, QDir::Dirs)
                    .isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("asked"))) &&
                 !QDir(path(QStringLiteral("asked"))).isEmpty());
}

} // namespace

namespace {

// The frames of the MP3 `path`'s ID3v2 tag, one "ID text" string each.
QStringList frameTexts(const QString& path) {
    QStringList out;
    const auto frames = id3tag::readFrames(path);
    if (frames)
        for (const id3tag::Frame& frame : frames.value())
            out << frame.id + QLatin1Char(' ') + frame.text;
    return out;
}

} // namespace

// A disc with audio before track 1 (a hidden track), pregaps before tracks 2 and 3, a
// catalogue number and ISRCs: "Track 00" is listed, left out of all tracks and ripped bit-exact
// by number; the cue sheet beside the rip keeps the gaps, the ISRCs and the catalogue number,
// and opens as an image of the same tracks; the log and the tags carry the codes.
TEST_F(RipRun, HiddenTrackPregapsAndTheCueSheetBesideTheRip) {
    DiscImageOptions options;
    options.catalog = QStringLiteral("0602537350142");
    options.title = QStringLiteral("Gaps");
    const DiscImage disc =
        image(QStringLiteral("gaps"),
              {{300, 440, QStringLiteral("One"), {}, false, 150, QStringLiteral("GBAYE0000001")},
               {300, 660, QStringLiteral("Two"), {}, false, 75, QStringLiteral("GBAYE0000002")},
               {225, 880, {}, {}, false, 30}},
              options);
    const QStringList listing = {QStringLiteral("Track 00 - 0:02"), QStringLiteral("Track  1 - 0:05"),
                                 QStringLiteral("Track  2 - 0:04"), QStringLiteral("Track  3 - 0:03")};
    const CliRun listed = run({QStringLiteral("tracks"), disc.cuePath});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    QStringList shown = lines(listed.out);
    for (QString& line : shown)
        line = line.section(QLatin1Char('\t'), 0, 0);
    EXPECT_EQ(shown.mid(shown.size() - 4), listing);

    // All tracks: 1 to 3, each from its INDEX 01 to the next track's, the gaps included.
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                               QStringLiteral("all"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QDir all(path(QStringLiteral("all")));
    const QStringList wavs = all.entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    ASSERT_EQ(wavs.size(), 3);
    const QStringList cues = all.entryList({QStringLiteral("Rip *.cue")}, QDir::Files);
    ASSERT_EQ(cues.size(), 1);
    EXPECT_TRUE(lines(ripped.out).contains(all.filePath(cues.front())));
    const QString sheet = QString::fromUtf8(fixtures::readFile(all.filePath(cues.front())));
    for (const char* line : {"CATALOG 0602537350142\n", "TITLE \"Gaps\"\n", "    PREGAP 00:02:00\n",
                             "    ISRC GBAYE0000001\n", "    ISRC GBAYE0000002\n",
                             "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    ISRC GBAYE0000002\n"
                             "    INDEX 00 00:04:00\n",
                             "  TRACK 03 AUDIO\n    INDEX 00 00:04:00\n"})
        EXPECT_TRUE(sheet.contains(QLatin1String(line))) << line << sheet.toStdString();
    const QString log = ripLog(all.path());
    EXPECT_TRUE(log.contains(QStringLiteral("Catalogue number: 0602537350142\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("Hidden track: the disc has a hidden track before "
                                            "track 1 (Track 00, 00:02.00)\n")));
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("  ISRC: GBAYE0000002\n")));
    EXPECT_TRUE(trackBlock(log, 2).contains(QStringLiteral("  Pregap: 00:01.00\n")));

    // The sheet is a disc image of the same tracks and lengths (its first track's pregap is
    // silence now: no hidden track).
    const CliRun reopened = run({QStringLiteral("tracks"), all.filePath(cues.front())});
    ASSERT_EQ(reopened.exitCode, 0) << reopened.err.toStdString();
    QStringList again = lines(reopened.out);
    for (QString& line : again)
        line = line.section(QLatin1Char('\t'), 0, 0);
    EXPECT_EQ(again.mid(again.size() - 3), listing.mid(1));
    EXPECT_EQ(again.filter(QStringLiteral("Disc identity")),
              shown.filter(QStringLiteral("Disc identity")));
    const CliRun copied = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-t"),
                               QStringLiteral("2"), QStringLiteral("-o"), QStringLiteral("again"),
                               all.filePath(cues.front())});
    ASSERT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    const QStringList copiedWavs =
        QDir(path(QStringLiteral("again"))).entryList({QStringLiteral("*.wav")}, QDir::Files);
    ASSERT_EQ(copiedWavs.size(), 1);
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("again/")) + copiedWavs.front()).mid(44),
              disc.audio.mid(qsizetype{525} * sectorBytes, qsizetype{330} * sectorBytes));

    // Track 00 by number: the audio before track 1, bit-exact; to MP3, the tags carry the codes.
    const CliRun hidden = run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-t"),
                               QStringLiteral("0"), QStringLiteral("-o"), QStringLiteral("hidden"),
                               disc.cuePath});
    ASSERT_EQ(hidden.exitCode, 0) << hidden.err.toStdString();
    const QStringList hiddenWavs =
        QDir(path(QStringLiteral("hidden"))).entryList({QStringLiteral("*.wav")}, QDir::Files);
    ASSERT_EQ(hiddenWavs.size(), 1);
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("hidden/")) + hiddenWavs.front()).mid(44),
              disc.audio.left(qsizetype{150} * sectorBytes));
    const CliRun mp3 = run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("1"),
                            QStringLiteral("-o"), QStringLiteral("mp3"), disc.cuePath});
    ASSERT_EQ(mp3.exitCode, 0) << mp3.err.toStdString();
    const QStringList mp3s =
        QDir(path(QStringLiteral("mp3"))).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    ASSERT_EQ(mp3s.size(), 1);
    const QStringList frames = frameTexts(path(QStringLiteral("mp3/")) + mp3s.front());
    EXPECT_TRUE(frames.contains(QStringLiteral("TSRC GBAYE0000001"))) << frames.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(frames.contains(QStringLiteral("TXXX [CATALOGNUMBER] 0602537350142")))
        << frames.join(QLatin1Char('|')).toStdString();
    const QString mp3Sheet = QString::fromUtf8(fixtures::readFile(
        QDir(path(QStringLiteral("mp3"))).filePath(
            QDir(path(QStringLiteral("mp3"))).entryList({QStringLiteral("*.cue")}).value(0))));
    EXPECT_TRUE(mp3Sheet.contains(QStringLiteral("FILE \"%1\" MP3\n").arg(mp3s.front())))
        << mp3Sheet.toStdString();
}

#if defined(__SANITIZE_ADDRESS__)
#define VORTAN_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORTAN_ADDRESS_SANITIZER
#endif
#endif

namespace {

QString sheetBeside(const QString& folder) {
    const QDir dir(folder);
    return QString::fromUtf8(
        fixtures::readFile(dir.filePath(dir.entryList({QStringLiteral("Rip *.cue")}).value(0))));
}

} // namespace

// Test and copy over a disc whose second track does not read the same twice: that track
// fails everywhere (named on stderr with both CRCs, not listed on stdout, exit status 1, its
// log block), its file is kept, and the cue sheet keeps every track's number, the failed one
// marked.
TEST_F(RipRun, ATrackWhoseTwoReadsDifferIsAFailedTrack) {
#ifdef VORTAN_ADDRESS_SANITIZER
    // The sanitizer's own stdio wrappers live in the program, ahead of any preloaded library.
    GTEST_SKIP() << "a preloaded library cannot reach the reads of a program built with "
                    "AddressSanitizer (the window's test covers the job)";
#endif
    const DiscImage disc = image(QStringLiteral("unsteady"), {{100, 440}, {120, 660}, {80, 880}});
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(VORTAN_UNSTEADY_READS));
    env.insert(QStringLiteral("VORTAN_UNSTEADY_FILE"), disc.binPath);
    // Sectors 120 to 200 of track 2 (100 to 220), read first ahead of track 1's test pass, then
    // by track 2's test pass and its copy: the copy reads them inverted.
    env.insert(QStringLiteral("VORTAN_UNSTEADY_BYTES"),
               QStringLiteral("%1-%2").arg(120 * sectorBytes).arg(200 * sectorBytes));
    env.insert(QStringLiteral("VORTAN_UNSTEADY_READER"), QStringLiteral("3"));
    const CliRun ripped = runProgram(cli,
                                     {QStringLiteral("rip"), QStringLiteral("--test-and-copy"),
                                      QStringLiteral("--wav"), QStringLiteral("-o"),
                                      QStringLiteral("out"), disc.cuePath},
                                     env, dir_.path());
    EXPECT_EQ(ripped.exitCode, 1);
    EXPECT_TRUE(ripped.err.contains(
        QRegularExpression(QStringLiteral("Track 2: \\S+-2\\.wav: the disc did not read the same "
                                          "twice \\(test CRC32 [0-9A-F]{8}, copy CRC32 "
                                          "[0-9A-F]{8}\\)"))))
        << ripped.err.toStdString();
    EXPECT_FALSE(ripped.err.contains(QStringLiteral("Track 2: done")));
    const QStringList written = lines(ripped.out);
    ASSERT_EQ(written.size(), 4) << ripped.out.toStdString(); // tracks 1 and 3, log, cue sheet
    EXPECT_TRUE(written[0].endsWith(QStringLiteral("-1.wav")));
    EXPECT_TRUE(written[1].endsWith(QStringLiteral("-3.wav")));
    const QStringList second =
        QDir(path(QStringLiteral("out"))).entryList({QStringLiteral("*-2.wav")}, QDir::Files);
    ASSERT_EQ(second.size(), 1); // the whole copy, as it was read
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("out/")) + second.front()).size(),
              44 + 120 * sectorBytes);

    const QString log = ripLog(path(QStringLiteral("out")));
    EXPECT_TRUE(trackBlock(log, 2).contains(
        QStringLiteral("Result: Copy finished with read errors (the test and copy CRCs differ)")))
        << log.toStdString();
    EXPECT_TRUE(trackBlock(log, 3).contains(QStringLiteral("Result: Copy OK")));
    const QString sheet = sheetBeside(path(QStringLiteral("out")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("FILE \"%1\" WAVE\n  TRACK 02 AUDIO\n"
                                              "    REM RESULT \"Copy finished with read errors\"\n")
                                   .arg(second.front())))
        << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("-3.wav\" WAVE\n  TRACK 03 AUDIO\n")))
        << sheet.toStdString();
}

// SIGTERM while the AccurateRip database is asked about the tracks just ripped: the rip ends
// at once, says that no verdict was given and exits 1, as a rip whose verdict fails does; the
// files and the log are kept.
TEST_F(RipRun, AnInterruptionAtTheAccurateRipQuestionFailsTheRun) {
    const DiscImage disc = image(QStringLiteral("asked"), {{100, 440}, {100, 660}});
    mbservice::LocalService service;
    service.silent = true;
    WriteSetting(SettingKey::AccurateRipServer, service.address());
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(dir_.path());
    process.start(cli, {QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"),
                        QStringLiteral("asked"), disc.cuePath});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&service] { return service.requests > 0; }, 60000));
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains(
        "interrupted: the AccurateRip verdict was not given"));
    EXPECT_EQ(lines(QString::fromLocal8Bit(process.readAllStandardOutput())).size(), 4);
    EXPECT_TRUE(ripLog(path(QStringLiteral("asked")))
                    .contains(QStringLiteral("The AccurateRip database could not be asked: "
                                             "interrupted")));
}

// A title of megabytes from the web service names a file at once: the name is cut in one pass
// to what the file system takes, the tag and the log keep a bounded start of it.
TEST_F(RipRun, AHugeTitleFromTheWebServiceNamesAFileAtOnce) {
    const DiscImage disc = image(QStringLiteral("huge"), {{100, 440}, {100, 660}});
    mbservice::LocalService service;
    QByteArray answer = mbservice::discAnswer(
        mbservice::release("r1", "Sea", "2005", "GB", mbservice::medium(1, 2, {}, "Song")));
    const QByteArray title = QByteArray("\xc3\xa9").repeated(1'800'000); // 3.6 MB of "é"
    answer.replace(answer.indexOf("Song 1"), 6, title);                  // the track's title
    service.body = answer;
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--lookup"), QStringLiteral("--name-from-disc"),
             QStringLiteral("-o"), QStringLiteral("huge"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString first = QFileInfo(lines(ripped.out).value(0)).fileName();
    EXPECT_EQ(first, QStringLiteral("01 - ") + QString(123, QChar(0xe9)) + QStringLiteral(".mp3"))
        << ripped.err.toStdString();
    QString tagged;
    for (const QString& frame : frameTexts(lines(ripped.out).value(0)))
        if (frame.startsWith(QStringLiteral("TIT2 ")))
            tagged = frame.mid(5);
    EXPECT_EQ(tagged, QString(1023, QChar(0xe9)) + QChar(0x2026));
    EXPECT_TRUE(trackBlock(ripLog(path(QStringLiteral("huge"))), 1)
                    .contains(QStringLiteral("  Title: ") + tagged + QLatin1Char('\n')));
}

// SIGTERM while offset find waits for the user's answer at the terminal: the program ends at
// once, says it was interrupted, exits 1 and stores nothing.
TEST_F(RipRun, AnInterruptionAtTheTerminalsPromptEndsTheRun) {
    DiscImage disc = image(QStringLiteral("prompt"), {{30, 440}, {40, 660}, {30, 880}});
    fillWithNoise(disc, 5);
    const auto registered = cddrives::registerImage(disc.cuePath);
    ASSERT_TRUE(registered.ok());
    const accuraterip::DiscKey key = accuraterecord::keyOf(registered->driveIndex);
    cddrives::forgetImages();
    mbservice::LocalService service;
    service.body = accuraterecord::recordOf(disc, key, 3, 5);
    WriteSetting(SettingKey::AccurateRipServer, service.address());

    // The program with a terminal of its own (a pseudo-terminal the test holds).
    std::vector<QByteArray> words = {QFile::encodeName(cli), "offset", "find",
                                     QFile::encodeName(disc.cuePath)};
    std::vector<QByteArray> settings;
    const QProcessEnvironment env = environment();
    for (const QString& name : env.keys())
        settings.push_back((name + QLatin1Char('=') + env.value(name)).toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& setting : settings)
        envp.push_back(setting.data());
    envp.push_back(nullptr);
    const QByteArray folder = QFile::encodeName(dir_.path());
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(folder.constData()) == 0)
            ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::fcntl(terminal, F_SETFL, ::fcntl(terminal, F_GETFL) | O_NONBLOCK);
    QByteArray shown;
    // Takes what the program wrote; true once the terminal has closed (the program ended)
    // and everything it wrote was taken.
    const auto readTerminal = [&] {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(terminal, buffer, sizeof buffer)) > 0)
            shown.append(buffer, got);
        return got == 0 || (got < 0 && errno == EIO);
    };
    const bool asked = QTest::qWaitFor(
        [&] {
            readTerminal();
            return shown.contains("[y/N]");
        },
        60000);
    EXPECT_TRUE(asked) << shown.toStdString();
    ::kill(child, SIGTERM);
    int status = 0;
    bool reaped = false;
    const bool ended = QTest::qWaitFor(
        [&] {
            const bool closed = readTerminal();
            reaped = reaped || ::waitpid(child, &status, WNOHANG) == child;
            return reaped && closed;
        },
        60000);
    if (!reaped) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ::close(terminal);
    ASSERT_TRUE(ended) << "the prompt went on waiting: " << shown.toStdString();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(shown.contains("interrupted")) << shown.toStdString();
    EXPECT_FALSE(readoffset::stored(QStringLiteral("Disc image")));
}
