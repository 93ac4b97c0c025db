// The media-control devices that play and record ("waveaudio", "sequencer", the cdaudio
// device's playback) over a real PulseAudio server whose null sink's monitor is the default
// input: what a device plays, the capture device records.
#include "discimage.h"
#include "fixtures.h"
#include "mp3fixture.h"

#include "engine/formats/outputfile.h"
#include "engine/platform/activemp3/activemp3.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/mci/mci.h"
#include "engine/player/modwave.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using fixtures::le16;
using fixtures::le32;

mci::Reply send(const QString& command) {
    return mci::send(command);
}

std::uint32_t code(const QString& command) {
    return mci::send(command).code;
}

// A WAV file the capture device saved, its header read field by field.
struct Capture {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    int bytesPerSecond = 0;
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    qsizetype fileSize = 0;
    std::vector<std::int16_t> samples;

    static Capture read(const QString& path) {
        const QByteArray bytes = fixtures::readFile(path);
        Capture c;
        c.fileSize = bytes.size();
        if (bytes.size() < 44 || !bytes.startsWith("RIFF") || bytes.mid(8, 8) != "WAVEfmt " ||
            bytes.mid(36, 4) != "data") {
            ADD_FAILURE() << "not a 44-byte-header WAV: " << path.toStdString();
            return c;
        }
        c.riffSize = le32(bytes, 4);
        c.channels = le16(bytes, 22);
        c.sampleRate = static_cast<int>(le32(bytes, 24));
        c.bytesPerSecond = static_cast<int>(le32(bytes, 28));
        c.blockAlign = le16(bytes, 32);
        c.bitsPerSample = le16(bytes, 34);
        c.dataSize = le32(bytes, 40);
        c.samples.resize(static_cast<std::size_t>(bytes.size() - 44) / 2);
        if (!c.samples.empty())
            std::memcpy(c.samples.data(), bytes.constData() + 44, c.samples.size() * 2);
        return c;
    }
    std::size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
};

// Where the sound in channel 0 starts and ends (first and last sample louder than
// `threshold`), in frames; {0, 0} for silence.
std::pair<std::size_t, std::size_t> soundSpan(const Capture& c, int threshold = 3000) {
    std::size_t first = 0, last = 0;
    bool found = false;
    for (std::size_t i = 0; i < c.frames(); ++i) {
        if (std::abs(c.samples[i * static_cast<std::size_t>(c.channels)]) > threshold) {
            if (!found)
                first = i;
            found = true;
            last = i + 1;
        }
    }
    return {first, last};
}

// The frames [from, to) of channel 0 of `c`, as interleaved mono.
std::vector<std::int16_t> channel0(const Capture& c, std::size_t from, std::size_t to) {
    std::vector<std::int16_t> mono;
    for (std::size_t i = from; i < to; ++i)
        mono.push_back(c.samples[i * static_cast<std::size_t>(c.channels)]);
    return mono;
}

double rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (const std::int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// A sine at half scale is heard at 0.5 / sqrt(2) of full scale.
constexpr double halfScaleSineRms = 0.5 / 1.4142135623730951 * 32767;

// The capture holds the tone whole: `seconds` of sound at `frequency` and half scale. A busy
// machine may pause the sound a moment (the server's buffer ran dry): those pauses are left
// out, and a few are allowed; lost or stretched audio is not.
void expectTone(const Capture& c, double seconds, double frequency) {
    const auto tone = fixtures::heardTone(c.samples, 44100, c.channels, 3000);
    EXPECT_NEAR(tone.seconds, seconds, 0.03 + 0.01 * tone.pauses)
        << "sounded " << tone.seconds << " s";
    EXPECT_NEAR(tone.frequency, frequency, 5.0);
    EXPECT_NEAR(tone.rms, halfScaleSineRms, halfScaleSineRms * 0.1);
    EXPECT_LE(tone.pauses, 3);
}

// Streams the server has open to play and to record (through pactl, the server's own tool).
int serverStreams() {
    int count = 0;
    for (const char* kind : {"sink-inputs", "source-outputs"}) {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("list"), QStringLiteral("short"), QString::fromLatin1(kind)});
        EXPECT_TRUE(pactl.waitForFinished(10000));
        count += static_cast<int>(pactl.readAllStandardOutput().count('\n'));
    }
    return count;
}

// A unix socket that takes connections and never says a word: a server that hangs.
class SilentSocket {
  public:
    explicit SilentSocket(const QString& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min<std::size_t>(name.size(), sizeof address.sun_path - 1));
        listening_ =
            fd_ >= 0 &&
            ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(fd_, 8) == 0;
    }
    ~SilentSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool listening() const { return listening_; }

  private:
    int fd_;
    bool listening_ = false;
};

// A MIDI file of one note (middle C an octave up) held for a second on a drawbar organ.
QByteArray organNoteMidi() {
    const char track[] = {0x00,
                          static_cast<char>(0xC0),
                          16, // program: drawbar organ
                          0x00,
                          static_cast<char>(0x90),
                          72,
                          100, // note on
                          static_cast<char>(0x87),
                          0x40,
                          static_cast<char>(0x80),
                          72,
                          64, // 960 ticks: off
                          0x00,
                          static_cast<char>(0xFF),
                          0x2F,
                          0x00};                         // end of track
    QByteArray file("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14); // format 0, one track, 480 a beat
    file += QByteArray("MTrk\0\0\0", 7) + static_cast<char>(sizeof track);
    file += QByteArray(track, sizeof track);
    return file;
}

class MediaDevices : public testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            GTEST_SKIP() << "needs the test PulseAudio server: run through ctest";
        ASSERT_TRUE(dir.isValid());
        mci::closeAll();
        cddrives::forgetImages();
    }
    void TearDown() override {
        mci::closeAll();
        cddrives::forgetImages();
    }

    // Opens "capture" recording `channels` channels at 44,100 Hz and starts it.
    void startCapture(int channels) {
        ASSERT_EQ(code(QStringLiteral("open new type waveaudio alias capture")), mci::Success);
        ASSERT_EQ(code(QStringLiteral("set capture samplespersec 44100 channels %1 bitspersample "
                                      "16 alignment %2 bytespersec %3")
                           .arg(channels)
                           .arg(channels * 2)
                           .arg(channels * 2 * 44100)),
                  mci::Success);
        ASSERT_EQ(code(QStringLiteral("record capture overwrite")), mci::Success);
    }

    // Stops and saves "capture" to `path` (written into the command as it is, or quoted) and
    // reads back the file the save answers it took.
    Capture saveCapture(const QString& path, bool quoted = false) {
        EXPECT_EQ(code(QStringLiteral("stop capture")), mci::Success);
        const QString argument = quoted ? QStringLiteral("\"%1\"").arg(path) : path;
        const mci::Reply saved = send(QStringLiteral("save capture ") + argument);
        EXPECT_EQ(saved.code, mci::Success);
        EXPECT_EQ(code(QStringLiteral("close capture")), mci::Success);
        return Capture::read(saved.text);
    }

    // A WAV of a half-scale sine of `seconds`, then `silence` seconds of silence.
    QString writeTone(const QString& name, double frequency, double seconds, double silence,
                      int channels = 2) {
        auto samples = fixtures::sine(frequency, seconds, 44100, channels);
        samples.resize(samples.size() + static_cast<std::size_t>(silence * 44100) *
                                            static_cast<std::size_t>(channels));
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        fixtures::writeFile(path, fixtures::wavBytes(samples, 44100, channels));
        return path;
    }

    QTemporaryDir dir;
};

// A file played on "sound" comes back through the capture device at its frequency and level,
// and the capture holds the tone for as long as it played, in mono and in stereo; the saved
// WAV has the format that was set and a header that matches its data.
TEST_F(MediaDevices, PlayedToneIsRecordedWholeInTheSetFormat) {
    // The silence after the tone carries its end through the server before the capture stops.
    const QString tone = writeTone(QStringLiteral("a b/tone 1k.wav"), 1000.0, 2.0, 0.4);
    for (const int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        startCapture(channels);
        ASSERT_EQ(code(QStringLiteral("open waveaudio!") + tone + QStringLiteral(" alias sound")),
                  mci::Success);
        EXPECT_EQ(send(QStringLiteral("status sound length")).text, QStringLiteral("2400"));
        ASSERT_EQ(code(QStringLiteral("play sound wait")), mci::Success);
        EXPECT_EQ(send(QStringLiteral("status sound position")).text, QStringLiteral("2400"));
        EXPECT_EQ(send(QStringLiteral("status sound mode")).text, QStringLiteral("stopped"));
        EXPECT_EQ(code(QStringLiteral("close sound")), mci::Success);

        const QString saved = dir.filePath(QStringLiteral("out put/%1 ch.wav").arg(channels));
        QDir().mkpath(QFileInfo(saved).path());
        const Capture c = saveCapture(saved, channels == 2);
        EXPECT_EQ(c.channels, channels);
        EXPECT_EQ(c.sampleRate, 44100);
        EXPECT_EQ(c.bitsPerSample, 16);
        EXPECT_EQ(c.blockAlign, 2 * channels);
        EXPECT_EQ(c.bytesPerSecond, 2 * channels * 44100);
        EXPECT_EQ(c.dataSize, static_cast<std::uint32_t>(c.fileSize - 44));
        EXPECT_EQ(c.riffSize, static_cast<std::uint32_t>(c.fileSize - 8));

        const auto [first, last] = soundSpan(c);
        EXPECT_GT(first, 0u); // the capture started before the tone
        expectTone(c, 2.0, 1000.0);
    }
}

// The player's WAV and MP3 playback really sound: each file's tone is heard whole, at its
// frequency, and a stop of everything ends a playback in its middle.
TEST_F(MediaDevices, PlayerSoundsWavAndMp3Files) {
    const QString wav = writeTone(QStringLiteral("player tone.wav"), 1000.0, 1.0, 0.3);
    const QString mp3 = dir.filePath(QStringLiteral("player tone.mp3"));
    auto samples = fixtures::sine(660.0, 1.0, 44100, 2);
    samples.resize(samples.size() + 2 * 44100 * 3 / 10);
    fixtures::writeMp3(mp3, samples);
    ActiveMP3 decoder;
    const auto playedOut = [&] {
        return send(QStringLiteral("status sound mode")).text != QStringLiteral("playing") &&
               !decoder.playing();
    };
    for (const auto& [path, frequency] : {std::pair{wav, 1000.0}, std::pair{mp3, 660.0}}) {
        SCOPED_TRACE(path.toStdString());
        startCapture(1);
        if (path == wav)
            ModWave::PlayWave(path);
        else
            ModWave::PlayMp3(decoder, path);
        QElapsedTimer clock;
        clock.start();
        while (!playedOut() && clock.elapsed() < 10000)
            QTest::qWait(20);
        ModWave::StopAllPlayback(decoder);
        const Capture c = saveCapture(dir.filePath(QStringLiteral("heard.wav")));
        expectTone(c, 1.0, frequency);
    }

    // Stopped after half a second of a second's tone: the rest is never heard.
    startCapture(1);
    ModWave::PlayMp3(decoder, mp3);
    QTest::qWait(500);
    ModWave::StopAllPlayback(decoder);
    EXPECT_FALSE(decoder.playing());
    QTest::qWait(300);
    const Capture c = saveCapture(dir.filePath(QStringLiteral("stopped.wav")));
    EXPECT_LT(fixtures::heardTone(c.samples, 44100, c.channels, 3000).seconds, 0.7);
}

// "set capture" takes only formats it can record, all five numbers agreeing.
TEST_F(MediaDevices, CaptureFormatMustBeRecordableAndConsistent) {
    ASSERT_EQ(code(QStringLiteral("open new type waveaudio alias capture")), mci::Success);
    const QString set = QStringLiteral("set capture samplespersec %1 channels %2 bitspersample %3 "
                                       "alignment %4 bytespersec %5");
    EXPECT_EQ(code(set.arg(44100).arg(1).arg(16).arg(2).arg(88200)), mci::Success);
    EXPECT_EQ(code(set.arg(0).arg(0).arg(0).arg(0).arg(0)), mci::OutOfRange);
    EXPECT_EQ(code(set.arg(44100).arg(2).arg(16).arg(2).arg(176400)), mci::OutOfRange);
    EXPECT_EQ(code(set.arg(44100).arg(2).arg(16).arg(4).arg(88200)), mci::OutOfRange);
    EXPECT_EQ(code(set.arg(44100).arg(1).arg(8).arg(1).arg(44100)), mci::OutOfRange);
    EXPECT_EQ(code(set.arg(44100).arg(3).arg(16).arg(6).arg(264600)), mci::OutOfRange);
    EXPECT_EQ(code(QStringLiteral("set capture samplespersec x")), mci::BadInteger);
    EXPECT_EQ(code(QStringLiteral("set capture samplespersec")), mci::MissingParameter);
    EXPECT_EQ(code(QStringLiteral("set capture speed 2")), mci::UnrecognizedKeyword);

    // The last good format holds: a short mono recording is saved as mono.
    ASSERT_EQ(code(QStringLiteral("record capture")), mci::Success);
    EXPECT_EQ(send(QStringLiteral("status capture mode")).text, QStringLiteral("recording"));
    EXPECT_EQ(code(set.arg(22050).arg(1).arg(16).arg(2).arg(44100)), mci::DeviceNotReady);
    EXPECT_EQ(code(QStringLiteral("save capture ") + dir.filePath(QStringLiteral("early.wav"))),
              mci::DeviceNotReady);
    const Capture c = saveCapture(dir.filePath(QStringLiteral("mono.wav")));
    EXPECT_EQ(c.channels, 1);
    EXPECT_EQ(c.bytesPerSecond, 88200);
    EXPECT_EQ(code(QStringLiteral("open new type waveaudio alias capture")), mci::Success);
    EXPECT_EQ(
        code(QStringLiteral("save capture ") + dir.filePath(QStringLiteral("no/such/dir.wav"))),
        mci::FileNotSaved);

    // "delete ... from" keeps what was recorded before the position; a save never replaces.
    ASSERT_EQ(code(QStringLiteral("record capture")), mci::Success);
    QElapsedTimer clock;
    clock.start();
    while (send(QStringLiteral("status capture length")).text.toInt() < 200 &&
           clock.elapsed() < 5000)
        QTest::qWait(20);
    ASSERT_EQ(code(QStringLiteral("stop capture")), mci::Success);
    EXPECT_EQ(code(QStringLiteral("delete capture from x")), mci::BadInteger);
    EXPECT_EQ(code(QStringLiteral("delete capture from 100")), mci::Success);
    EXPECT_EQ(send(QStringLiteral("status capture length")).text, QStringLiteral("100"));
    // "to" cuts from the start, "from ... to" from within; what follows moves up.
    EXPECT_EQ(code(QStringLiteral("delete capture to 10")), mci::Success);
    EXPECT_EQ(code(QStringLiteral("delete capture from 20 to 30")), mci::Success);
    EXPECT_EQ(send(QStringLiteral("status capture length")).text, QStringLiteral("80"));
    EXPECT_EQ(code(QStringLiteral("delete capture to 10 to 20")), mci::UnrecognizedKeyword);
    EXPECT_EQ(code(QStringLiteral("delete capture from")), mci::MissingParameter);
    const mci::Reply again =
        send(QStringLiteral("save capture ") + dir.filePath(QStringLiteral("mono.wav")));
    EXPECT_EQ(again.text, dir.filePath(QStringLiteral("mono (2).wav")));
    EXPECT_EQ(Capture::read(again.text).frames(), 3528u);
    EXPECT_EQ(Capture::read(dir.filePath(QStringLiteral("mono.wav"))).channels, 1);
}

// Records "capture" into `folder` until it holds at least `ms`; the recording's file (the
// folder's one unfinished file) is returned.
QFileInfo recordInto(const QString& folder, int ms) {
    EXPECT_EQ(code(QStringLiteral("set capture folder ") + folder), mci::Success);
    EXPECT_EQ(code(QStringLiteral("record capture")), mci::Success);
    QElapsedTimer clock;
    clock.start();
    while (send(QStringLiteral("status capture length")).text.toInt() < ms &&
           clock.elapsed() < 10000)
        QTest::qWait(20);
    QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    files.removeIf([](const QFileInfo& f) { return !outputfile::isTemporaryName(f.fileName()); });
    return files.size() == 1 ? files[0] : QFileInfo();
}

ino_t inode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// A recording goes to a file in its folder while it is recorded, named as unfinished (a
// killed program leaves nothing that looks complete), and the file goes with the device.
TEST_F(MediaDevices, RecordingGrowsAnUnfinishedFileInItsFolder) {
    const QString folder = dir.filePath(QStringLiteral("spool folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(code(QStringLiteral("open new type waveaudio alias capture")), mci::Success);
    EXPECT_EQ(code(QStringLiteral("set capture folder ") + dir.filePath(QStringLiteral("none"))),
              mci::FileNotFound);
    const QFileInfo spool = recordInto(folder, 500);
    ASSERT_TRUE(spool.exists());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{spool.fileName()});
    const qint64 heldMs = send(QStringLiteral("status capture length")).text.toLongLong();
    EXPECT_GE(QFileInfo(spool.filePath()).size(), 44 + heldMs * 176400 / 1000);
    EXPECT_EQ(code(QStringLiteral("set capture folder ") + dir.path()), mci::DeviceNotReady);
    EXPECT_EQ(code(QStringLiteral("close capture")), mci::Success);
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

// A save into the recording's folder puts its file at the name without copying it, and never
// replaces a file; the device still holds the recording, and what it does next (a cut, a
// save elsewhere) leaves the saved file as it is.
TEST_F(MediaDevices, SaveIntoTheRecordingFolderPublishesItsFileWithoutReplacing) {
    const QString folder = dir.filePath(QStringLiteral("takes"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString wanted = QDir(folder).filePath(QStringLiteral("take.wav"));
    fixtures::writeFile(wanted, "keep");
    ASSERT_EQ(code(QStringLiteral("open new type waveaudio alias capture")), mci::Success);
    const QFileInfo spool = recordInto(folder, 300);
    ASSERT_EQ(code(QStringLiteral("stop capture")), mci::Success);
    const ino_t spoolInode = inode(spool.filePath());
    const qint64 heldMs = send(QStringLiteral("status capture length")).text.toLongLong();

    const mci::Reply saved = send(QStringLiteral("save capture ") + wanted);
    ASSERT_EQ(saved.code, mci::Success);
    EXPECT_EQ(saved.text, QDir(folder).filePath(QStringLiteral("take (2).wav")));
    EXPECT_EQ(fixtures::readFile(wanted), QByteArray("keep"));
    EXPECT_EQ(inode(saved.text), spoolInode);
    const Capture c = Capture::read(saved.text);
    EXPECT_EQ(c.dataSize, static_cast<std::uint32_t>(c.fileSize - 44));
    EXPECT_EQ(static_cast<qint64>(c.frames()) * 1000 / 44100, heldMs);

    EXPECT_EQ(code(QStringLiteral("delete capture from 100")), mci::Success);
    const mci::Reply copied =
        send(QStringLiteral("save capture ") + dir.filePath(QStringLiteral("short.wav")));
    EXPECT_EQ(Capture::read(copied.text).frames(), 4410u);
    EXPECT_EQ(code(QStringLiteral("close capture")), mci::Success);
    EXPECT_EQ(Capture::read(saved.text).fileSize, c.fileSize);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("take (2).wav"), QStringLiteral("take.wav")}));
}

// "play cd from <ms>" plays the disc from that position, the sum of the lengths before
// track 2 being track 2's start; the position follows the sound, holds at a stop, and a
// plain "play cd" goes on from there to the end of the disc.
TEST_F(MediaDevices, CdPlaysFromADiscPositionWithAClockThatFollowsTheSound) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"),
                                           {{300, 440.0}, {225, 1000.0}}); // 4 s and 3 s
    const auto registered = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(registered.ok());
    cddrives::setMediaDrive(registered->driveIndex);

    startCapture(2);
    ASSERT_EQ(code(QStringLiteral("open cdaudio alias cd")), mci::Success);
    ASSERT_EQ(code(QStringLiteral("set cd time format milliseconds")), mci::Success);
    const QString trackOneMs = send(QStringLiteral("status cd length track 1")).text;
    ASSERT_EQ(trackOneMs, QStringLiteral("4000"));
    EXPECT_EQ(code(QStringLiteral("play cd from 7001")), mci::OutOfRange);

    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(code(QStringLiteral("play cd from ") + trackOneMs), mci::Success);
    EXPECT_EQ(send(QStringLiteral("status cd mode")).text, QStringLiteral("playing"));
    std::vector<int> positions;
    while (positions.empty() || positions.back() < 5000) {
        ASSERT_LT(clock.elapsed(), 10000) << "the position stays at " << positions.back();
        const qint64 elapsed = clock.elapsed();
        positions.push_back(send(QStringLiteral("status cd position")).text.toInt());
        // What the output played, never what was handed to it ahead of the sound.
        EXPECT_LE(positions.back(), 4000 + elapsed + 20);
        QTest::qWait(50);
    }
    EXPECT_GE(positions.front(), 4000);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));

    ASSERT_EQ(code(QStringLiteral("stop cd")), mci::Success);
    const QString stoppedAt = send(QStringLiteral("status cd position")).text;
    EXPECT_EQ(send(QStringLiteral("status cd mode")).text, QStringLiteral("stopped"));
    QTest::qWait(100);
    EXPECT_EQ(send(QStringLiteral("status cd position")).text, stoppedAt);
    ASSERT_EQ(code(QStringLiteral("play cd wait")), mci::Success);
    EXPECT_EQ(send(QStringLiteral("status cd position")).text, QStringLiteral("7000"));
    EXPECT_EQ(code(QStringLiteral("close cd")), mci::Success);
    QTest::qWait(500); // the sound's end crosses the server to the capture

    const Capture c = saveCapture(dir.filePath(QStringLiteral("cd.wav")));
    // Track 2 alone, 3 s long, heard around the pause of the stop. The position a stop
    // keeps is the server's clock of what was played, which runs ahead of the sound by part
    // of the output's buffer (100-150 ms measured with 250 ms): that much may be skipped.
    const auto tone = fixtures::heardTone(c.samples, 44100, c.channels, 3000);
    EXPECT_NEAR(tone.frequency, 1000.0, 5.0);
    EXPECT_NEAR(tone.rms, halfScaleSineRms, halfScaleSineRms * 0.1);
    EXPECT_GT(tone.seconds, 2.8) << "heard " << tone.seconds << " s";
    EXPECT_LT(tone.seconds, 3.05) << "heard " << tone.seconds << " s";
}

// A MIDI file is rendered with the soundfont and heard for as long as its note is held.
TEST_F(MediaDevices, SequencerRendersMidiToTheOutput) {
    const QString midi = dir.filePath(QStringLiteral("one note.mid"));
    fixtures::writeFile(midi, organNoteMidi());
    startCapture(2);
    ASSERT_EQ(code(QStringLiteral("open sequencer!") + midi + QStringLiteral(" alias midi")),
              mci::Success);
    ASSERT_EQ(code(QStringLiteral("play midi wait")), mci::Success);
    EXPECT_EQ(code(QStringLiteral("close midi")), mci::Success);
    const Capture c = saveCapture(dir.filePath(QStringLiteral("midi.wav")));
    const auto [first, last] = soundSpan(c, 500);
    const double heardMs = static_cast<double>(last - first) * 1000.0 / 44100.0;
    EXPECT_GT(heardMs, 900.0);
    EXPECT_LT(heardMs, 3200.0); // the note, and its release dying away
    EXPECT_GT(rms(channel0(c, first, first + 44100 / 2)), 200.0); // silence is 0

    const QString notMidi = writeTone(QStringLiteral("tone.mid"), 440.0, 0.1, 0.0);
    EXPECT_EQ(code(QStringLiteral("open sequencer!") + notMidi + QStringLiteral(" alias midi")),
              mci::InvalidFile);
    EXPECT_EQ(code(QStringLiteral("open sequencer!") + dir.filePath(QStringLiteral("none.mid")) +
                   QStringLiteral(" alias midi")),
              mci::FileNotFound);
}

// With no server to reach, opening a device that needs one fails with a code, and so does
// playing the disc; a server that never answers is given up after the connection timeout.
TEST_F(MediaDevices, WithoutAServerOpeningFailsWithoutHanging) {
    const QByteArray server = qgetenv("PULSE_SERVER");
    const QString tone = writeTone(QStringLiteral("tone.wav"), 440.0, 0.5, 0.0);
    const QString midi = dir.filePath(QStringLiteral("note.mid"));
    fixtures::writeFile(midi, organNoteMidi());
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"), {{75, 440.0}});
    const auto registered = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(registered.ok());
    cddrives::setMediaDrive(registered->driveIndex);

    const SilentSocket silent(dir.filePath(QStringLiteral("silent")));
    ASSERT_TRUE(silent.listening());
    for (const QString& address :
         {QStringLiteral("unix:") + dir.filePath(QStringLiteral("gone/native")),
          QStringLiteral("unix:") + dir.filePath(QStringLiteral("silent"))}) {
        SCOPED_TRACE(address.toStdString());
        qputenv("PULSE_SERVER", address.toUtf8());
        EXPECT_EQ(code(QStringLiteral("open new type waveaudio alias capture")),
                  mci::CannotLoadDriver);
        if (address.endsWith(QLatin1String("native"))) {
            EXPECT_EQ(
                code(QStringLiteral("open waveaudio!") + tone + QStringLiteral(" alias sound")),
                mci::CannotLoadDriver);
            EXPECT_EQ(
                code(QStringLiteral("open sequencer!") + midi + QStringLiteral(" alias midi")),
                mci::CannotLoadDriver);
            ASSERT_EQ(code(QStringLiteral("open cdaudio alias cd")), mci::Success);
            EXPECT_EQ(code(QStringLiteral("play cd")), mci::CannotLoadDriver);
            EXPECT_EQ(send(QStringLiteral("status cd position")).text, QStringLiteral("0"));
            EXPECT_EQ(code(QStringLiteral("close cd")), mci::Success);
        }
        EXPECT_EQ(code(QStringLiteral("close capture")), mci::InvalidDeviceId);
    }
    qputenv("PULSE_SERVER", server);
}

// Closing a device ends what it plays or records and closes its streams; so does closeAll.
TEST_F(MediaDevices, CloseReleasesEveryStream) {
    const QString tone = writeTone(QStringLiteral("long.wav"), 440.0, 30.0, 0.0);
    const QString midi = dir.filePath(QStringLiteral("note.mid"));
    fixtures::writeFile(midi, organNoteMidi());
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"), {{2250, 440.0}});
    const auto registered = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(registered.ok());
    cddrives::setMediaDrive(registered->driveIndex);

    startCapture(2);
    ASSERT_EQ(code(QStringLiteral("open waveaudio!") + tone + QStringLiteral(" alias sound")),
              mci::Success);
    ASSERT_EQ(code(QStringLiteral("play sound")), mci::Success);
    ASSERT_EQ(code(QStringLiteral("open sequencer!") + midi + QStringLiteral(" alias midi")),
              mci::Success);
    ASSERT_EQ(code(QStringLiteral("play midi")), mci::Success);
    ASSERT_EQ(code(QStringLiteral("open cdaudio alias cd")), mci::Success);
    ASSERT_EQ(code(QStringLiteral("play cd")), mci::Success);
    EXPECT_EQ(serverStreams(), 4);

    EXPECT_EQ(code(QStringLiteral("close sound")), mci::Success);
    EXPECT_EQ(code(QStringLiteral("status sound mode")), mci::InvalidDeviceId);
    mci::closeAll();
    // The server sees the streams go as it reads the closed connections.
    QElapsedTimer clock;
    clock.start();
    while (serverStreams() != 0 && clock.elapsed() < 5000)
        QTest::qWait(50);
    EXPECT_EQ(serverStreams(), 0);
    EXPECT_EQ(code(QStringLiteral("stop cd")), mci::InvalidDeviceId);
}

} // namespace
