// The decoder control: WAVs it writes, stopping, the one-writer rule, damaged input.
#include "fixtures.h"
#include "mp3fixture.h"
#include "syncfault.h"

#include "engine/formats/wavreader.h"
#include "engine/platform/activemp3/activemp3.h"
#include "engine/platform/activemp3/mpg123stream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr int waitMs = 60000;

struct DecodedWav {
    WavFormat format;
    qint64 fileSize = 0;
    std::uint32_t riffSize = 0;
    std::uint32_t headerDataLength = 0;
    std::vector<std::int16_t> samples;
};

DecodedWav readDecoded(const QString& path) {
    DecodedWav out;
    const QByteArray bytes = fixtures::readFile(path);
    out.fileSize = bytes.size();
    if (bytes.size() < 44)
        return out;
    out.riffSize = fixtures::le32(bytes, 4);
    out.headerDataLength = fixtures::le32(bytes, 40);
    auto format = readWavFormat(path);
    if (!format)
        return out;
    out.format = format.value();
    out.samples.resize(static_cast<std::size_t>(out.format.dataLength / 2));
    if (!out.samples.empty()) // a stopped decode may have written no audio at all
        std::memcpy(out.samples.data(), bytes.constData() + out.format.dataOffset,
                    out.samples.size() * 2);
    return out;
}

// The header tells the truth about the file: a plain 44-byte PCM header whose lengths
// match the bytes present.
void expectConsistentHeader(const DecodedWav& wav, int rate, int channels) {
    EXPECT_TRUE(wav.format.isPcm16());
    EXPECT_EQ(wav.format.sampleRate, static_cast<std::uint32_t>(rate));
    EXPECT_EQ(wav.format.channels, channels);
    EXPECT_EQ(wav.format.blockAlign, channels * 2);
    EXPECT_EQ(wav.format.byteRate, static_cast<std::uint32_t>(rate * channels * 2));
    EXPECT_EQ(wav.format.dataOffset, 44);
    EXPECT_FALSE(wav.format.dataTruncated);
    EXPECT_EQ(static_cast<qint64>(wav.headerDataLength), wav.fileSize - 44);
    EXPECT_EQ(static_cast<qint64>(wav.riffSize), wav.fileSize - 8);
    EXPECT_EQ(wav.headerDataLength % (channels * 2), 0u);
}

// Waits for the end of the running decode; its `completed` flag.
std::optional<bool> waitFinished(ActiveMP3& control, QSignalSpy& spy) {
    if (spy.isEmpty() && !spy.wait(waitMs))
        return std::nullopt;
    EXPECT_FALSE(control.busy());
    return spy.takeFirst().at(0).toBool();
}

class DecoderControl : public testing::Test {
  protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    QString makeSineMp3(const char* name, double hz, double seconds, int rate = 44100,
                        int channels = 2, int kbps = 128) {
        const QString p = path(name);
        fixtures::writeMp3(p, fixtures::sine(hz, seconds, rate, channels), rate, channels, kbps);
        return p;
    }

    // Writes `bytes` as `name`, decodes it into `name`.wav with `control` and waits for the
    // end: the decode's `completed` flag, or nothing when it did not start or did not end.
    std::optional<bool> decodeBytes(ActiveMP3& control, const char* name, const QByteArray& bytes) {
        const QString input = path(name);
        fixtures::writeFile(input, bytes);
        QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
        control.setInputFile(input);
        if (!control.decodeToFile(input + QStringLiteral(".wav"))) {
            ADD_FAILURE() << "not started: " << control.lastError().toStdString();
            return std::nullopt;
        }
        const auto completed = waitFinished(control, finished);
        EXPECT_TRUE(completed.has_value()) << "decode did not end";
        return completed;
    }

    QTemporaryDir dir;
};

struct FormatCase {
    int rate;
    int channels;
    int kbps;
};

class DecoderControlFormats : public DecoderControl,
                              public testing::WithParamInterface<FormatCase> {};

TEST_P(DecoderControlFormats, WritesTheMp3sOwnFormatWithItsLengthAndPitch) {
    const auto [rate, channels, kbps] = GetParam();
    const double seconds = 2.5;
    const QString mp3 = makeSineMp3("tone.mp3", 1000, seconds, rate, channels, kbps);
    const QString wanted = path("tone.wav");
    // A file in the way is never written over: the WAV takes the next number.
    const QByteArray old(3 * 1024 * 1024, 'x');
    fixtures::writeFile(wanted, old);
    const QString wav = path("tone (2).wav");

    ActiveMP3 control;
    QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
    control.setInputFile(mp3);
    ASSERT_TRUE(control.decodeToFile(wanted)) << control.lastError().toStdString();
    const auto completed = waitFinished(control, finished);
    ASSERT_TRUE(completed.has_value()) << "decode did not end";
    EXPECT_TRUE(*completed);
    EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Completed);
    EXPECT_TRUE(control.lastError().isEmpty());
    EXPECT_EQ(control.lastOutput(), wav);
    EXPECT_EQ(fixtures::readFile(wanted), old);

    const DecodedWav out = readDecoded(wav);
    expectConsistentHeader(out, rate, channels);
    const auto sourceFrames = static_cast<qint64>(seconds * rate);
    const qint64 decodedFrames = out.format.frameCount();
    const int samplesPerMpegFrame = rate >= 32000 ? 1152 : 576;
    EXPECT_LE(std::abs(decodedFrames - sourceFrames), 2 * samplesPerMpegFrame)
        << decodedFrames << " frames decoded of " << sourceFrames;
    for (int c = 0; c < channels; ++c)
        EXPECT_NEAR(fixtures::dominantFrequency(out.samples, rate, channels, c), 1000.0, 3.0);

    EXPECT_EQ(control.format().sampleRate, rate);
    EXPECT_EQ(control.format().channels, channels);
    EXPECT_EQ(control.position(), control.total());
    EXPECT_NEAR(static_cast<double>(control.total()), decodedFrames * 1000.0 / rate, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderControlFormats,
                         testing::Values(FormatCase{44100, 2, 128}, FormatCase{48000, 1, 64},
                                         FormatCase{48000, 2, 160}, FormatCase{22050, 1, 64}));

TEST_F(DecoderControl, StopEndsAtOnceWithAValidShorterWav) {
    const double seconds = 60;
    const QString mp3 = makeSineMp3("long.mp3", 440, seconds, 44100, 2, 96);
    const QString wav = path("long.wav");
    ActiveMP3 control;
    QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
    control.setInputFile(mp3);
    ASSERT_TRUE(control.decodeToFile(wav));
    EXPECT_GT(control.total(), 55000);
    control.stop();
    EXPECT_FALSE(control.busy());
    EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Stopped);
    EXPECT_TRUE(control.lastError().isEmpty());

    // Closed with its true length as stop returns, before any event is processed.
    const DecodedWav out = readDecoded(wav);
    expectConsistentHeader(out, 44100, 2);
    EXPECT_LT(out.format.frameCount(), static_cast<qint64>(seconds * 44100) - 44100);
    EXPECT_EQ(control.position(), out.format.frameCount() * 1000 / 44100);

    ASSERT_TRUE(finished.wait(waitMs));
    EXPECT_FALSE(finished.takeFirst().at(0).toBool());

    control.stop(); // idle: harmless
    EXPECT_FALSE(control.busy());
    EXPECT_EQ(fixtures::readFile(wav).size(), out.fileSize);
}

TEST_F(DecoderControl, StartingAgainOnTheSameOutputDoesNotMakeASecondWriter) {
    const double seconds = 40;
    const QString mp3 = makeSineMp3("same.mp3", 500, seconds, 44100, 2, 128);
    const QString wav = path("same.wav");
    ActiveMP3 control;
    QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
    control.setInputFile(mp3);
    ASSERT_TRUE(control.decodeToFile(wav));
    // The second start while the first runs: accepted, and nothing restarts.
    ASSERT_TRUE(control.decodeToFile(wav));

    // Another control wanting the same name writes a file of its own: whichever ends first
    // takes the name, the other the next number, and neither file has two writers.
    ActiveMP3 other;
    other.setInputFile(mp3);
    ASSERT_TRUE(other.decodeToFile(wav));
    other.stop();

    const auto completed = waitFinished(control, finished);
    ASSERT_TRUE(completed.has_value());
    EXPECT_TRUE(*completed);
    EXPECT_TRUE(finished.isEmpty()); // one decode, one end
    const QStringList written{control.lastOutput(), other.lastOutput()};
    EXPECT_TRUE(written.contains(wav));
    EXPECT_TRUE(written.contains(path("same (2).wav")));
    expectConsistentHeader(readDecoded(other.lastOutput()), 44100, 2);

    const DecodedWav out = readDecoded(control.lastOutput());
    expectConsistentHeader(out, 44100, 2);
    EXPECT_LE(std::abs(out.format.frameCount() - static_cast<qint64>(seconds * 44100)), 2304);
    EXPECT_NEAR(fixtures::dominantFrequency(out.samples, 44100, 2), 500.0, 2.0);
}

TEST_F(DecoderControl, StartingAnotherDecodeEndsTheFirstCleanly) {
    const QString first = makeSineMp3("first.mp3", 300, 60, 44100, 2, 96);
    const QString second = makeSineMp3("second.mp3", 700, 2, 44100, 1, 64);
    ActiveMP3 control;
    QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
    control.setInputFile(first);
    ASSERT_TRUE(control.decodeToFile(path("first.wav")));
    control.setInputFile(second);
    ASSERT_TRUE(control.decodeToFile(path("second.wav")));

    const auto completed = waitFinished(control, finished);
    ASSERT_TRUE(completed.has_value());
    EXPECT_TRUE(*completed);
    EXPECT_TRUE(finished.isEmpty()); // the replaced decode's end is not reported

    const DecodedWav cut = readDecoded(path("first.wav"));
    expectConsistentHeader(cut, 44100, 2);
    EXPECT_LT(cut.format.frameCount(), 60 * 44100);
    const DecodedWav whole = readDecoded(path("second.wav"));
    expectConsistentHeader(whole, 44100, 1);
    EXPECT_NEAR(fixtures::dominantFrequency(whole.samples, 44100, 1), 700.0, 3.0);
}

TEST_F(DecoderControl, RefusesWhatItCannotDecodeAndLeavesNoFile) {
    auto* random = QRandomGenerator::global();
    QByteArray noise(200000, Qt::Uninitialized);
    for (char& c : noise)
        c = static_cast<char>(random->bounded(256));
    const QByteArray wavNoise = fixtures::wavBytes(
        [&] {
            std::vector<std::int16_t> s(88200);
            for (auto& v : s)
                v = static_cast<std::int16_t>(random->bounded(65536) - 32768);
            return s;
        }(),
        44100, 2);
    const QByteArray valid = fixtures::mp3Bytes(fixtures::sine(440, 1), 44100, 2, 128);

    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty.mp3", QByteArray()},
        {"tiny.mp3", valid.left(99)},
        {"noise.mp3", noise},
        {"pcm.mp3", wavNoise},
        {"text.mp3", QByteArray("ID3 this is not audio at all\n").repeated(200)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString input = path(c.name);
        fixtures::writeFile(input, c.bytes);
        const QString output = path("out.wav");
        ActiveMP3 control;
        control.setInputFile(input);
        EXPECT_FALSE(control.decodeToFile(output));
        EXPECT_FALSE(control.lastError().isEmpty());
        EXPECT_FALSE(control.busy());
        EXPECT_FALSE(QFile::exists(output));
    }

    ActiveMP3 control;
    control.setInputFile(path("missing.mp3"));
    EXPECT_FALSE(control.decodeToFile(path("missing.wav")));
    EXPECT_FALSE(QFile::exists(path("missing.wav")));

    // No folder to write into: the system's reason is given.
    fixtures::writeFile(path("good.mp3"), valid);
    control.setInputFile(path("good.mp3"));
    EXPECT_FALSE(control.decodeToFile(path("no/such/folder/good.wav")));
    EXPECT_EQ(control.lastError(), QStringLiteral("Cannot write ") +
                                       path("no/such/folder/good.wav") +
                                       QStringLiteral(": No such file or directory"));
    EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::None);

    // Never written over its own input.
    EXPECT_FALSE(control.decodeToFile(path("good.mp3")));
    EXPECT_EQ(fixtures::readFile(path("good.mp3")), valid);
}

TEST_F(DecoderControl, DamagedStreamsGiveWhatCanBeDecoded) {
    const QByteArray valid = fixtures::mp3Bytes(fixtures::sine(1000, 4), 44100, 2, 128);
    auto* random = QRandomGenerator::global();
    QByteArray garbage(6000, Qt::Uninitialized);
    for (char& c : garbage)
        c = static_cast<char>(random->bounded(256));

    // Every case's audio is decoded as far as it goes, but only a file that lost none of the
    // length its LAME/Info frame records counts as complete. Garbage put between two halves
    // may tear a frame or not, as the random bytes fall.
    enum Whole { Yes, No, Either };
    const struct {
        const char* name;
        QByteArray bytes;
        double minSeconds;
        double maxSeconds;
        Whole whole;
    } cases[] = {
        {"truncated.mp3", valid.left(valid.size() / 2), 1.8, 2.1, No},
        {"cut-midframe.mp3", valid.left(valid.size() / 3 + 77), 1.2, 1.45, No},
        {"garbage-inside.mp3", valid.left(valid.size() / 2) + garbage + valid.mid(valid.size() / 2),
         3.8, 4.3, Either},
        {"garbage-replacing.mp3",
         valid.left(valid.size() / 2) + garbage + valid.mid(valid.size() / 2 + garbage.size()), 3.3,
         3.9, No},
        {"trailing-garbage.mp3", valid + garbage, 3.9, 4.3, Yes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString output = path(c.name) + QStringLiteral(".wav");
        ActiveMP3 control;
        ASSERT_TRUE(decodeBytes(control, c.name, c.bytes).has_value());
        EXPECT_EQ(control.lastOutput(), output);
        if (c.whole == Yes || (c.whole == Either && control.lastError().isEmpty())) {
            EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Completed)
                << control.lastError().toStdString();
        } else {
            EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Failed);
            // Less than a second missing is said in milliseconds.
            const QString& said = control.lastError();
            EXPECT_TRUE(
                said.startsWith(path(c.name) + QStringLiteral(": the file is incomplete: ")) &&
                ((said.contains(QStringLiteral("it holds 0:0")) && said.contains(u" of 0:04 ")) ||
                 said.contains(QStringLiteral(" ms of its audio are missing"))))
                << said.toStdString();
        }
        const DecodedWav out = readDecoded(output);
        expectConsistentHeader(out, 44100, 2);
        const double seconds = out.format.frameCount() / 44100.0;
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LE(seconds, c.maxSeconds);
        // The good audio at the start is the tone.
        const std::vector<std::int16_t> head(out.samples.begin(), out.samples.begin() + 2 * 44100);
        EXPECT_NEAR(fixtures::dominantFrequency(head, 44100, 2), 1000.0, 3.0);
    }
}

// A file that lost only its last frame falls short of its LAME/Info count by less than one
// frame's samples: it is incomplete all the same, and the message says what is missing where
// minutes and seconds alone would read "0:04 of 0:04". VBR files and mono files too.
TEST_F(DecoderControl, AFileMissingOnlyItsLastFrameIsIncomplete) {
    const QByteArray cbr = fixtures::mp3Bytes(fixtures::sine(1000, 4.5), 44100, 2, 128);
    const QByteArray vbr = fixtures::mp3VbrBytes(fixtures::sine(700, 4.5), 44100, 2, 2);
    const QByteArray mono = fixtures::mp3Bytes(fixtures::sine(500, 4.5, 22050, 1), 22050, 1, 64);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"cbr-150.mp3", cbr.left(cbr.size() - 150)},
        {"cbr-417.mp3", cbr.left(cbr.size() - 417)},
        {"vbr-200.mp3", vbr.left(vbr.size() - 200)},
        {"mono-100.mp3", mono.left(mono.size() - 100)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActiveMP3 control;
        ASSERT_EQ(decodeBytes(control, c.name, c.bytes), std::optional<bool>(false));
        EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Failed);
        EXPECT_TRUE(control.lastError().startsWith(path(c.name) +
                                                   QStringLiteral(": the file is incomplete: ")))
            << control.lastError().toStdString();
        EXPECT_TRUE(control.lastError().contains(QStringLiteral(" ms of its audio are missing")))
            << control.lastError().toStdString();
        // What it holds is in the WAV all the same.
        EXPECT_EQ(control.lastOutput(), path(c.name) + QStringLiteral(".wav"));
    }
    // The whole files are complete, to the sample.
    for (const auto& [name, bytes] :
         {std::pair{"cbr.mp3", cbr}, std::pair{"vbr.mp3", vbr}, std::pair{"mono.mp3", mono}}) {
        SCOPED_TRACE(name);
        ActiveMP3 control;
        EXPECT_EQ(decodeBytes(control, name, bytes), std::optional<bool>(true))
            << control.lastError().toStdString();
    }
}

TEST_F(DecoderControl, DamageTheDecoderCannotGetPastFailsTheDecodeKeepingTheAudioBefore) {
    const QByteArray first = fixtures::mp3Bytes(fixtures::sine(1000, 3), 44100, 2, 128);
    const QByteArray other = fixtures::mp3Bytes(fixtures::sine(500, 3), 48000, 1, 64);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        // No sync word anywhere in more than the decoder's resync limit.
        {"hole.mp3", first + QByteArray(Mpg123Stream::resyncLimitBytes + 100000, '\0') + first,
         "resync"},
        // Seconds of audio in another format: not damage to skip but another stream.
        {"glued.mp3", first + other, "another format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString output = path(c.name) + QStringLiteral(".wav");
        ActiveMP3 control;
        const auto completed = decodeBytes(control, c.name, c.bytes);
        ASSERT_TRUE(completed.has_value());
        EXPECT_FALSE(*completed);
        EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Failed);
        const QString error = control.lastError();
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot decode ") + path(c.name) +
                                     QStringLiteral(": ")))
            << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.says), Qt::CaseInsensitive))
            << error.toStdString();

        const DecodedWav out = readDecoded(output);
        expectConsistentHeader(out, 44100, 2);
        EXPECT_EQ(out.format.frameCount(), 3 * 44100); // all of the first stream
        EXPECT_NEAR(fixtures::dominantFrequency(out.samples, 44100, 2), 1000.0, 3.0);
    }
}

// The output's failures end the decode as failed with the system's reason, and leave a WAV
// whose header describes what it holds.
TEST_F(DecoderControl, OutputFailuresEndTheDecodeAsFailedWithTheSystemsReason) {
    const QString mp3 = makeSineMp3("full.mp3", 440, 20, 44100, 2, 128);
    const QString wav = path("full.wav");
    ActiveMP3 control;
    QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
    control.setInputFile(mp3);

    // The file-size limit stands in for a full disk: a write partway through fails.
    constexpr rlim_t limit = 300000;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool started = control.decodeToFile(wav);
    const auto completed = started ? waitFinished(control, finished) : std::nullopt;
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(started) << control.lastError().toStdString();
    ASSERT_TRUE(completed.has_value()) << "decode did not end";
    EXPECT_FALSE(*completed);
    EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Failed);
    EXPECT_EQ(control.lastError(),
              QStringLiteral("Cannot write ") + wav + QStringLiteral(": File too large"));
    // What reached the disk is no WAV to keep: nothing is left, under any name.
    const auto nothingLeft = [this, &wav] {
        EXPECT_FALSE(QFileInfo::exists(wav));
        EXPECT_TRUE(QDir(dir.path())
                        .entryList({QStringLiteral(".vortan-*")}, QDir::Files | QDir::Hidden)
                        .isEmpty());
    };
    nothingLeft();
    EXPECT_TRUE(control.lastOutput().isEmpty());

    // A flush refused when the file is ended (a disk reporting its write error late).
    {
        fixtures::FailingFlush refuse(EIO);
        ASSERT_TRUE(control.decodeToFile(wav));
        ASSERT_TRUE(waitFinished(control, finished).has_value());
        EXPECT_GE(refuse.refused(), 1);
    }
    EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Failed);
    EXPECT_EQ(control.lastError(),
              QStringLiteral("Cannot write ") + wav + QStringLiteral(": Input/output error"));
    nothingLeft(); // not on the disk for sure: not kept
}

// A sink that keeps what it is given, and can refuse after some bytes.
class MemorySink final : public PcmSink {
  public:
    explicit MemorySink(std::size_t refuseAfter = SIZE_MAX) : refuseAfter_(refuseAfter) {}
    bool begin(const PcmFormat& f) override {
        format = f;
        ++begins;
        return f.valid();
    }
    bool write(const char* data, std::size_t bytes) override {
        if (bytes % static_cast<std::size_t>(format.blockAlign()) != 0)
            ++unalignedWrites;
        audio.insert(audio.end(), data, data + bytes);
        return audio.size() < refuseAfter_;
    }
    bool finish() override {
        ++finishes;
        return true;
    }

    PcmFormat format;
    std::vector<char> audio;
    int begins = 0, finishes = 0, unalignedWrites = 0;

  private:
    std::size_t refuseAfter_;
};

TEST_F(DecoderControl, DecodesIntoAnySinkAndEndsWhenTheSinkRefuses) {
    const QString mp3 = makeSineMp3("sink.mp3", 800, 30, 48000, 1, 96);
    ActiveMP3 control;
    QSignalSpy finished(&control, &ActiveMP3::decodingFinished);
    control.setInputFile(mp3);

    auto whole = std::make_unique<MemorySink>();
    MemorySink* sink = whole.get();
    ASSERT_TRUE(control.decodeToSink(std::move(whole)));
    EXPECT_EQ(sink->begins, 1); // told the format before the start returned
    EXPECT_EQ(sink->format.sampleRate, 48000);
    EXPECT_EQ(sink->format.channels, 1);
    auto completed = waitFinished(control, finished);
    ASSERT_TRUE(completed.has_value());
    EXPECT_TRUE(*completed);
    EXPECT_EQ(sink->finishes, 1);
    EXPECT_EQ(sink->unalignedWrites, 0);
    EXPECT_NEAR(static_cast<double>(sink->audio.size()) / 2, 30.0 * 48000, 2304);

    // A sink that takes no more ends the decode early, as failed.
    auto partial = std::make_unique<MemorySink>(100000);
    sink = partial.get();
    ASSERT_TRUE(control.decodeToSink(std::move(partial)));
    completed = waitFinished(control, finished);
    ASSERT_TRUE(completed.has_value());
    EXPECT_FALSE(*completed);
    EXPECT_EQ(control.lastEnd(), ActiveMP3::DecodeEnd::Failed);
    EXPECT_FALSE(control.lastError().isEmpty());
    EXPECT_EQ(sink->finishes, 1);
    EXPECT_LT(sink->audio.size(), 30u * 48000 * 2);
}

TEST_F(DecoderControl, DestroyingTheControlWhileDecodingClosesTheFile) {
    const QString mp3 = makeSineMp3("gone.mp3", 440, 30, 44100, 2, 128);
    const QString wav = path("gone.wav");
    {
        ActiveMP3 control;
        control.setInputFile(mp3);
        ASSERT_TRUE(control.decodeToFile(wav));
    }
    expectConsistentHeader(readDecoded(wav), 44100, 2);
}

} // namespace
