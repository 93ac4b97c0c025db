// Discs as they really are: cue sheets as untrusted input, data tracks (Enhanced and mixed-mode
// CDs) and their identifiers, discs that do not start at track 1, reads that are bounded.
#include "discfixture.h"
#include "discimage.h"
#include "fixtures.h"

#include "engine/cd/ripcheck.h"
#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/akrip/cuesheet.h"
#include "engine/platform/discid/mbdiscid.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int sector = static_cast<int>(akrip::cdFrameBytes);

QString msf(int lba) {
    return QStringLiteral("%1:%2:%3")
        .arg(lba / 4500, 2, 10, QLatin1Char('0'))
        .arg(lba / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(lba % 75, 2, 10, QLatin1Char('0'));
}

// `text` in UTF-16 after its byte-order mark.
QByteArray utf16(const QString& text, bool littleEndian) {
    QByteArray out = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar c : text) {
        const char low = static_cast<char>(c.unicode() & 0xFF);
        const char high = static_cast<char>(c.unicode() >> 8);
        out.append(littleEndian ? low : high).append(littleEndian ? high : low);
    }
    return out;
}

// `bytes` written to the file the system knows as `name` (which need not be UTF-8).
void writeNative(const QByteArray& name, const QByteArray& bytes) {
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << name.toStdString();
    EXPECT_EQ(::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
    ::close(fd);
}

// CD audio as a WAVE file's bytes, 44-byte header first.
QByteArray wavOf(const QByteArray& audio) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(audio.size()) / 2);
    std::memcpy(samples.data(), audio.constData(), samples.size() * 2);
    return fixtures::wavBytes(samples);
}

// `sectors` sectors of a tone as a WAVE file's bytes.
QByteArray toneWav(int sectors, double frequencyHz) {
    std::vector<std::int16_t> samples = fixtures::sine(frequencyHz, sectors / 75.0 + 1);
    samples.resize(static_cast<std::size_t>(sectors) * sector / 2);
    return fixtures::wavBytes(samples);
}

// The MusicBrainz disc ID as its definition computes it: SHA-1 over the first and last track
// numbers and 100 offsets (the lead-out's first, then tracks 1..99, zero where there is none),
// in upper-case hexadecimal, then base64 with ".", "_" and "-" for "+", "/" and "=".
QString musicBrainzId(int firstTrack, int lastTrack, int leadOutOffset,
                      const std::vector<int>& trackOffsets) {
    QByteArray text = QByteArray::number(firstTrack, 16).toUpper().rightJustified(2, '0') +
                      QByteArray::number(lastTrack, 16).toUpper().rightJustified(2, '0');
    std::vector<int> offsets(100, 0);
    offsets[0] = leadOutOffset;
    for (std::size_t i = 0; i < trackOffsets.size(); ++i)
        offsets[static_cast<std::size_t>(firstTrack) + i] = trackOffsets[i];
    for (const int offset : offsets)
        text += QByteArray::number(offset, 16).toUpper().rightJustified(8, '0');
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1)
                                   .toBase64()
                                   .replace('+', '.')
                                   .replace('/', '_')
                                   .replace('=', '-'));
}

// While it lives, no file can be opened: the process's limit is its lowest free descriptor.
class NoFreeDescriptors {
  public:
    explicit NoFreeDescriptors(int spare = 0) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowest = ::dup(0);
        ::close(lowest);
        rlimit low = saved_;
        low.rlim_cur = static_cast<rlim_t>(lowest + spare);
        ::setrlimit(RLIMIT_NOFILE, &low);
    }
    ~NoFreeDescriptors() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    NoFreeDescriptors(const NoFreeDescriptors&) = delete;
    NoFreeDescriptors& operator=(const NoFreeDescriptors&) = delete;

  private:
    rlimit saved_{};
};

class DiscLayout : public DiscImageTest {
  protected:
    // A cue sheet `text` beside a sparse data file of `sectors` sectors (no audio is read).
    QString sparseImage(const QString& name, const QString& text, qint64 sectors) {
        const QString cue = dir.filePath(name + QStringLiteral(".cue"));
        fixtures::writeFile(cue, text.toUtf8());
        QFile bin(dir.filePath(name + QStringLiteral(".bin")));
        EXPECT_TRUE(bin.open(QIODevice::WriteOnly) && bin.resize(sectors * sector));
        return cue;
    }

    static int read(std::uint32_t handle, std::uint32_t start, std::uint32_t count) {
        std::vector<unsigned char> buffer(sizeof(akrip::ReadHeader) + 26 * akrip::cdFrameBytes);
        const akrip::ReadHeader header{start, count, 26 * akrip::cdFrameBytes, 0, 0, 0};
        std::memcpy(buffer.data(), &header, sizeof header);
        return akrip::ReadCDAudioLBA(handle, buffer.data());
    }
};

TEST(CueSheet, ItsOwnReaderRefusesWhatItCannotTrustNamingTheLineAndTheReason) {
    const QByteArray head = "FILE \"a.bin\" BINARY\n";
    const struct {
        const char* text;
        const char* reason;
    } refused[] = {
        {"  TRACK 00 AUDIO\n    INDEX 01 00:00:00\n", "line 2: TRACK needs a number 1..99"},
        {"  TRACK 100 AUDIO\n    INDEX 01 00:00:00\n", "line 2: TRACK needs a number 1..99"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:60:00\n", "line 3: INDEX needs"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:75\n", "line 3: INDEX needs"},
        {"  TRACK 01 AUDIO\n    INDEX 01 100:00:00\n", "line 3: INDEX needs"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n",
         "line 5: INDEX 1 of track 2 at 00:00:00 is not later"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:10:00\n  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n",
         "line 5: INDEX 1 of track 2 at 00:05:00 is not later"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    INDEX 00 00:01:00\n",
         "line 4: INDEX 0 of track 1 comes after INDEX 1"},
        {"  TRACK 01 AUDIO\n    INDEX 02 00:00:00\n", "line 3: track 1 starts with INDEX 2"},
        {"  TRACK 01 AUDIO\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n",
         "line 3: track 1 has no INDEX 01"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 03 AUDIO\n    INDEX 01 00:01:00\n",
         "line 4: track 3 does not follow track 1"},
        {"  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n",
         "line 2: track mode MODE1/2048 is not supported"},
        {"  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nREM SESSION 02\n  TRACK 02 AUDIO\n"
         "    INDEX 01 00:01:00\n",
         "line 5: audio track 2 in session 2"},
        {"  INDEX 01 00:00:00\n", "line 2: INDEX before any TRACK"},
    };
    for (const auto& c : refused) {
        const auto sheet = cuesheet::parse(head + c.text, QStringLiteral("/d/x.cue"));
        ASSERT_FALSE(sheet.ok()) << c.text;
        EXPECT_TRUE(sheet.error().description().startsWith(
            QStringLiteral("/d/x.cue is not a valid cue sheet: ")))
            << sheet.error().description().toStdString();
        EXPECT_TRUE(sheet.error().description().contains(QLatin1String(c.reason)))
            << sheet.error().description().toStdString() << " / " << c.reason;
    }
    EXPECT_FALSE(cuesheet::parse("  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", {}).ok());
    EXPECT_FALSE(cuesheet::parse(head + QByteArray("TRACK 01 AUDIO\0", 15), {}).ok());

    // What it reads: lower case, CRLF, pregaps, sessions, texts; libcdio gets tracks numbered
    // from 1 whatever the sheet's numbers are.
    const auto read = cuesheet::parse(
        "title \"Sea\"\r\nfile \"a.bin\" binary\r\n  track 70 audio\r\n    index 01 00:00:00\r\n"
        "  TRACK 71 AUDIO\r\n  TITLE \"Caf\xc3\xa9\"\r\n    INDEX 00 00:02:00\r\n"
        "    INDEX 01 00:04:00\r\nREM SESSION 02\r\n  TRACK 72 MODE1/2352\r\n"
        "    INDEX 01 00:09:00\r\n",
        {});
    ASSERT_TRUE(read.ok()) << read.error().description().toStdString();
    ASSERT_EQ(read->tracks.size(), 3u);
    EXPECT_EQ(read->tracks[1].pregapStart, 150);
    EXPECT_EQ(read->tracks[1].startSector, 300);
    EXPECT_EQ(cuesheet::decodedText(read->tracks[1].title), QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(read->tracks[2].session, 2);
    EXPECT_FALSE(read->tracks[2].audio);
    EXPECT_EQ(cuesheet::forLibrary(read.value(), 3, QStringLiteral("image.bin")),
              QByteArray("FILE \"image.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                         "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n  TRACK 03 MODE1/2352\n"
                         "    INDEX 01 00:09:00\n"));
}

// Sheets as Windows programs write them: a UTF-8 byte-order mark, UTF-16 with its mark, CR
// line ends, a lone CR among CR LFs. Other bytes are read byte for byte as before.
TEST(CueSheet, ByteOrderMarksUtf16AndEveryLineEnd) {
    const QString sheet = QStringLiteral("TITLE \"Caf\u00e9\"\nFILE \"a.bin\" BINARY\n"
                                         "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                         "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n");
    const QString crlf = QString(sheet).replace(QLatin1String("\n"), QLatin1String("\r\n"));
    const struct {
        QByteArray text;
        const char* form;
    } forms[] = {
        {"\xEF\xBB\xBF" + sheet.toUtf8(), "UTF-8 with its mark"},
        {utf16(QString(sheet).replace(QLatin1Char('\n'), QLatin1Char('\r')), true), "UTF-16LE, CR"},
        {utf16(crlf, false), "UTF-16BE, CR LF"},
        {QString(crlf)
             .replace(QLatin1String("AUDIO\r\n    INDEX 01 00:04"),
                      QLatin1String("AUDIO\r    INDEX 01 00:04"))
             .toUtf8(),
         "a lone CR"},
    };
    for (const auto& form : forms) {
        const auto read = cuesheet::parse(form.text, QStringLiteral("x.cue"));
        ASSERT_TRUE(read.ok()) << form.form << ": " << read.error().description().toStdString();
        EXPECT_EQ(cuesheet::decodedText(read->title), QStringLiteral("Caf\u00e9")) << form.form;
        EXPECT_EQ(read->dataFile, QStringLiteral("a.bin")) << form.form;
        ASSERT_EQ(read->tracks.size(), 2u) << form.form;
        EXPECT_EQ(read->tracks[1].startSector, 300) << form.form;
    }
    // UTF-16 without its mark has zero bytes: no cue sheet, as before.
    EXPECT_FALSE(cuesheet::parse(utf16(sheet, true).mid(2), {}).ok());
    const auto damaged =
        cuesheet::parse(utf16(sheet, true) + QByteArray("\x00\xD8", 2), QStringLiteral("x.cue"));
    ASSERT_FALSE(damaged.ok());
    EXPECT_EQ(damaged.error().description(),
              QStringLiteral("x.cue is not a valid cue sheet: its UTF-16 text is damaged"));
}

// Rippers write zeros for a disc or track without a code: those are no codes.
TEST(CueSheet, AllZeroCodesAreNone) {
    const auto read = cuesheet::parse("CATALOG 0000000000000\nFILE \"a.bin\" BINARY\n"
                                      "  TRACK 01 AUDIO\n    ISRC 000000000000\n"
                                      "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                                      "    ISRC GBAYE0000002\n    INDEX 01 00:04:00\n",
                                      {});
    ASSERT_TRUE(read.ok()) << read.error().description().toStdString();
    EXPECT_TRUE(read->catalog.isEmpty());
    EXPECT_TRUE(read->tracks[0].isrc.isEmpty());
    EXPECT_EQ(read->tracks[1].isrc, QByteArray("GBAYE0000002"));
    const auto real = cuesheet::parse(
        "CATALOG 0602537350142\nFILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", {});
    ASSERT_TRUE(real.ok());
    EXPECT_EQ(real->catalog, QByteArray("0602537350142"));
}

// Track numbers from about 68 up made libcdio's own cue parser write outside its memory: the
// library now sees tracks from 1, and the disc keeps its numbers everywhere.
TEST_F(DiscLayout, ADiscThatStartsAtTrackFiveKeepsItsNumbers) {
    DiscImageOptions options;
    options.firstTrack = 70;
    const DiscImage high =
        writeDiscImage(dir.path(), QStringLiteral("high"), {{100, 440}, {80, 660}}, options);
    const auto highToc = cddrives::readToc(registerDisc(high.cuePath));
    ASSERT_TRUE(highToc.ok()) << highToc.error().description().toStdString();
    EXPECT_EQ(highToc->firstTrack, 70);
    EXPECT_EQ(highToc->lastTrack(), 71);

    options.firstTrack = 5;
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("five"),
                                           {{100, 440}, {80, 660}, {120, 880}}, options);
    const int drive = registerDisc(image.cuePath);
    const std::uint32_t handle = openHandle(drive);
    akrip::TocRecord toc{};
    ASSERT_EQ(akrip::ReadTOC(handle, &toc), 1);
    EXPECT_EQ(toc.header[2], 5);
    EXPECT_EQ(toc.header[3], 7);
    // Entry k is track k + 1: the entries before the first track are empty.
    EXPECT_EQ(toc.entries[3].trackNumber, 0);
    EXPECT_EQ(toc.entries[4].trackNumber, 5);
    EXPECT_EQ(toc.entries[6].trackNumber, 7);
    EXPECT_EQ(toc.entries[6].address[3], 180);
    EXPECT_EQ(toc.entries[7].trackNumber, 0xAA);
    EXPECT_EQ(read(handle, 180, 26), 1);
    akrip::CloseCDHandle(handle);
}

// An Enhanced CD: its data track is listed as data, never read, and the disc is placed as a
// drive reports it, the second session 11,400 sectors after the audio.
TEST_F(DiscLayout, AnEnhancedCdsDataTrackIsListedButNeverRead) {
    const DiscImage image = writeDiscImage(
        dir.path(), QStringLiteral("extra"),
        {{150, 440}, {100, 660}, {300, 0, {}, {}, true, 150}}); // data with a 150-sector pregap
    const int drive = registerDisc(image.cuePath);
    const auto toc = cddrives::readToc(drive);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(toc->trackIsAudio, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(toc->trackStartLba, (std::vector<std::int32_t>{0, 150, 250 + 11400}));
    EXPECT_EQ(toc->trackSectors(1), 100); // the audio ends where the data's pregap begins
    EXPECT_EQ(toc->leadOutLba, 250 + 11400 + 300);
    EXPECT_EQ(toc->lastAudioTrack(), 2);

    const std::uint32_t handle = openHandle(drive);
    EXPECT_EQ(read(handle, 0, 26), 1);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(read(handle, 240, 20), 0); // runs from the audio into the gap
    EXPECT_TRUE(akrip::lastErrorDetail().contains(QStringLiteral("sector 250 is in no audio")))
        << akrip::lastErrorDetail().toStdString();
    EXPECT_EQ(read(handle, 11650 + 10, 26), 0);
    EXPECT_EQ(akrip::lastErrorDetail(), QStringLiteral("sector 11660 is in track 3, a data track"));
    EXPECT_LT(clock.elapsed(), 10000); // paranoia never spins on a data sector
    akrip::CloseCDHandle(handle);
}

// The identifiers of real discs with a data track, against the values the databases answer
// to (an Enhanced CD with 10 audio tracks; a mixed-mode CD with a data track first).
TEST_F(DiscLayout, IdentifiersOfDiscsWithADataTrackAreThePublishedOnes) {
    const std::vector<int> audio = {0,      12617,  40337,  63075,  93260,
                                    117965, 151715, 184190, 215110, 247305};
    QString text = QStringLiteral("FILE \"liquid.bin\" BINARY\n");
    for (std::size_t i = 0; i < audio.size(); ++i)
        text += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(msf(audio[i]));
    // As images hold it: the data right after the audio, less the gap between the sessions.
    text += QStringLiteral("REM SESSION 02\n  TRACK 11 MODE1/2352\n    INDEX 00 %1\n"
                           "    INDEX 01 %2\n")
                .arg(msf(270185), msf(270335));
    const auto enhanced =
        cddrives::readToc(registerDisc(sparseImage(QStringLiteral("liquid"), text, 322401)));
    ASSERT_TRUE(enhanced.ok()) << enhanced.error().description().toStdString();
    EXPECT_EQ(enhanced->trackStartLba.back(), 281585);
    EXPECT_EQ(enhanced->leadOutLba, 333651);
    const std::uint32_t freedb = cddrives::freedbDiscId(enhanced.value());
    EXPECT_EQ(freedb, 0x9e11600bu);
    EXPECT_EQ(ripcheck::accurateRipDiscName(enhanced->audioStarts(), enhanced->leadOutLba, freedb),
              QStringLiteral("010-00164419-00b9f6e2-9e11600b"));
    const auto musicBrainz = mbdiscid::musicBrainzDisc(enhanced.value());
    ASSERT_TRUE(musicBrainz.ok()) << musicBrainz.error().description().toStdString();
    EXPECT_EQ(musicBrainz->id, QStringLiteral("9AQWqQ0eCCwktwPPrIUIYkUw2Uo-"));

    const std::vector<int> mixed = {150,    66728,  76502,  85963,  93760,  104048, 116066, 124743,
                                    134206, 142916, 151852, 160720, 169425, 178731, 188459, 196711,
                                    206354, 214845, 223686, 225746, 226384, 232668, 239447, 239931,
                                    244989, 254264, 260066, 261222, 261674};
    text = QStringLiteral("FILE \"trilogy.bin\" BINARY\n  TRACK 01 MODE1/2352\n"
                          "    INDEX 01 00:00:00\n");
    for (std::size_t i = 1; i < mixed.size(); ++i)
        text += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(msf(mixed[i] - 150));
    const auto first =
        cddrives::readToc(registerDisc(sparseImage(QStringLiteral("trilogy"), text, 261826)));
    ASSERT_TRUE(first.ok()) << first.error().description().toStdString();
    const std::uint32_t firstFreedb = cddrives::freedbDiscId(first.value());
    EXPECT_EQ(ripcheck::accurateRipDiscName(first->audioStarts(), first->leadOutLba, firstFreedb),
              QStringLiteral("028-00517a54-05a845d2-af0da31d"));
    EXPECT_EQ(first->firstAudioTrack(), 2);
}

// Sheets written on Windows: "\\" between folders, names in another case than the files'.
TEST_F(DiscLayout, DataFilesNamedAsWindowsWritesThemAreFound) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Disc 1")));
    fixtures::writeFile(path(QStringLiteral("Disc 1/01 Track.wav")), toneWav(150, 440));
    fixtures::writeFile(path(QStringLiteral("windows.cue")),
                        "FILE \"Disc 1\\01 Track.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                        "    INDEX 01 00:00:00\r\n");
    const auto windows = cddrives::readToc(registerDisc(path(QStringLiteral("windows.cue"))));
    ASSERT_TRUE(windows.ok());
    EXPECT_EQ(windows->leadOutLba, 150);

    DiscImageOptions lower;
    lower.binName = QStringLiteral("cdda.bin");
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("upper"), {{100, 440}}, lower);
    fixtures::writeFile(image.cuePath,
                        fixtures::readFile(image.cuePath).replace("cdda.bin", "CDDA.BIN"));
    const auto upper = cddrives::readToc(registerDisc(image.cuePath));
    ASSERT_TRUE(upper.ok());
    EXPECT_EQ(upper->leadOutLba, 100);

    // Not found: the message says what was looked for. Two names that differ in case only
    // are not guessed between.
    const QByteArray track = "\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    fixtures::writeFile(path(QStringLiteral("gone.cue")),
                        "FILE \"Disc 2\\01 Track.wav\" WAVE" + track);
    fixtures::writeFile(path(QStringLiteral("twin.bin")), QByteArray(sector, '\0'));
    fixtures::writeFile(path(QStringLiteral("Twin.bin")), QByteArray(sector, '\0'));
    fixtures::writeFile(path(QStringLiteral("twins.cue")), "FILE TWIN.BIN BINARY" + track);
    const auto gone = cddrives::registerImage(path(QStringLiteral("gone.cue")));
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().description(),
              QStringLiteral("%1: its data file %2 is missing (also looked for %3, with \"\\\" "
                             "read as a folder separator and for names that differ from it in "
                             "case only)")
                  .arg(path(QStringLiteral("gone.cue")),
                       path(QStringLiteral("Disc 2\\01 Track.wav")),
                       path(QStringLiteral("Disc 2/01 Track.wav"))));
    const auto twins = cddrives::registerImage(path(QStringLiteral("twins.cue")));
    ASSERT_FALSE(twins.ok());
    EXPECT_TRUE(twins.error().description().contains(QStringLiteral("TWIN.BIN is missing")))
        << twins.error().description().toStdString();
}

// Names that are not UTF-8 (Latin-1 bytes) reach their files byte for byte, in a sheet of a
// WAVE file and a BIN, in a folder whose name is not UTF-8 either.
TEST_F(DiscLayout, NamesThatAreNotUtf8ReachTheirFiles) {
    const QByteArray folder = QFile::encodeName(dir.path()) + "/f\xF6lder";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    // Qt's own removal of the test's folder cannot reach these names.
    const struct Removal {
        QByteArray folder;
        ~Removal() {
            for (const char* name : {"/caf\xE9.wav", "/b\xE8s.bin", "/two.cue"})
                ::unlink((folder + name).constData());
            ::rmdir(folder.constData());
        }
    } removal{folder};
    const QByteArray wave = toneWav(75, 440);
    const QByteArray second = toneWav(75, 660).mid(44);
    writeNative(folder + "/caf\xE9.wav", wave);
    writeNative(folder + "/b\xE8s.bin", second);
    writeNative(folder + "/two.cue", "FILE \"caf\xE9.wav\" WAVE\n  TRACK 01 AUDIO\n"
                                     "    INDEX 01 00:00:00\nFILE \"b\xE8s.bin\" BINARY\n"
                                     "  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    const int drive = registerDisc(nativepath::decode(folder + "/two.cue"));
    ASSERT_GE(drive, 0);
    auto reader = cddrives::DiscAudioReader::open(drive);
    ASSERT_TRUE(reader.ok()) << reader.error().description().toStdString();
    QByteArray audio(wave.size() - 44 + second.size(), '\0');
    EXPECT_EQ(reader.value()->read(0, 150, reinterpret_cast<unsigned char*>(audio.data())), 150u);
    EXPECT_TRUE(audio == wave.mid(44) + second);
}

// PREGAP is silence no file holds: over one BIN, as over WAVE files, it moves the tracks after
// it on the disc, and the identities follow.
TEST_F(DiscLayout, APregapIsSilenceThatMovesTheTracksAfterIt) {
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("d"), {{300, 440}, {200, 660}});
    const QByteArray gap = "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 ";
    fixtures::writeFile(path(QStringLiteral("bin.cue")),
                        "FILE d.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n" + gap +
                            "00:04:00\n");
    fixtures::writeFile(path(QStringLiteral("1.wav")), wavOf(image.trackAudio(1)));
    fixtures::writeFile(path(QStringLiteral("2.wav")), wavOf(image.trackAudio(2)));
    fixtures::writeFile(
        path(QStringLiteral("wave.cue")),
        "FILE 1.wav WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nFILE 2.wav WAVE\n" + gap +
            "00:00:00\n");
    // Track 2 starts 150 sectors later, at 450 (0:06 + 0:02 lead-in), the disc ends at 650.
    // freedb: digit sums 2 + 8, 10 seconds from track 1 at 0:02 to the lead-out at 0:10.67.
    constexpr std::uint32_t freedb = (10u << 24) | (8u << 8) | 2u;
    const QString musicBrainz = musicBrainzId(1, 2, 650 + 150, {150, 450 + 150});
    for (const QString& cue : {path(QStringLiteral("bin.cue")), path(QStringLiteral("wave.cue"))}) {
        const int drive = registerDisc(cue);
        const auto toc = cddrives::readToc(drive);
        ASSERT_TRUE(toc.ok()) << toc.error().description().toStdString();
        EXPECT_EQ(toc->trackStartLba, (std::vector<std::int32_t>{0, 450})) << cue.toStdString();
        EXPECT_EQ(toc->leadOutLba, 650);
        EXPECT_EQ(toc->pregapSectors(1), 150);
        EXPECT_EQ(cddrives::freedbDiscId(toc.value()), freedb) << cue.toStdString();
        const auto disc = mbdiscid::musicBrainzDisc(toc.value());
        ASSERT_TRUE(disc.ok());
        EXPECT_EQ(disc->id, musicBrainz) << cue.toStdString();

        auto reader = cddrives::DiscAudioReader::open(drive);
        ASSERT_TRUE(reader.ok());
        QByteArray audio(350 * sector, '\x55');
        EXPECT_EQ(reader.value()->read(300, 350, reinterpret_cast<unsigned char*>(audio.data())),
                  350u);
        EXPECT_EQ(audio.left(150 * sector), QByteArray(150 * sector, '\0'));
        EXPECT_TRUE(audio.mid(150 * sector) == image.trackAudio(2)) << cue.toStdString();
    }
}

// A WAVE file that holds less than its header announces: its track keeps the header's length,
// is named incomplete, and a read fails where the audio ends, naming the file. The files after
// it start where the header says.
TEST_F(DiscLayout, AWaveFileCutShortIsAnIncompleteTrack) {
    fixtures::writeFile(path(QStringLiteral("cut.wav")), toneWav(130, 440).left(44 + 70 * sector));
    fixtures::writeFile(path(QStringLiteral("next.wav")), toneWav(100, 660));
    fixtures::writeFile(path(QStringLiteral("two.cue")),
                        "FILE cut.wav WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "FILE next.wav WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    fixtures::writeFile(path(QStringLiteral("one.cue")),
                        "FILE cut.wav WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const QString cutShort =
        QStringLiteral("sector 70 is not in the image: its WAVE file %1 is cut "
                       "short: it holds 0:00 of the 0:01 its header announces")
            .arg(path(QStringLiteral("cut.wav")));
    for (const QString& cue : {path(QStringLiteral("two.cue")), path(QStringLiteral("one.cue"))}) {
        const auto report = cddrives::registerImage(cue);
        ASSERT_TRUE(report.ok()) << report.error().description().toStdString();
        EXPECT_EQ(report->incompleteTracks,
                  QStringList(QStringLiteral("Track 1 is incomplete: 0:00 of 0:01")));
        const auto toc = cddrives::readToc(report->driveIndex);
        ASSERT_TRUE(toc.ok());
        EXPECT_EQ(toc->trackSectors(0), 130) << cue.toStdString();
        const std::uint32_t handle = openHandle(report->driveIndex);
        EXPECT_EQ(read(handle, 40, 26), 1);
        EXPECT_EQ(read(handle, 60, 26), 0);
        EXPECT_EQ(akrip::lastErrorDetail(), cutShort);
        akrip::CloseCDHandle(handle);
    }
    const auto two = cddrives::readToc(registerDisc(path(QStringLiteral("two.cue"))));
    EXPECT_EQ(two->trackStartLba, (std::vector<std::int32_t>{0, 130}));
    EXPECT_EQ(two->leadOutLba, 230);

    // A header that announces more than a disc holds (the most a writer that does not know the
    // length can put there) makes no disc.
    fixtures::writeFile(path(QStringLiteral("cut.wav")),
                        toneWav(70, 440).replace(40, 4, QByteArray(4, '\xFF')));
    const auto endless = cddrives::registerImage(path(QStringLiteral("one.cue")));
    ASSERT_FALSE(endless.ok());
    EXPECT_TRUE(endless.error().description().endsWith(
        QStringLiteral("it holds 0:00 of the 405:47 its header announces, more than a disc holds")))
        << endless.error().description().toStdString();
}

// Out of file descriptors, a disc image says so and names the user's sheet, never the private
// copy the CD library reads.
TEST_F(DiscLayout, TooManyOpenFilesIsSaidNamingTheUsersSheet) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"), {{100, 440}});
    const DiscImage other = writeDiscImage(dir.path(), QStringLiteral("other"), {{100, 440}});
    const int drive = registerDisc(image.cuePath);
    std::optional<Result<cddrives::DiscToc>> toc;
    std::optional<Result<cddrives::ImageReport>> registered;
    QString readFailure;
    {
        NoFreeDescriptors none;
        toc = cddrives::readToc(drive);
        akrip::GETCDHAND request = handleRequest(drive);
        const std::uint32_t handle = akrip::GetCDHandle(&request);
        read(handle, 0, 1);
        readFailure = akrip::lastErrorDetail();
        akrip::CloseCDHandle(handle);
    }
    {
        // One to spare: the sheet and its data are read, and the library runs out.
        NoFreeDescriptors one(1);
        registered = cddrives::registerImage(other.cuePath);
    }
    const QString tooMany = QString::fromLocal8Bit(std::strerror(EMFILE));
    ASSERT_FALSE(toc->ok());
    ASSERT_FALSE(registered->ok());
    for (const QString& message :
         {toc->error().description(), readFailure, registered->error().description()}) {
        EXPECT_TRUE(message.contains(tooMany)) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("vortan-disc-"))) << message.toStdString();
    }
    EXPECT_TRUE(toc->error().description().startsWith(image.cuePath));
    EXPECT_TRUE(readFailure.contains(image.cuePath)) << readFailure.toStdString();
    EXPECT_TRUE(registered->error().description().startsWith(other.cuePath));
}

// A read under way ends as soon as its thread is asked to stop.
TEST_F(DiscLayout, AStopEndsAReadAtOnce) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("long"), {{2000, 440}});
    const std::uint32_t handle = openHandle(registerDisc(image.cuePath));
    {
        const akrip::ReadStop stop([] { return true; });
        EXPECT_EQ(read(handle, 0, 26), 0);
        EXPECT_EQ(akrip::lastErrorDetail(), QStringLiteral("the read was stopped at sector 0"));
    }
    EXPECT_EQ(read(handle, 0, 26), 1);
    akrip::CloseCDHandle(handle);
}

// The private copies libcdio reads are removed with their process, and the folders a killed
// process left are removed by the next.
TEST_F(DiscLayout, ThePrivateCopiesOfAnEndedProcessAreRemoved) {
    const QString orphan = QDir::tempPath() + QStringLiteral("/vortan-disc-999999999-abcdef");
    ASSERT_TRUE(QDir().mkpath(orphan));
    fixtures::writeFile(orphan + QStringLiteral("/image.cue"), "FILE");
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("d"), {{100, 440}});
    registerDisc(image.cuePath);
    EXPECT_FALSE(QFileInfo::exists(orphan));
    const QStringList ours =
        QDir(QDir::tempPath())
            .entryList({QStringLiteral("vortan-disc-%1-*").arg(QCoreApplication::applicationPid())},
                       QDir::Dirs);
    EXPECT_EQ(ours.size(), 1);
    cddrives::forgetImages();
    EXPECT_FALSE(QFileInfo::exists(QDir::tempPath() + QLatin1Char('/') + ours.value(0)));
}

} // namespace
