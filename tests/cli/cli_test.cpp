// mp3vortan-cli as a shell runs it: no display, the test's own settings store, files made here.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "mp3fixture.h"
#include "musicbrainzservice.h"

#include "engine/core/batchrunner.h"
#include "engine/core/settings.h"
#include "engine/decode/decodejob.h"
#include "engine/formats/mp3info.h"
#include "engine/pipeline/encodejob.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/discid/mbdiscid.h"
#include "engine/player/tagwriter.h"
#include "engine/service/conversionservice.h"
#include "ripsums.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class CliTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun run(const QStringList& arguments) const {
        return runProgram(cli, arguments, headlessEnvironment(path(QStringLiteral("home"))),
                          dir_.path());
    }

    // A CD-format WAV of a tone.
    QString wav(const QString& name, double frequencyHz, double seconds) const {
        fixtures::writeFile(path(name), fixtures::wavBytes(fixtures::sine(frequencyHz, seconds)));
        return path(name);
    }

    // The outputs of `items` made in this process by the batch loop with `makeJob`, the way
    // the window's batches make them.
    static QList<WorkItem> runHere(const BatchRunner::JobMaker& makeJob, QList<WorkItem> items) {
        BatchRunner runner(makeJob);
        EXPECT_TRUE(runner.run(std::move(items)));
        for (const JobResult& result : runner.results())
            EXPECT_EQ(result.status, JobResult::Status::Completed) << result.reason.toStdString();
        return runner.items();
    }

    QTemporaryDir dir_;
};

QStringList lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST_F(CliTest, UsageErrorsExitTwoAndHelpAndVersionExitZero) {
    for (const QStringList& arguments :
         {QStringList{},
          {QStringLiteral("convert"), QStringLiteral("a.wav")},
          {QStringLiteral("encode")},
          {QStringLiteral("encode"), QStringLiteral("-b"), QStringLiteral("100"),
           QStringLiteral("a.wav")},
          {QStringLiteral("encode"), QStringLiteral("-q"), QStringLiteral("Loud"),
           QStringLiteral("a.wav")},
          {QStringLiteral("encode"), QStringLiteral("-j"), QStringLiteral("0"),
           QStringLiteral("a.wav")},
          {QStringLiteral("decode"), QStringLiteral("-b"), QStringLiteral("128"),
           QStringLiteral("a.mp3")},
          {QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("3-1"),
           QStringLiteral("a.cue")},
          {QStringLiteral("tracks"), QStringLiteral("a.cue"), QStringLiteral("b.cue")},
          {QStringLiteral("encode"), QStringLiteral("-o")}}) {
        const CliRun r = run(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--help"))) << r.err.toStdString();
    }
    EXPECT_TRUE(run({QStringLiteral("encode"), QStringLiteral("-b"), QStringLiteral("100"),
                     QStringLiteral("a.wav")})
                    .err.contains(QStringLiteral("'100'")));

    const CliRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: mp3vortan-cli")));
    const CliRun version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("mp3vortan-cli " VORTAN_VERSION "\n"));
}

namespace {

// The options a text names: "--long" and "-s" words (a man page's "\-" read as "-").
QSet<QString> optionsIn(QString text) {
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QSet<QString> found;
    static const QRegularExpression option(
        QStringLiteral("(?<![\\w-])(--[a-z][a-z-]*[a-z]|-[a-zA-Z])(?![\\w-])"));
    for (auto match = option.globalMatch(text); match.hasNext();)
        found.insert(match.next().captured(1));
    return found;
}

std::string listed(const QSet<QString>& options) {
    QStringList sorted(options.begin(), options.end());
    sorted.sort();
    return sorted.join(QLatin1Char(' ')).toStdString();
}

} // namespace

// The manual page names every option --help names, and no other; the README names every
// option and command there is.
TEST_F(CliTest, TheManualPageAndTheReadmeNameEveryOptionOfTheHelp) {
    const CliRun help = run({QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0);
    const QSet<QString> options = optionsIn(help.out);
    EXPECT_GE(options.size(), 20) << help.out.toStdString(); // short and long spellings
    const QString manual = QString::fromUtf8(fixtures::readFile(QStringLiteral(VORTAN_MAN_PAGE)));
    const QString readme = QString::fromUtf8(fixtures::readFile(QStringLiteral(VORTAN_README)));
    ASSERT_FALSE(manual.isEmpty());
    ASSERT_FALSE(readme.isEmpty());
    const QSet<QString> inManual = optionsIn(manual);
    EXPECT_EQ(listed(options - inManual), "") << "missing from the manual page";
    EXPECT_EQ(listed(inManual - options), "") << "in the manual page, not in --help";
    EXPECT_EQ(listed(options - optionsIn(readme)), "") << "missing from the README";
    for (const char* command :
         {"encode", "decode", "convert", "tracks", "rip", "info", "verify", "offset find"}) {
        const QString line = QStringLiteral("mp3vortan-cli ") + QLatin1String(command);
        EXPECT_TRUE(
            help.out.contains(QStringLiteral("  ") + QLatin1String(command) + QLatin1Char(' ')))
            << command;
        EXPECT_TRUE(manual.contains(QStringLiteral(".B ") + line)) << command;
        EXPECT_TRUE(readme.contains(line)) << command;
    }
}

// The window's stored bitrate and quality are the defaults; the outputs are those of the
// window's engine; a flag changes one run and is never saved.
TEST_F(CliTest, EncodeAndDecodeMakeTheWindowsFilesFromItsSettingsAndSaveNoFlag) {
    WriteSetting(SettingKey::EncodingBitrate, QStringLiteral("8")); // 128 kbit/s
    WriteSetting(SettingKey::EncodingQuality, QStringLiteral("2")); // "High"
    const QString store = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                    QString::fromLatin1(settings::applicationName))
                              .fileName();
    const QByteArray storedBefore = fixtures::readFile(store);
    const QStringList sources = {wav(QStringLiteral("a.wav"), 440, 3.0),
                                 wav(QStringLiteral("b.wav"), 1000, 2.0)};

    const CliRun encoded = run({QStringLiteral("encode"), QStringLiteral("-j"), QStringLiteral("2"),
                                QStringLiteral("-o"), QStringLiteral("cli"),
                                QStringLiteral("a.wav"), QStringLiteral("b.wav")});
    ASSERT_EQ(encoded.exitCode, 0) << encoded.err.toStdString();
    const QStringList written = lines(encoded.out); // in the order they were done
    EXPECT_EQ(
        QSet<QString>(written.begin(), written.end()),
        (QSet<QString>{path(QStringLiteral("cli/a.mp3")), path(QStringLiteral("cli/b.mp3"))}));

    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("here"))));
    DecodePath = path(QStringLiteral("here"));
    QList<WorkItem> items;
    for (const QString& source : sources)
        items.append(WorkItem{
            source, ConversionService::outputFor(ConversionKind::WavToMp3, DecodePath, source)});
    const auto config = fileEncoderConfigFor(8, 2);
    for (const WorkItem& made :
         runHere([config] { return std::make_unique<EncodeJob>([config] { return config; }); },
                 items)) {
        const QString fromCli = path(QStringLiteral("cli/")) + QFileInfo(made.output).fileName();
        EXPECT_EQ(fixtures::readFile(fromCli), fixtures::readFile(made.output))
            << fromCli.toStdString();
    }

    const CliRun decoded = run({QStringLiteral("decode"), QStringLiteral("-o"),
                                QStringLiteral("wav"), QStringLiteral("cli/a.mp3")});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
    const QList<WorkItem> windowDecoded =
        runHere([] { return std::make_unique<DecodeJob>(); },
                {WorkItem{path(QStringLiteral("cli/a.mp3")),
                          ConversionService::outputFor(ConversionKind::Mp3ToWav, DecodePath,
                                                       path(QStringLiteral("cli/a.mp3")))}});
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("wav/a.wav"))),
              fixtures::readFile(windowDecoded.front().output));

    const CliRun louder =
        run({QStringLiteral("encode"), QStringLiteral("-b"), QStringLiteral("320"),
             QStringLiteral("-q"), QStringLiteral("normal"), QStringLiteral("-o"),
             QStringLiteral("cli"), QStringLiteral("a.wav")});
    ASSERT_EQ(louder.exitCode, 0) << louder.err.toStdString();
    EXPECT_EQ(louder.out.trimmed(), path(QStringLiteral("cli/a (2).mp3"))); // never replaced
    Mp3HeaderRecord record;
    ReadMp3Info(louder.out.trimmed(), false, true, record);
    EXPECT_EQ(record.bitRateKbps, 320);
    EXPECT_EQ(fixtures::readFile(store), storedBefore);
}

// Without a settings file the window's first-run choices hold, and a batch with failures
// converts the rest, names each failure with its reason and exits 1.
TEST_F(CliTest, FirstRunBatchWithFailuresNamesEachAndExitsOne) {
    wav(QStringLiteral("first-run cli test.wav"), 440, 1.0);
    fixtures::writeFile(path(QStringLiteral("notes.wav")), QByteArray("not a WAV file at all"));
    const CliRun r = run({QStringLiteral("encode"), QStringLiteral("first-run cli test.wav"),
                          QStringLiteral("gone.wav"), QStringLiteral("notes.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("2 of 3 files could not be encoded")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("gone.wav: File not found")));
    EXPECT_TRUE(r.err.contains(QRegularExpression(QStringLiteral("notes\\.wav.*: \\w+"))));

    // First run, program folder writable: "WAVFiles" beside the program, at 80 kbit/s.
    const QString made = r.out.trimmed();
    EXPECT_EQ(QFileInfo(made).absolutePath(),
              QFileInfo(cli).absolutePath() + QStringLiteral("/WAVFiles"));
    Mp3HeaderRecord record;
    ReadMp3Info(made, false, true, record);
    EXPECT_EQ(record.bitRateKbps, 80);
    QFile::remove(made);
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_CONFIG_HOME") +
                                   QStringLiteral("/MP3 Vortan v2.0.conf")));

    const CliRun decoded = run({QStringLiteral("decode"), QStringLiteral("-o"),
                                QStringLiteral("out"), QStringLiteral("notes.wav")});
    EXPECT_EQ(decoded.exitCode, 1);
    EXPECT_TRUE(decoded.err.contains(QStringLiteral("notes.wav"))) << decoded.err.toStdString();
}

// Ctrl+C ends the file under way properly and starts no other: every output is whole MP3.
TEST_F(CliTest, AnInterruptedBatchLeavesProperFilesAndExitsOne) {
    QStringList arguments = {QStringLiteral("encode"), QStringLiteral("-j"), QStringLiteral("1"),
                             QStringLiteral("-o"), QStringLiteral("out")};
    for (int i = 0; i < 6; ++i)
        arguments << QFileInfo(wav(QStringLiteral("t%1.wav").arg(i), 440, 30.0)).fileName();
    QProcess process;
    process.setProcessEnvironment(headlessEnvironment(path(QStringLiteral("home"))));
    process.setWorkingDirectory(dir_.path());
    process.start(cli, arguments);
    // The first file's line says the batch runs, its interruption handler in place.
    QByteArray said;
    while (!said.contains('\n') && process.waitForReadyRead(60000))
        said += process.readAllStandardError();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    said += process.readAllStandardError();
    EXPECT_TRUE(said.contains("interrupted")) << said.toStdString();
    EXPECT_TRUE(said.contains("not started")) << said.toStdString();
    const QStringList made = QDir(path(QStringLiteral("out"))).entryList(QDir::Files);
    EXPECT_LT(made.size(), 6);
    for (const QString& name : made) {
        Mp3HeaderRecord record;
        ReadMp3Info(path(QStringLiteral("out/")) + name, false, true, record);
        EXPECT_EQ(record.bitRateKbps, 80) << name.toStdString();
        // A stopped encode still rewrites its first frame into the LAME/Info tag.
        EXPECT_TRUE(fixtures::readFile(path(QStringLiteral("out/")) + name).contains("Info"))
            << name.toStdString();
    }
}

TEST_F(CliTest, TracksAndRipReadADiscImage) {
    accuraterecord::askNoDatabase();
    const DiscImage image = writeDiscImage(dir_.path(), QStringLiteral("album"),
                                           {{200, 440.0}, {300, 660.0}, {160, 880.0}});
    const CliRun listed = run({QStringLiteral("tracks"), image.cuePath});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    cddrives::DiscToc toc;
    toc.trackStartLba = {0, 200, 500};
    toc.leadOutLba = 660;
    const std::uint32_t identity = cddrives::freedbDiscId(toc);
    EXPECT_EQ(lines(listed.out),
              (QStringList{QStringLiteral("Disc identity: %1 (freedb %2)")
                               .arg(identity)
                               .arg(identity, 8, 16, QLatin1Char('0')),
                           QStringLiteral("MusicBrainz disc ID: ") +
                               mbdiscid::musicBrainzDisc(toc).value().id,
                           QStringLiteral("Tracks: 3"), QStringLiteral("Track  1 - 0:02"),
                           QStringLiteral("Track  2 - 0:04"), QStringLiteral("Track  3 - 0:02")}));

    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("3,1"),
             QStringLiteral("--wav"), QStringLiteral("-o"), QStringLiteral("cd"), image.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    // The tracks in the order asked for, then the rip log and the cue sheet beside them.
    QStringList files = lines(ripped.out);
    ASSERT_EQ(files.size(), 4);
    EXPECT_TRUE(files.takeLast().endsWith(QStringLiteral(".cue")));
    EXPECT_TRUE(QFileInfo(files.takeLast()).fileName().startsWith(QStringLiteral("Rip ")));
    for (int i = 0; i < 2; ++i) {
        const int track = i == 0 ? 3 : 1;
        EXPECT_TRUE(QFileInfo(files[i]).fileName().contains(
            QRegularExpression(QStringLiteral("^\\d+-%1\\.wav$").arg(track))))
            << files[i].toStdString();
        EXPECT_EQ(fixtures::readFile(files[i]).mid(44), image.trackAudio(track));
    }

    // The WAVs verify against the disc; one changed sample is found. Test and copy logs both
    // CRCs.
    const CliRun verified = run({QStringLiteral("verify"), image.cuePath, files[0], files[1]});
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    EXPECT_EQ(lines(verified.out).size(), 2);
    EXPECT_TRUE(verified.out.startsWith(QStringLiteral("Track 3: ")));
    QByteArray changed = fixtures::readFile(files[1]);
    changed[44 + 2352 * 7] = static_cast<char>(changed[44 + 2352 * 7] ^ 1);
    fixtures::writeFile(files[1], changed);
    const CliRun differs = run({QStringLiteral("verify"), image.cuePath, files[1]});
    EXPECT_EQ(differs.exitCode, 1);
    EXPECT_TRUE(differs.err.contains(QStringLiteral("does not match the disc")));
    const CliRun tested = run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("1"),
                               QStringLiteral("--wav"), QStringLiteral("--test-and-copy"),
                               QStringLiteral("-o"), QStringLiteral("tested"), image.cuePath});
    ASSERT_EQ(tested.exitCode, 0) << tested.err.toStdString();
    const QString log = QString::fromUtf8(
        fixtures::readFile(lines(tested.out).filter(QStringLiteral(".log")).value(0)));
    const QString crc = QStringLiteral("%1")
                            .arg(ripsums::crc32(image.trackAudio(1)), 8, 16, QLatin1Char('0'))
                            .toUpper();
    EXPECT_TRUE(log.contains(QStringLiteral("Test CRC32: ") + crc)) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Copy CRC32: ") + crc));

    const CliRun mp3 =
        run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("2"), QStringLiteral("-b"),
             QStringLiteral("192"), QStringLiteral("-o"), QStringLiteral("cd"), image.cuePath});
    ASSERT_EQ(mp3.exitCode, 0) << mp3.err.toStdString();
    Mp3HeaderRecord record;
    ReadMp3Info(lines(mp3.out).front(), false, true, record);
    EXPECT_EQ(record.bitRateKbps, 192);
    // Its ID3v2 tag, the album's ReplayGain added once the rip ended, as info lists it.
    const QStringList shown = lines(run({QStringLiteral("info"), lines(mp3.out).front()}).out);
    EXPECT_TRUE(shown.contains(QStringLiteral("ID3v2 TRCK: 2/3")))
        << shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(shown.filter(QStringLiteral("ID3v2 TXXX: [REPLAYGAIN_ALBUM_GAIN] ")).size(), 1);

    EXPECT_EQ(run({QStringLiteral("rip"), QStringLiteral("-t"), QStringLiteral("4"), image.cuePath})
                  .exitCode,
              2);
    const CliRun missing = run({QStringLiteral("tracks"), path(QStringLiteral("none.cue"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("none.cue")));
}

TEST_F(CliTest, InfoShowsTheTagPanelsValues) {
    fixtures::writeMp3(path(QStringLiteral("song.mp3")), fixtures::sine(440, 2.0));
    tagwriter::TagTexts texts;
    texts.title = QStringLiteral("Night Train");
    texts.artist = QStringLiteral("The Band");
    texts.genre = QStringLiteral("17");
    ASSERT_TRUE(
        tagwriter::writeTagBlock(path(QStringLiteral("song.mp3")), tagwriter::tagBlock(texts)));
    Mp3HeaderRecord record;
    ReadMp3Info(path(QStringLiteral("song.mp3")), true, true, record);

    const CliRun r = run({QStringLiteral("info"), QStringLiteral("song.mp3")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList shown = lines(r.out);
    for (const QString& line : tagwriter::headerLines(record))
        EXPECT_TRUE(shown.contains(line)) << line.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Title              Night Train")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Artist             The Band")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Genre              17")));
    EXPECT_TRUE(shown.contains(QStringLiteral("HasTag             True")));

    fixtures::writeFile(path(QStringLiteral("short.mp3")), QByteArray(50, 'x'));
    const CliRun empty = run({QStringLiteral("info"), QStringLiteral("short.mp3")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("short.mp3: File contains no data")));

    // A block whose fields end with NULs, as most taggers write them: the text alone.
    QByteArray block = QByteArray("TAG");
    for (const QByteArray& field : {QByteArray("Night Train"), QByteArray("The Band"),
                                    QByteArray("Rails"), QByteArray("1999")})
        block += field.leftJustified(field == "1999" ? 4 : 30, '\0');
    block += QByteArray(30, '\0') + QByteArray(1, '\x11');
    fixtures::writeFile(path(QStringLiteral("padded.mp3")),
                        fixtures::readFile(path(QStringLiteral("song.mp3"))).chopped(128) + block);
    const CliRun padded = run({QStringLiteral("info"), QStringLiteral("padded.mp3")});
    ASSERT_EQ(padded.exitCode, 0) << padded.err.toStdString();
    const QStringList fields = lines(padded.out);
    for (const char* line :
         {"Title              Night Train", "Artist             The Band",
          "Album              Rails", "Year               1999", "Comment            "})
        EXPECT_TRUE(fields.contains(QLatin1String(line))) << line << "\n"
                                                          << padded.out.toStdString();
    EXPECT_FALSE(padded.out.contains(QStringLiteral("\\x00"))) << padded.out.toStdString();
}

} // namespace

// The disc's CD-Text and MusicBrainz disc ID are listed; a look-up names the tracks after the
// first release and lists the others; rip names its files from the titles; no server: the
// reason, and the CD-Text stays.
TEST_F(CliTest, TracksAndRipUseTheDiscsInformation) {
    accuraterecord::askNoDatabase();
    DiscImageOptions disc;
    disc.title = QStringLiteral("Sea Songs");
    disc.performer = QStringLiteral("Ann Vale");
    const DiscImage image = writeDiscImage(
        dir_.path(), QStringLiteral("sea"),
        {{200, 440.0, QStringLiteral("Tide/Turn?")}, {300, 660.0, QStringLiteral("Calm")}}, disc);
    cddrives::DiscToc toc;
    toc.trackStartLba = {0, 200};
    toc.leadOutLba = 500;
    const QString discId = mbdiscid::musicBrainzDisc(toc).value().id;

    const CliRun listed = run({QStringLiteral("tracks"), image.cuePath});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QStringList shown = lines(listed.out);
    EXPECT_EQ(
        shown.mid(1),
        (QStringList{QStringLiteral("MusicBrainz disc ID: ") + discId,
                     QStringLiteral("Album: Sea Songs"), QStringLiteral("Artist: Ann Vale"),
                     QStringLiteral("Tracks: 2"), QStringLiteral("Track  1 - 0:02\tTide/Turn?"),
                     QStringLiteral("Track  2 - 0:04\tCalm")}));

    mbservice::LocalService service;
    service.body = mbservice::discAnswer(
        mbservice::release("r-first", "Tides", "2005", "GB", mbservice::medium(1, 2, {}, "First")) +
        "," +
        mbservice::release("r-second", "Tides", "2011", "DE",
                           mbservice::medium(1, 2, {}, "Second")));
    WriteSetting(SettingKey::MusicBrainzServer, service.address());
    const CliRun lookedUp =
        run({QStringLiteral("tracks"), QStringLiteral("--lookup"), image.cuePath});
    ASSERT_EQ(lookedUp.exitCode, 0) << lookedUp.err.toStdString();
    EXPECT_TRUE(service.lastRequest.contains(discId.toLatin1()));
    const QStringList named = lines(lookedUp.out);
    EXPECT_TRUE(named.contains(QStringLiteral("MusicBrainz release: r-first")));
    EXPECT_TRUE(named.contains(QStringLiteral("Track  2 - 0:04\tFirst 2 (Ann Vale)")))
        << lookedUp.out.toStdString();
    EXPECT_TRUE(
        named.contains(QStringLiteral("  2  Tides | Ann Vale & The Tides | 2011 | DE | - | - | "
                                      "- | CD | 1 | r-second")))
        << lookedUp.out.toStdString();

    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("--name-from-disc"),
             QStringLiteral("-o"), QStringLiteral("cd"), image.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    EXPECT_EQ(lines(ripped.out).mid(0, 2),
              (QStringList{path(QStringLiteral("cd/01 - Tide_Turn_.wav")),
                           path(QStringLiteral("cd/02 - Calm.wav"))}));

    WriteSetting(SettingKey::MusicBrainzServer, QStringLiteral("localhost:1"));
    const CliRun refused =
        run({QStringLiteral("tracks"), QStringLiteral("--lookup"), image.cuePath});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("could not be looked up")))
        << refused.err.toStdString();
    EXPECT_TRUE(lines(refused.out).contains(QStringLiteral("Track  1 - 0:02\tTide/Turn?")));
}

namespace {

// The temporary files of outputs under way in `folder`.
QStringList unfinished(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".vortan-unfinished-*")},
                                  QDir::Files | QDir::Hidden);
}

// The names in `folder` as the system keeps them: bytes.
QList<QByteArray> rawNames(const QString& folder) {
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(QFile::encodeName(folder).constData())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names << QByteArray(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

} // namespace

// A kill in the middle of an encode leaves no file at the MP3's name, only a temporary file
// that says it is unfinished; the next run removes it and says so.
TEST_F(CliTest, AKillLeavesNoFileThatLooksCompleteAndTheNextRunClearsIt) {
    wav(QStringLiteral("long.wav"), 440, 120.0);
    QProcess process;
    process.setProcessEnvironment(headlessEnvironment(path(QStringLiteral("home"))));
    process.setWorkingDirectory(dir_.path());
    process.start(cli, {QStringLiteral("encode"), QStringLiteral("-o"), QStringLiteral("out"),
                        QStringLiteral("long.wav")});
    ASSERT_TRUE(process.waitForStarted());
    // Killed once its output has passed 100 kB.
    const QString out = path(QStringLiteral("out"));
    QString temporary;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && process.state() == QProcess::Running) {
        const QStringList now = unfinished(out);
        if (!now.isEmpty() && QFileInfo(out + QLatin1Char('/') + now.front()).size() > 100'000) {
            temporary = out + QLatin1Char('/') + now.front();
            break;
        }
        QThread::msleep(5);
    }
    ASSERT_FALSE(temporary.isEmpty()) << "the encode ended or never wrote";
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/long.mp3")));
    EXPECT_EQ(unfinished(out), QStringList{QFileInfo(temporary).fileName()});

    // A minute later (a leftover younger than that may still have a writer starting up).
    const QByteArray native = QFile::encodeName(temporary);
    const timeval past[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimes(native.constData(), past), 0);
    wav(QStringLiteral("short.wav"), 440, 0.5);
    const CliRun next = run({QStringLiteral("encode"), QStringLiteral("-o"), QStringLiteral("out"),
                             QStringLiteral("short.wav")});
    EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
    EXPECT_TRUE(next.err.contains(QStringLiteral("removed ") + temporary +
                                  QStringLiteral(", left unfinished by an earlier run")))
        << next.err.toStdString();
    EXPECT_TRUE(unfinished(out).isEmpty());
    EXPECT_EQ(next.out.trimmed(), out + QStringLiteral("/short.mp3"));
}

// Output names: only the input's own extension is replaced, a number goes before the
// extension, names are shortened to the file system's limit, and names that are not UTF-8
// are kept byte for byte.
TEST_F(CliTest, OutputNamesKeepTheSourcesNameAndBytes) {
    const QByteArray pcm = fixtures::wavBytes(fixtures::sine(440, 0.3));
    const QString longStem(251, QLatin1Char('x')); // "xxx...x.wav": 255 bytes
    for (const QString& name : {QStringLiteral("take"), QStringLiteral("a.wave"),
                                QStringLiteral("Loud.WAV"), longStem + QStringLiteral(".wav")})
        fixtures::writeFile(path(name), pcm);
    for (int round = 0; round < 2; ++round) {
        const CliRun r = run({QStringLiteral("encode"), QStringLiteral("-o"), QStringLiteral("out"),
                              QStringLiteral("take"), QStringLiteral("a.wave"),
                              QStringLiteral("Loud.WAV"), longStem + QStringLiteral(".wav")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    const QString out = path(QStringLiteral("out/"));
    for (const QString& made :
         {QStringLiteral("take.mp3"), QStringLiteral("take (2).mp3"), QStringLiteral("a.wave.mp3"),
          QStringLiteral("a.wave (2).mp3"), QStringLiteral("Loud.mp3"),
          QStringLiteral("Loud (2).mp3"), longStem + QStringLiteral(".mp3"),
          QString(247, QLatin1Char('x')) + QStringLiteral(" (2).mp3")}) // shortened to fit
        EXPECT_TRUE(QFileInfo::exists(out + made)) << made.toStdString();

    // "caf\xe9.wav", a Latin-1 name, given by the shell as its bytes.
    const QByteArray latin1 = QByteArray("caf\xe9", 4);
    const QByteArray sourceName = dir_.path().toUtf8() + "/" + latin1 + ".wav";
    const int fd = ::open(sourceName.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, pcm.constData(), static_cast<std::size_t>(pcm.size())), pcm.size());
    ::close(fd);
    QProcessEnvironment environment = headlessEnvironment(path(QStringLiteral("home")));
    environment.insert(QStringLiteral("CLI"), cli);
    const CliRun shell =
        runProgram(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"),
                    QStringLiteral("exec \"$CLI\" encode -o latin \"$(printf 'caf\\351.wav')\"")},
                   environment, dir_.path());
    ASSERT_EQ(shell.exitCode, 0) << shell.err.toStdString();
    EXPECT_EQ(rawNames(path(QStringLiteral("latin"))), QList<QByteArray>{latin1 + ".mp3"});
    // A whole, tagged MP3 under that name.
    const QByteArray madeName = path(QStringLiteral("latin/")).toUtf8() + latin1 + ".mp3";
    const int made = ::open(madeName.constData(), O_RDONLY);
    ASSERT_GE(made, 0);
    char head[3] = {};
    EXPECT_EQ(::read(made, head, 3), 3);
    ::close(made);
    EXPECT_EQ(QByteArray(head, 3), QByteArray("ID3"));
    // Beyond the reach of QTemporaryDir's own clean-up.
    ::unlink(madeName.constData());
    ::unlink(sourceName.constData());
}

// Sources are read under a shared lock: the same WAV twice in one run, in two runs at once,
// and forty files forty at a time (each with an encoder of its own) all convert.
TEST_F(CliTest, ManyAtOnceAndTheSameSourceTwiceAllConvert) {
    wav(QStringLiteral("a.wav"), 440, 4.0);
    const CliRun twice = run({QStringLiteral("encode"), QStringLiteral("-j"), QStringLiteral("2"),
                              QStringLiteral("-o"), QStringLiteral("twice"),
                              QStringLiteral("a.wav"), QStringLiteral("a.wav")});
    ASSERT_EQ(twice.exitCode, 0) << twice.err.toStdString();
    const QByteArray first = fixtures::readFile(path(QStringLiteral("twice/a.mp3")));
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("twice/a (2).mp3"))), first);

    QProcess one, other;
    for (QProcess* p : {&one, &other}) {
        p->setProcessEnvironment(headlessEnvironment(path(QStringLiteral("home"))));
        p->setWorkingDirectory(dir_.path());
        p->start(cli, {QStringLiteral("encode"), QStringLiteral("-o"), QStringLiteral("two"),
                       QStringLiteral("a.wav")});
    }
    for (QProcess* p : {&one, &other}) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("two/a.mp3"))), first);
    EXPECT_EQ(fixtures::readFile(path(QStringLiteral("two/a (2).mp3"))), first);

    QStringList arguments = {QStringLiteral("encode"), QStringLiteral("-j"), QStringLiteral("40"),
                             QStringLiteral("-o"), QStringLiteral("forty")};
    const QByteArray tiny = fixtures::wavBytes(fixtures::sine(440, 0.2));
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("f%1.wav").arg(i);
        fixtures::writeFile(path(name), tiny);
        arguments << name;
    }
    const CliRun forty = run(arguments);
    EXPECT_EQ(forty.exitCode, 0) << forty.err.toStdString();
    EXPECT_EQ(QDir(path(QStringLiteral("forty"))).entryList({QStringLiteral("*.mp3")}).size(), 40);
}

// A source that holds less audio than its header announces is converted as far as it goes,
// and counted as failed: named, exit status 1.
TEST_F(CliTest, IncompleteSourcesAreConvertedAndCountedAsFailed) {
    QByteArray cut = fixtures::wavBytes(fixtures::sine(440, 3.0));
    const std::uint32_t announced = 10 * 176'400;
    for (int i = 0; i < 4; ++i)
        cut[40 + i] = static_cast<char>(announced >> (8 * i)); // the data chunk says 10 s
    fixtures::writeFile(path(QStringLiteral("cut.wav")), cut);
    const CliRun encoded = run({QStringLiteral("encode"), QStringLiteral("-o"),
                                QStringLiteral("out"), QStringLiteral("cut.wav")});
    EXPECT_EQ(encoded.exitCode, 1);
    EXPECT_TRUE(encoded.err.contains(QStringLiteral("cut.wav: the file is incomplete: it holds "
                                                    "0:03 of 0:10")))
        << encoded.err.toStdString();
    const auto made = mp3decode::decodeFile(path(QStringLiteral("out/cut.mp3")));
    ASSERT_TRUE(made.ok);
    EXPECT_NEAR(made.seconds(), 3.0, 0.06);

    const QByteArray mp3 = fixtures::mp3Bytes(fixtures::sine(440, 10.0));
    fixtures::writeFile(path(QStringLiteral("short.mp3")), mp3.left(mp3.size() * 3 / 10));
    const CliRun decoded = run({QStringLiteral("decode"), QStringLiteral("-o"),
                                QStringLiteral("out"), QStringLiteral("short.mp3")});
    EXPECT_EQ(decoded.exitCode, 1);
    EXPECT_TRUE(decoded.err.contains(QStringLiteral("short.mp3: the file is incomplete: it holds "
                                                    "0:0")) &&
                decoded.err.contains(QStringLiteral(" of 0:10")))
        << decoded.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("out/short.wav"))));
}

// "info" says plainly what is not MPEG-1 Layer III, and refuses a Xing count the file cannot
// hold instead of giving a wild duration.
TEST_F(CliTest, InfoNamesOtherMpegAudioAndDamagedFrameCounts) {
    fixtures::writeFile(path(QStringLiteral("low.mp3")),
                        fixtures::mp3Bytes(fixtures::sine(440, 2.0, 22050), 22050, 2, 64));
    const CliRun low = run({QStringLiteral("info"), QStringLiteral("low.mp3")});
    EXPECT_EQ(low.exitCode, 1);
    EXPECT_TRUE(low.err.contains(QStringLiteral("not an MPEG-1 Layer III file: its frames are "
                                                "MPEG-2 Layer III at 22,050 Hz")))
        << low.err.toStdString();
    EXPECT_TRUE(low.out.contains(QStringLiteral("Frequency       22050"))) << low.out.toStdString();
    EXPECT_TRUE(low.out.contains(QStringLiteral("MpegVersion   2")));

    QByteArray damaged = fixtures::mp3VbrBytes(fixtures::sine(440, 2.0));
    const qsizetype xing = damaged.indexOf("Xing");
    ASSERT_GT(xing, 0);
    for (int i = 8; i < 12; ++i)
        damaged[xing + i] = static_cast<char>(0xFF); // 4,294,967,295 frames
    fixtures::writeFile(path(QStringLiteral("damaged.mp3")), damaged);
    const CliRun r = run({QStringLiteral("info"), QStringLiteral("damaged.mp3")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("the Xing header counts 4294967295 frames")))
        << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("112195064"))) << r.out.toStdString();
}

namespace {

// A line the program printed, read back as its documentation says it is written: "\\" is a
// backslash, "\n", "\r", "\t", "\e" their control characters, "\xHH" and "\uHHHH" the
// character of that code; everything else stands for itself.
QString unescaped(const QString& line) {
    QString out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != QLatin1Char('\\') || i + 1 == line.size()) {
            out += line[i];
            continue;
        }
        const QChar kind = line[++i];
        const int digits = kind == QLatin1Char('x') ? 2 : kind == QLatin1Char('u') ? 4 : 0;
        if (digits > 0) {
            out += QChar(line.mid(i + 1, digits).toUShort(nullptr, 16));
            i += digits;
        } else {
            const QString plain = QStringLiteral("\\nrte");
            const QString meant = QStringLiteral("\\\n\r\t\x1b");
            const qsizetype at = plain.indexOf(kind);
            out += at < 0 ? kind : meant[at];
        }
    }
    return out;
}

} // namespace

// Standard output names exactly the files written: a name holding a newline and one holding
// a backslash and an "n" are two lines that read back as the two names.
TEST_F(CliTest, StandardOutputNamesEachFileWrittenUnambiguously) {
    const QByteArray pcm = fixtures::wavBytes(fixtures::sine(440, 0.3));
    const QStringList names = {QStringLiteral("a\nb.wav"), QStringLiteral("a\\nb.wav"),
                               QStringLiteral("tab\there\\.wav")};
    for (const QString& name : names)
        fixtures::writeFile(path(name), pcm);
    const CliRun r = run(
        QStringList{QStringLiteral("encode"), QStringLiteral("-o"), QStringLiteral("out")} + names);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QSet<QString> printed;
    for (const QString& line : lines(r.out))
        printed.insert(unescaped(line));
    QSet<QString> made;
    for (QString name : names)
        made.insert(path(QStringLiteral("out/")) +
                    name.replace(QStringLiteral(".wav"), QStringLiteral(".mp3")));
    EXPECT_EQ(printed, made) << r.out.toStdString();
    for (const QString& file : made)
        EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::Files).size(), 3);
}

// What cannot be written or read is named as the user knows it: the track's file, never the
// hidden name it is written under, and a file's name once.
TEST_F(CliTest, FailuresNameTheUsersFilesOnce) {
    accuraterecord::askNoDatabase();
    const DiscImage image = writeDiscImage(dir_.path(), QStringLiteral("album"), {{200, 440.0}});
    QProcessEnvironment environment = headlessEnvironment(path(QStringLiteral("home")));
    environment.insert(QStringLiteral("CLI"), cli);
    environment.insert(QStringLiteral("CUE"), image.cuePath);
    // Room for a file of 100 blocks: the track's WAV (470 kB) is too large. Not under
    // ThreadSanitizer: with a file-size limit set, its runtime faults (SIGBUS) in its own check
    // of a read the disc-identifier library makes, before the program gets that far.
#if !defined(__SANITIZE_THREAD__)
    const CliRun limited =
        runProgram(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"),
                    QStringLiteral("ulimit -f 100; exec \"$CLI\" rip --wav -o out \"$CUE\"")},
                   environment, dir_.path());
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_TRUE(limited.err.contains(
        QRegularExpression(QStringLiteral("Track 1: \\S+/out/\\d+-1\\.wav: File too large"))))
        << limited.err.toStdString();
    EXPECT_FALSE(limited.err.contains(QStringLiteral(".vortan-unfinished-")))
        << limited.err.toStdString();
#endif

    fixtures::writeFile(path(QStringLiteral("track.flac")), QByteArray(4000, '\x66'));
    const CliRun verified =
        run({QStringLiteral("verify"), image.cuePath, QStringLiteral("track.flac")});
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_EQ(verified.err.count(QStringLiteral("track.flac")), 1) << verified.err.toStdString();
    EXPECT_TRUE(verified.err.contains(QStringLiteral("track.flac: not a RIFF/WAVE file")));
    fixtures::writeFile(path(QStringLiteral("flac.cue")),
                        "FILE \"track.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const CliRun listed = run({QStringLiteral("tracks"), QStringLiteral("flac.cue")});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_EQ(listed.err.count(QStringLiteral("track.flac")), 1) << listed.err.toStdString();
    EXPECT_TRUE(listed.err.contains(QStringLiteral("cannot be read: not a RIFF/WAVE file")));
}

namespace {

// Under a low limit of open files, an encode that runs out of descriptors says so, whichever
// step ran out: never a bad descriptor. Limits too low for the program to start are passed
// over.
TEST_F(CliTest, AnEncodeOutOfFileDescriptorsSaysSo) {
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (prlimit.isEmpty())
        GTEST_SKIP() << "prlimit is not installed";
    const QString source = wav(QStringLiteral("tone.wav"), 440, 0.5);
    const QString tooMany = QString::fromLocal8Bit(std::strerror(EMFILE));
    int ranOut = 0;
    for (int limit = 4; limit <= 16; ++limit) {
        const CliRun encoded =
            runProgram(prlimit,
                       {QStringLiteral("--nofile=%1").arg(limit), QStringLiteral("--"), cli,
                        QStringLiteral("encode"), QStringLiteral("-o"),
                        path(QStringLiteral("out%1").arg(limit)), source},
                       headlessEnvironment(path(QStringLiteral("home"))), dir_.path());
        if (encoded.err.contains(QStringLiteral("error while loading shared libraries")))
            continue;
        EXPECT_FALSE(encoded.err.contains(QStringLiteral("Bad file descriptor")))
            << limit << ": " << encoded.err.toStdString();
        if (encoded.exitCode != 0) {
            EXPECT_TRUE(encoded.err.contains(tooMany))
                << limit << ": " << encoded.err.toStdString();
            ++ranOut;
        }
    }
    EXPECT_GT(ranOut, 0);
}

} // namespace
