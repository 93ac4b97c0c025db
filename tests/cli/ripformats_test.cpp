// mp3vortan-cli rip --to: the tracks of a disc image in several formats from one read, each
// file tagged, listed in the log and in its format's cue sheet; the choices that do not go
// together refused as usage errors.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "riplogtext.h"

#include "engine/platform/id3tag/audiotags.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class RipFormats : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    CliRun run(const QStringList& arguments) const {
        QProcessEnvironment env = headlessEnvironment(path(QStringLiteral("home")));
        return runProgram(cli, arguments, env, dir_.path());
    }
    DiscImage image() const {
        DiscImageOptions options;
        options.title = QStringLiteral("Album");
        options.performer = QStringLiteral("Band");
        return writeDiscImage(
            dir_.path(), QStringLiteral("disc"),
            {{150, 440, QStringLiteral("First")}, {100, 1000, QStringLiteral("Second")}}, options);
    }
    // What `program` (a Debian tool) prints on standard output; skips the test when missing.
    static QByteArray tool(const QString& program, const QStringList& arguments, int* status) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForStarted() || !process.waitForFinished(60000)) {
            *status = -1;
            return {};
        }
        *status = process.exitCode();
        return process.readAllStandardOutput();
    }

    QTemporaryDir dir_;
};

TEST_F(RipFormats, FlacAndMp3FromOneReadEachTaggedLoggedAndInItsCueSheet) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const DiscImage disc = image();
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--to"), QStringLiteral("flac,mp3"),
             QStringLiteral("--flac-level"), QStringLiteral("8"), QStringLiteral("-o"),
             QStringLiteral("out"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QStringList printed = ripped.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Each track's files, the main format's first, then the log and the two cue sheets.
    ASSERT_EQ(printed.size(), 7) << ripped.out.toStdString();
    for (int track = 1; track <= 2; ++track) {
        const QString flac = printed[(track - 1) * 2];
        const QString mp3 = printed[(track - 1) * 2 + 1];
        ASSERT_TRUE(flac.endsWith(QStringLiteral(".flac"))) << flac.toStdString();
        EXPECT_EQ(QFileInfo(mp3).completeBaseName(), QFileInfo(flac).completeBaseName());
        EXPECT_TRUE(mp3.endsWith(QStringLiteral(".mp3")));

        int status = 0;
        tool(QStringLiteral("flac"), {QStringLiteral("-t"), QStringLiteral("-s"), flac}, &status);
        EXPECT_EQ(status, 0) << "flac -t " << flac.toStdString();
        const QByteArray samples =
            tool(QStringLiteral("flac"),
                 {QStringLiteral("-d"), QStringLiteral("-s"), QStringLiteral("-c"),
                  QStringLiteral("--force-raw-format"), QStringLiteral("--endian=little"),
                  QStringLiteral("--sign=signed"), flac},
                 &status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(samples == disc.trackAudio(track)) << "track " << track;

        const mp3decode::Decoded decoded = mp3decode::decodeFile(mp3);
        EXPECT_EQ(decoded.samples.size() * sizeof(std::int16_t),
                  static_cast<std::size_t>(disc.trackAudio(track).size()));

        const QString title = track == 1 ? QStringLiteral("First") : QStringLiteral("Second");
        for (const QString& file : {flac, mp3}) {
            const auto tags = audiotags::read(file);
            ASSERT_TRUE(tags.ok()) << file.toStdString();
            EXPECT_EQ(tags->title, title) << file.toStdString();
            EXPECT_EQ(tags->album, QStringLiteral("Album"));
            EXPECT_EQ(tags->trackNumber, track);
            EXPECT_EQ(tags->trackTotal, 2);
            EXPECT_TRUE(tags->trackGain.has_value()) << file.toStdString();
            EXPECT_TRUE(tags->albumGain.has_value()) << file.toStdString();
        }
    }
    const QString log = riplogtext::ripLog(path(QStringLiteral("out")));
    EXPECT_TRUE(log.contains(QStringLiteral("FLAC, level 8; MP3, "))) << log.toStdString();
    for (int track = 1; track <= 2; ++track) {
        const QString block = riplogtext::trackBlock(log, track);
        EXPECT_TRUE(block.contains(QStringLiteral("  File: ") + printed[(track - 1) * 2] +
                                   QStringLiteral("\n  File: ") + printed[(track - 1) * 2 + 1] +
                                   QStringLiteral("\n")))
            << block.toStdString();
    }
    ASSERT_TRUE(printed[5].endsWith(QStringLiteral(".cue")));
    EXPECT_EQ(printed[6], printed[5].chopped(4) + QStringLiteral(".mp3.cue"));
    const QString flacSheet = QString::fromUtf8(fixtures::readFile(printed[5]));
    const QString mp3Sheet = QString::fromUtf8(fixtures::readFile(printed[6]));
    EXPECT_TRUE(flacSheet.contains(QStringLiteral("FILE \"") + QFileInfo(printed[0]).fileName() +
                                   QStringLiteral("\" WAVE")))
        << flacSheet.toStdString();
    EXPECT_TRUE(mp3Sheet.contains(QStringLiteral("FILE \"") + QFileInfo(printed[3]).fileName() +
                                  QStringLiteral("\" MP3")))
        << mp3Sheet.toStdString();
    EXPECT_FALSE(mp3Sheet.contains(QStringLiteral(".flac")));
}

// WAV first, Opus beside it at the bitrate -b gives: the WAV is the track, the Opus tagged.
TEST_F(RipFormats, WavWithOpusBesideItAtTheBitrateAsked) {
    const DiscImage disc = image();
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--to"), QStringLiteral("wav,opus"),
             QStringLiteral("-b"), QStringLiteral("500"), QStringLiteral("-t"), QStringLiteral("1"),
             QStringLiteral("-o"), QStringLiteral("opus"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QStringList printed = ripped.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), 5) << ripped.out.toStdString(); // two files, log, two sheets
    EXPECT_TRUE(fixtures::readFile(printed[0]).mid(44) == disc.trackAudio(1));
    ASSERT_TRUE(printed[1].endsWith(QStringLiteral(".opus")));
    const auto tags = audiotags::read(printed[1]);
    ASSERT_TRUE(tags.ok());
    EXPECT_EQ(tags->title, QStringLiteral("First"));
    EXPECT_TRUE(tags->trackGain.has_value());
    EXPECT_TRUE(riplogtext::ripLog(path(QStringLiteral("opus")))
                    .contains(QStringLiteral("Output: WAV, 44,100 Hz, 16-bit, stereo; Opus, "
                                             "500 kbit/s\n")));
    EXPECT_TRUE(printed[4].endsWith(QStringLiteral(".opus.cue")));
}

// One format alone: only its files, its cue sheet under the log's name, its level taken.
TEST_F(RipFormats, FlacAloneAndTheChoicesThatDoNotGoTogether) {
    if (QStandardPaths::findExecutable(QStringLiteral("metaflac")).isEmpty())
        GTEST_SKIP() << "metaflac is not installed";
    const DiscImage disc = image();
    const CliRun ripped = run({QStringLiteral("rip"), QStringLiteral("--to"),
                               QStringLiteral("FLAC"), QStringLiteral("-t"), QStringLiteral("2"),
                               QStringLiteral("-o"), QStringLiteral("alone"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QStringList printed = ripped.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), 3) << ripped.out.toStdString(); // the file, the log, the sheet
    EXPECT_TRUE(printed[0].endsWith(QStringLiteral(".flac")));
    EXPECT_TRUE(printed[2].endsWith(QStringLiteral(".cue")));
    EXPECT_FALSE(printed[2].endsWith(QStringLiteral(".flac.cue")));
    EXPECT_EQ(QDir(path(QStringLiteral("alone"))).entryList(QDir::Files).size(), 3);
    int status = 0;
    const QByteArray title =
        tool(QStringLiteral("metaflac"), {QStringLiteral("--show-tag=TITLE"), printed[0]}, &status);
    EXPECT_EQ(QString::fromUtf8(title).trimmed(), QStringLiteral("TITLE=Second"));

    const QStringList refused[] = {
        {QStringLiteral("--to"), QStringLiteral("flac"), QStringLiteral("--wav")},
        {QStringLiteral("--mp3"), QStringLiteral("--to"), QStringLiteral("opus")},
        {QStringLiteral("--to"), QStringLiteral("flac,ogg")},
        {QStringLiteral("--to"), QStringLiteral("flac"), QStringLiteral("--flac-level"),
         QStringLiteral("9")},
        {QStringLiteral("--to"), QStringLiteral("mp3"), QStringLiteral("--flac-level"),
         QStringLiteral("5")},
        {QStringLiteral("--to"), QStringLiteral("opus"), QStringLiteral("-b"),
         QStringLiteral("600")},
        // 500 kbit/s is an Opus bitrate, not one of MP3's.
        {QStringLiteral("-b"), QStringLiteral("500"), QStringLiteral("--to"),
         QStringLiteral("opus,mp3")},
    };
    for (const QStringList& options : refused) {
        const CliRun usage =
            run(QStringList{QStringLiteral("rip")} + options +
                QStringList{QStringLiteral("-o"), QStringLiteral("no"), disc.cuePath});
        EXPECT_EQ(usage.exitCode, 2) << options.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_FALSE(QDir(path(QStringLiteral("no"))).exists());
    const CliRun help = run({QStringLiteral("--help")});
    EXPECT_TRUE(help.out.contains(QStringLiteral("rip --to flac,mp3"))) << help.out.toStdString();
}

} // namespace
