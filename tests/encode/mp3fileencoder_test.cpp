// WAV file to MP3 file: formats accepted and refused, chunking, cancelling, outputs.
#include "engine/core/eventwait.h"
#include "engine/pipeline/encodejob.h"
#include "engine/pipeline/mp3fileencoder.h"

#include "engine/platform/activemp3/mpg123stream.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "progressgate.h"
#include "syncfault.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <numbers>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double mpegFrame = 1152.0;
const std::size_t chunkFrames = modLAME::framesPerChunk * modLAME::samplesPerMpegFrame;

class FileEncoderTest : public testing::Test {
  protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    EncodeRequest request(const QString& source, std::uint32_t bitrate = 128) const {
        EncodeRequest r;
        r.sourcePath = source;
        r.outputPath = path("out.mp3");
        r.config = modLAME::makeConfig(bitrate, 0);
        r.config.originalFlag = modLAME::flagTrue;
        return r;
    }

    QString writeWav(const char* name, const std::vector<std::int16_t>& samples, int rate = 44100,
                     int channels = 2) const {
        const QString p = path(name);
        fixtures::writeFile(p, fixtures::wavBytes(samples, rate, channels));
        return p;
    }

    std::vector<double> progressSeen;
    // Encodes `r`; the MP3 an earlier call of the test made goes first, since no output is
    // ever written over.
    EncodeOutcome encode(const EncodeRequest& r, std::function<bool()> cancelled = {}) {
        if (!made_.isEmpty())
            QFile::remove(made_);
        EncodeOutcome o =
            encodeWavToMp3(r, cancelled, [this](double p) { progressSeen.push_back(p); });
        made_ = o.outputPath;
        return o;
    }
    // Temporary files of outputs left in the folder.
    QStringList leftovers() const {
        return QDir(dir_.path())
            .entryList({QStringLiteral(".vortan-unfinished-*")}, QDir::Files | QDir::Hidden);
    }

  private:
    QTemporaryDir dir_;
    QString made_;
};

std::vector<std::int16_t> steady(const mp3decode::Decoded& d) {
    const std::size_t edge = 4096 * static_cast<std::size_t>(d.channels);
    if (d.samples.size() <= 2 * edge)
        return {};
    return {d.samples.begin() + edge, d.samples.end() - edge};
}

// A WAV whose chunks are given whole: "RIFF" size "WAVE" then `body`.
QByteArray riff(const QByteArray& body) {
    QByteArray b("RIFF");
    const auto size = static_cast<std::uint32_t>(body.size() + 4);
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>(size >> (8 * i)));
    return b + "WAVE" + body;
}

QByteArray chunk(const char* id, const QByteArray& data) {
    QByteArray b(id, 4);
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>(size >> (8 * i)));
    b += data;
    if (data.size() & 1)
        b.append('\0');
    return b;
}

constexpr int extensible = 0xFFFE;

void putLittleEndian(QByteArray& b, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>(v >> (8 * i)));
}

// A "fmt " chunk; the extensible one carries `subTag` in a WAVE format family GUID, or
// `guidTail` for the rest of the GUID when given.
QByteArray fmtChunk(int tag, int channels, int rate, int bits, int subTag = 0,
                    const QByteArray& guidTail = {}) {
    QByteArray f;
    const int align = channels * bits / 8;
    putLittleEndian(f, tag, 2);
    putLittleEndian(f, channels, 2);
    putLittleEndian(f, rate, 4);
    putLittleEndian(f, rate * align, 4);
    putLittleEndian(f, align, 2);
    putLittleEndian(f, bits, 2);
    if (tag == extensible) {
        putLittleEndian(f, 22, 2);                    // extension size
        putLittleEndian(f, bits, 2);                  // valid bits
        putLittleEndian(f, channels == 2 ? 3 : 4, 4); // speakers: front left+right, centre
        putLittleEndian(f, subTag, 2);
        f += guidTail.isEmpty() ? QByteArray::fromHex("000000001000800000aa00389b71") : guidTail;
    }
    return chunk("fmt ", f);
}

// Interleaved samples of full scale +-1 as `bits`-bit audio: IEEE floats for format 3,
// integers otherwise (8-bit ones unsigned around 128), rounded and held within range.
QByteArray sampleBytes(const std::vector<double>& samples, int coding, int bits) {
    QByteArray b;
    for (const double v : samples) {
        if (coding == 3 && bits == 32) {
            const float f = static_cast<float>(v);
            b.append(reinterpret_cast<const char*>(&f), 4);
        } else if (coding == 3) {
            b.append(reinterpret_cast<const char*>(&v), 8);
        } else {
            const double top = std::ldexp(1.0, bits - 1);
            auto q = static_cast<std::int64_t>(std::clamp(std::round(v * top), -top, top - 1));
            if (bits == 8)
                q += 128;
            putLittleEndian(b, static_cast<std::uint64_t>(q), bits / 8);
        }
    }
    return b;
}

// `seconds` of a sine of `leftHz` in the first channel and `rightHz` in the second, at half
// of full scale.
std::vector<double> tone(double leftHz, double rightHz, double seconds, int rate, int channels) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<double> out;
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(0.5 * std::sin(2 * std::numbers::pi * (c ? rightHz : leftHz) * i / rate));
    return out;
}

double rms(const std::vector<std::int16_t>& s) {
    double sum = 0;
    for (const auto v : s)
        sum += static_cast<double>(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / static_cast<double>(s.size()));
}

QByteArray pcmBytes(const std::vector<std::int16_t>& s) {
    return QByteArray(reinterpret_cast<const char*>(s.data()),
                      static_cast<qsizetype>(s.size() * 2));
}

} // namespace

TEST_F(FileEncoderTest, CdFormatWavBecomesTheMp3TheSettingsAskFor) {
    const auto pcm = fixtures::sine(1000, 4.0);
    const EncodeOutcome o = encode(request(writeWav("a.wav", pcm), 128));
    ASSERT_EQ(o.status, EncodeOutcome::Status::Completed) << o.error.description().toStdString();
    EXPECT_EQ(o.audioBytes, static_cast<std::int64_t>(pcm.size() * 2));
    EXPECT_EQ(o.bytesEncoded, o.audioBytes);
    EXPECT_EQ(o.bytesWritten, QFileInfo(path("out.mp3")).size());

    const auto d = mp3decode::decodeFile(path("out.mp3"));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    for (const auto& f : d.frames) {
        ASSERT_EQ(f.version, 1);
        ASSERT_EQ(f.layer, 3);
        ASSERT_EQ(f.rate, 44100);
        ASSERT_EQ(f.mode, 1);
        ASSERT_EQ(f.bitrateKbps, 128);
        ASSERT_TRUE(f.original);
    }
    EXPECT_NEAR(static_cast<double>(d.sampleFrames()), pcm.size() / 2.0, 2 * mpegFrame);
    EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 44100, 2), 1000, 5);

    // Four seconds are three chunks, the last one shorter; progress ends at 100.
    ASSERT_EQ(progressSeen.size(), 3u);
    EXPECT_NEAR(progressSeen[0], 100.0 * chunkFrames / (pcm.size() / 2.0), 1e-9);
    EXPECT_DOUBLE_EQ(progressSeen.back(), 100.0);
}

TEST_F(FileEncoderTest, SourceWithoutAudioIsRefusedBeforeAnyOutput) {
    QByteArray lessThanAFrame = fixtures::wavBytes({});
    lessThanAFrame.append("\x01\x02\x03", 3);
    lessThanAFrame[40] = 3;
    fixtures::writeFile(path("short.wav"), lessThanAFrame);
    const QString sources[] = {writeWav("empty.wav", {}), path("short.wav")};
    fixtures::writeFile(path("out.mp3"), QByteArray("previous mp3"));
    for (const QString& src : sources) {
        const EncodeOutcome o = encode(request(src));
        EXPECT_EQ(o.status, EncodeOutcome::Status::Failed) << src.toStdString();
        EXPECT_TRUE(o.error.description().contains(src) &&
                    o.error.description().contains(QStringLiteral("no audio")))
            << o.error.description().toStdString();
        EXPECT_FALSE(o.outputCreated);
    }
    EXPECT_TRUE(progressSeen.empty());
    EXPECT_EQ(fixtures::readFile(path("out.mp3")), QByteArray("previous mp3"));
}

TEST_F(FileEncoderTest, SourceShrinkingMidwayFailsWithAProperlyEndedMp3) {
    const QString src = writeWav("shrinks.wav", fixtures::sine(1000, 8.0));
    const auto kept = static_cast<std::int64_t>(chunkFrames * 4 * 3 / 2 + 2); // 1.5 chunks
    const EncodeOutcome o = encodeWavToMp3(request(src), {}, [&](double) {
        if (QFileInfo(src).size() > 44 + kept)
            QFile::resize(src, 44 + kept);
    });
    EXPECT_EQ(o.status, EncodeOutcome::Status::Failed);
    EXPECT_TRUE(o.error.description().startsWith(src + QStringLiteral(": ")))
        << o.error.description().toStdString();
    EXPECT_EQ(o.bytesEncoded, kept - 2); // the whole sample frames that were there

    const auto d = mp3decode::decodeFile(path("out.mp3"));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(static_cast<std::int64_t>(d.sampleFrames()), o.bytesEncoded / 4);
}

TEST_F(FileEncoderTest, Mp3sDecodeToExactlyTheSourcesSampleCount) {
    // Below 64 kbit/s (and at the lowest MPEG-2 bitrates) the encoder's frames are too small
    // for its own tag: the binding's tag serves there.
    const struct {
        int rate;
        int channels;
        std::size_t frames;
        std::uint32_t kbps;
    } cases[] = {{44100, 2, 441000, 128}, {44100, 2, 441037, 128}, {44100, 1, 441037, 128},
                 {48000, 2, 480011, 128}, {44100, 2, 441037, 32},  {44100, 2, 441037, 40},
                 {44100, 2, 441037, 48},  {44100, 2, 441037, 56},  {44100, 1, 441037, 32},
                 {22050, 2, 220519, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " ch, " << c.frames
                                        << ", " << c.kbps << " kbit/s");
        const double seconds = static_cast<double>(c.frames) / c.rate;
        auto pcm = fixtures::sine(700, seconds + 1.0, c.rate, c.channels);
        pcm.resize(c.frames * static_cast<std::size_t>(c.channels));
        const EncodeOutcome o =
            encode(request(writeWav("exact.wav", pcm, c.rate, c.channels), c.kbps));
        ASSERT_EQ(o.status, EncodeOutcome::Status::Completed);

        // The program's own decoder, which also runs its opening check on the file.
        auto stream = Mpg123Stream::open(path("out.mp3"));
        ASSERT_TRUE(stream.ok()) << stream.error().description().toStdString();
        Mpg123Stream& s = *stream.value();
        EXPECT_EQ(s.expectedFrames(), static_cast<std::int64_t>(c.frames));
        std::vector<char> buffer(4 * s.maxFrameBytes());
        std::size_t bytes = 0;
        while (const std::size_t got = s.read(buffer.data(), buffer.size()))
            bytes += got;
        EXPECT_TRUE(s.ended());
        EXPECT_FALSE(s.failed()) << s.error().toStdString();
        EXPECT_EQ(bytes / (2 * static_cast<std::size_t>(c.channels)), c.frames);

        const auto d = mp3decode::decodeFile(path("out.mp3"));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.sampleFrames(), c.frames);
    }
}

TEST_F(FileEncoderTest, PartialSampleFrameAtTheEndIsNeverEncoded) {
    auto pcm = fixtures::sine(500, 1.0);
    QByteArray bytes = fixtures::wavBytes(pcm);
    bytes.append("\x01\x02\x03", 3); // three bytes past the last whole frame
    const std::uint32_t dataLength = pcm.size() * 2 + 3;
    for (int i = 0; i < 4; ++i)
        bytes[40 + i] = static_cast<char>(dataLength >> (8 * i));
    fixtures::writeFile(path("odd.wav"), bytes);
    const EncodeOutcome o = encode(request(path("odd.wav")));
    ASSERT_EQ(o.status, EncodeOutcome::Status::Completed);
    EXPECT_EQ(o.audioBytes, static_cast<std::int64_t>(pcm.size() * 2));
    EXPECT_EQ(o.bytesEncoded, o.audioBytes);
}

TEST_F(FileEncoderTest, MonoAtItsOwnRateWithChunksAroundTheAudio) {
    const auto pcm = fixtures::sine(800, 3.0, 22050, 1);
    const QByteArray body = fmtChunk(1, 1, 22050, 16) + chunk("LIST", QByteArray(37, 'x')) +
                            chunk("data", pcmBytes(pcm)) + chunk("id3 ", QByteArray(100, 'T'));
    fixtures::writeFile(path("mono.wav"), riff(body));
    const EncodeOutcome o = encode(request(path("mono.wav"), 64));
    ASSERT_EQ(o.status, EncodeOutcome::Status::Completed) << o.error.description().toStdString();
    EXPECT_EQ(o.audioBytes,
              static_cast<std::int64_t>(pcm.size() * 2)); // the trailing tag is not audio

    const auto d = mp3decode::decodeFile(path("out.mp3"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.rate, 22050);
    EXPECT_EQ(d.frames.front().version, 2);
    EXPECT_EQ(d.frames.front().mode, 3);
    EXPECT_EQ(d.frames.front().bitrateKbps, 64);
    // The encoder's fixed delay (about 1,100 samples) spans two of these shorter frames.
    EXPECT_NEAR(static_cast<double>(d.sampleFrames()), pcm.size(), 3 * 576.0);
    EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 22050, 1), 800, 5);
}

TEST_F(FileEncoderTest, StereoAt48kStaysStereoAt48k) {
    const auto pcm = fixtures::sine(1200, 2.0, 48000, 2);
    const EncodeOutcome o = encode(request(writeWav("hi.wav", pcm, 48000, 2), 192));
    ASSERT_EQ(o.status, EncodeOutcome::Status::Completed);
    const auto d = mp3decode::decodeFile(path("out.mp3"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rate, 48000);
    EXPECT_EQ(d.frames.front().mode, 1);
    EXPECT_EQ(d.frames.front().bitrateKbps, 192);
    EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 48000, 2), 1200, 6);
}

TEST_F(FileEncoderTest, UnsupportedSourcesFailClearlyAndTouchNothing) {
    const auto pcm = fixtures::sine(440, 0.5);
    const QByteArray full = fixtures::wavBytes(pcm);
    const QByteArray data = chunk("data", pcmBytes(pcm));
    QByteArray misaligned = fmtChunk(1, 2, 44100, 16);
    misaligned[8 + 12] = 3; // block alignment 3 for two 16-bit channels
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says;
    };
    const char* only = "only PCM (8-, 16-, 24- or 32-bit) or floating-point (32- or 64-bit) "
                       "audio in one or two channels can be encoded";
    const Case cases[] = {
        {"text.wav", QByteArray("this is not a sound file at all, just text").repeated(3), "RIFF"},
        {"short.wav", full.left(30), "fmt "},
        {"empty.wav", QByteArray(), "RIFF"},
        {"nodata.wav", riff(fmtChunk(1, 2, 44100, 16)), "data"},
        {"misaligned.wav", riff(misaligned + data), only},
        {"adpcm.wav", riff(fmtChunk(2, 2, 44100, 4) + data), "4-bit audio in 2 channels, format 2"},
        {"six.wav", riff(fmtChunk(1, 6, 44100, 16) + data), "16-bit audio in 6 channels"},
        {"half-float.wav", riff(fmtChunk(3, 2, 44100, 16) + data), "format 3"},
        {"12bit.wav", riff(fmtChunk(extensible, 2, 44100, 12, 1) + data), "12-bit"},
        {"ext-adpcm.wav", riff(fmtChunk(extensible, 2, 44100, 16, 2) + data),
         "format 65534, subformat 2"},
        {"ext-foreign.wav",
         riff(fmtChunk(extensible, 2, 44100, 16, 1, QByteArray(14, '\x5a')) + data),
         "format 65534, subformat 0"},
    };
    // An MP3 of the same name from before must survive a refused source.
    fixtures::writeFile(path("out.mp3"), QByteArray("previous mp3"));
    for (const Case& c : cases) {
        fixtures::writeFile(path(c.name), c.bytes);
        const EncodeOutcome o = encode(request(path(c.name)));
        EXPECT_EQ(o.status, EncodeOutcome::Status::Failed) << c.name;
        EXPECT_FALSE(o.outputCreated) << c.name;
        EXPECT_TRUE(o.error.description().contains(QString::fromLatin1(c.says)))
            << c.name << ": " << o.error.description().toStdString();
        EXPECT_TRUE(o.error.description().startsWith(path(c.name) + QStringLiteral(": ")))
            << c.name;
        EXPECT_EQ(fixtures::readFile(path("out.mp3")), QByteArray("previous mp3")) << c.name;
    }
}

TEST_F(FileEncoderTest, EverySampleFormatEncodesLikeItsSixteenBitTwin) {
    struct Format {
        const char* name;
        int tag;
        int bits;
        int subTag;
    };
    const Format formats[] = {
        {"8-bit", 1, 8, 0},
        {"24-bit", 1, 24, 0},
        {"32-bit", 1, 32, 0},
        {"32-bit float", 3, 32, 0},
        {"64-bit float", 3, 64, 0},
        {"extensible 24-bit", extensible, 24, 1},
        {"extensible float", extensible, 32, 3},
    };
    // Two channels of different tones, so channels that slip or swap show; an odd length,
    // so the last chunk ends inside an MPEG frame.
    const struct {
        int rate;
        int channels;
    } layouts[] = {{44100, 2}, {22050, 1}};
    for (const auto& layout : layouts) {
        const auto samples = tone(1000, 1500, 1.3, layout.rate, layout.channels);
        const std::size_t frames = samples.size() / static_cast<std::size_t>(layout.channels);
        auto encodeAs = [&](const char* name, int tag, int bits, int subTag) {
            const int coding = tag == extensible ? subTag : tag;
            fixtures::writeFile(path("in.wav"),
                                riff(fmtChunk(tag, layout.channels, layout.rate, bits, subTag) +
                                     chunk("data", sampleBytes(samples, coding, bits))));
            const EncodeOutcome o = encode(request(path("in.wav")));
            EXPECT_EQ(o.status, EncodeOutcome::Status::Completed)
                << name << ": " << o.error.description().toStdString();
            return mp3decode::decodeFile(path("out.mp3"));
        };
        const auto twin = encodeAs("16-bit", 1, 16, 0);
        ASSERT_TRUE(twin.ok) << twin.error.toStdString();
        const auto twinSteady = steady(twin);
        ASSERT_EQ(twin.sampleFrames(), frames);
        for (int c = 0; c < layout.channels; ++c)
            EXPECT_NEAR(fixtures::dominantFrequency(twinSteady, layout.rate, layout.channels, c),
                        c ? 1500 : 1000, 5);

        for (const Format& f : formats) {
            SCOPED_TRACE(testing::Message()
                         << f.name << ", " << layout.rate << " Hz, " << layout.channels << " ch");
            const auto d = encodeAs(f.name, f.tag, f.bits, f.subTag);
            ASSERT_TRUE(d.ok) << d.error.toStdString();
            EXPECT_EQ(d.rate, layout.rate);
            EXPECT_EQ(d.channels, layout.channels);
            EXPECT_EQ(d.sampleFrames(), frames);
            const auto got = steady(d);
            ASSERT_EQ(got.size(), twinSteady.size());
            for (int c = 0; c < layout.channels; ++c)
                EXPECT_NEAR(
                    fixtures::dominantFrequency(got, layout.rate, layout.channels, c),
                    fixtures::dominantFrequency(twinSteady, layout.rate, layout.channels, c), 1.0);
            // Same level, same polarity: the decoded audio follows the twin's closely.
            EXPECT_NEAR(rms(got) / rms(twinSteady), 1.0, 0.02);
            double dot = 0;
            for (std::size_t i = 0; i < got.size(); ++i)
                dot += static_cast<double>(got[i]) * twinSteady[i];
            EXPECT_GT(dot / (static_cast<double>(got.size()) * rms(got) * rms(twinSteady)), 0.99);
        }
    }
}

// libmp3lame aborts the process on samples that are not numbers or far beyond full scale.
TEST_F(FileEncoderTest, FloatSamplesBeyondFullScaleOrNotNumbersCannotHurtTheEncoder) {
    auto samples = tone(1000, 1000, 3.0, 44100, 2);
    const std::size_t second = 2 * 44100;
    const double damage[] = {std::nan(""), INFINITY, -1e10, 4.0};
    for (std::size_t i = 0; i < second; ++i)
        samples[second / 2 + i] = damage[i * 4 / second];
    for (const int bits : {32, 64}) {
        SCOPED_TRACE(bits);
        fixtures::writeFile(path("in.wav"), riff(fmtChunk(3, 2, 44100, bits) +
                                                 chunk("data", sampleBytes(samples, 3, bits))));
        const EncodeOutcome o = encode(request(path("in.wav")));
        ASSERT_EQ(o.status, EncodeOutcome::Status::Completed)
            << o.error.description().toStdString();
        const auto d = mp3decode::decodeFile(path("out.mp3"));
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_EQ(d.sampleFrames(), samples.size() / 2);
        // The stretch that is not a number (its first quarter second) is silence.
        const std::vector<std::int16_t> nan(d.samples.begin() + second / 2 + 8192,
                                            d.samples.begin() + second / 2 + second / 4 - 8192);
        EXPECT_LT(rms(nan), 100);
        // The last second is the tone again.
        const std::vector<std::int16_t> tail(d.samples.end() - second, d.samples.end() - 8192);
        EXPECT_NEAR(fixtures::dominantFrequency(tail, 44100, 2), 1000, 5);
    }
}

TEST_F(FileEncoderTest, OutputThatCannotBeCreatedIsReported) {
    EncodeRequest r = request(writeWav("a.wav", fixtures::sine(440, 0.5)));
    r.outputPath = path("gone/out.mp3");
    const EncodeOutcome o = encode(r);
    EXPECT_EQ(o.status, EncodeOutcome::Status::Failed);
    EXPECT_FALSE(o.outputCreated);
    EXPECT_TRUE(o.error.description().contains(r.outputPath));
    EXPECT_FALSE(QFileInfo::exists(r.outputPath));
}

TEST_F(FileEncoderTest, InvalidRecordRaisesTheLibraryErrorBeforeAnyOutput) {
    EncodeRequest r = request(writeWav("a.wav", fixtures::sine(440, 0.5)));
    r.config.bitrateKbps = 0;
    const EncodeOutcome o = encode(r);
    EXPECT_EQ(o.status, EncodeOutcome::Status::Failed);
    EXPECT_EQ(o.error.number(), 2);
    EXPECT_EQ(o.error.source(), QStringLiteral("Lame"));
    EXPECT_EQ(o.error.description(), QStringLiteral("Invalid format parameters"));
    EXPECT_FALSE(QFileInfo::exists(r.outputPath));
}

TEST_F(FileEncoderTest, DiskRefusingTheOutputFailsTheJobWithTheSystemsReason) {
    const QString src = writeWav("long.wav", fixtures::sine(1000, 10.0));
    // The file-size limit stands in for a full disk: writes past it fail.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const EncodeOutcome o = encode(request(src));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(o.status, EncodeOutcome::Status::Failed);
    EXPECT_TRUE(o.error.description().startsWith(path("out.mp3") + QStringLiteral(": ")))
        << o.error.description().toStdString();
    EXPECT_LT(o.bytesEncoded, o.audioBytes); // it stopped early
    // The part that was written is no MP3 to keep: nothing stays, under any name.
    EXPECT_FALSE(QFileInfo::exists(path("out.mp3")));
    EXPECT_TRUE(o.outputPath.isEmpty());
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(QLatin1Char(' ')).toStdString();
}

// The tag goes into the MP3 under its temporary name, the file is flushed to the disk with
// the tag in it, and only then does it take its name.
TEST_F(FileEncoderTest, TheTaggedFileIsOnTheDiskBeforeItTakesItsName) {
    const QString src = writeWav("a.wav", fixtures::sine(440, 1.0));
    std::vector<fixtures::FlushAndRenameLog::Event> events;
    {
        fixtures::FlushAndRenameLog log(QByteArrayLiteral("ID3"));
        ASSERT_EQ(encode(request(src)).status, EncodeOutcome::Status::Completed);
        events = log.events();
    }
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events.back().rename);
    const auto renames =
        std::count_if(events.begin(), events.end(), [](const auto& e) { return e.rename; });
    EXPECT_EQ(renames, 1);
    ASSERT_GE(events.size(), 2u);
    EXPECT_TRUE(events[events.size() - 2].marked); // flushed, tagged, right before the rename
    EXPECT_TRUE(mp3decode::decodeFile(path("out.mp3")).ok);
}

TEST_F(FileEncoderTest, AnExistingFileOfTheNameIsNeverReplaced) {
    // Taken before the encode starts, or while it runs: the MP3 takes the next number.
    const QByteArray old(3'000'000, 'z');
    fixtures::writeFile(path("out.mp3"), old);
    const EncodeOutcome o = encode(request(writeWav("a.wav", fixtures::sine(440, 1.0))));
    ASSERT_EQ(o.status, EncodeOutcome::Status::Completed);
    EXPECT_EQ(o.outputPath, path("out (2).mp3"));
    EXPECT_EQ(fixtures::readFile(path("out.mp3")), old);
    EXPECT_EQ(QFileInfo(o.outputPath).size(), o.bytesWritten);
    EXPECT_TRUE(mp3decode::decodeFile(o.outputPath).ok);
    EXPECT_TRUE(leftovers().isEmpty());

    // A link planted at the name after it was chosen is never followed, nor replaced.
    const QString precious = path("precious.wav");
    fixtures::writeFile(precious, QByteArray("keep me"));
    const QString linked = path("linked.mp3");
    ASSERT_TRUE(QFile::link(precious, linked));
    EncodeRequest r = request(writeWav("b.wav", fixtures::sine(440, 1.0)));
    r.outputPath = linked;
    const EncodeOutcome through = encode(r);
    ASSERT_EQ(through.status, EncodeOutcome::Status::Completed);
    EXPECT_EQ(through.outputPath, path("linked (2).mp3"));
    EXPECT_EQ(fixtures::readFile(precious), QByteArray("keep me"));
    EXPECT_EQ(QFileInfo(linked).symLinkTarget(), precious);
}

// A WAV another job is still writing (under its exclusive lock) is refused before anything is
// written; another reader of it is welcome.
TEST_F(FileEncoderTest, ASourceBeingWrittenIsRefusedAndAnotherReaderIsWelcome) {
    const QString src = writeWav("held.wav", fixtures::sine(440, 0.5));
    const int holder = ::open(QFile::encodeName(src).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const EncodeOutcome refused = encode(request(src));
    EXPECT_EQ(refused.status, EncodeOutcome::Status::Failed);
    EXPECT_EQ(refused.error.description(), src + QStringLiteral(": the file is in use"));
    EXPECT_FALSE(refused.outputCreated);
    EXPECT_FALSE(QFileInfo::exists(path("out.mp3")));
    EXPECT_TRUE(leftovers().isEmpty());

    ASSERT_EQ(::flock(holder, LOCK_SH | LOCK_NB), 0);
    EXPECT_EQ(encode(request(src)).status, EncodeOutcome::Status::Completed);
    ::close(holder);
}

TEST_F(FileEncoderTest, CancelEndsAfterTheCurrentChunkWithAPlayableMp3) {
    const auto pcm = fixtures::sine(1000, 8.0);
    const QString src = writeWav("long.wav", pcm);
    const EncodeOutcome o = encode(request(src), [] { return true; });
    ASSERT_EQ(o.status, EncodeOutcome::Status::Cancelled);
    EXPECT_EQ(o.bytesEncoded, static_cast<std::int64_t>(chunkFrames * 4));
    EXPECT_EQ(progressSeen.size(), 1u);

    const auto d = mp3decode::decodeFile(path("out.mp3"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.sampleFrames(), chunkFrames); // its Info frame is written too
    EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 44100, 2), 1000, 5);
    EXPECT_TRUE(QFileInfo::exists(src));
}

// Runs `request` as the batch does and waits for the job's end.
EncodeOutcome runJob(EncodeJob& job, const EncodeRequest& request) {
    job.start(WorkItem{request.sourcePath, request.outputPath});
    eventwait::until(&job, &FileJob::finished, [&job] { return !job.isRunning(); });
    return job.outcome();
}

TEST_F(FileEncoderTest, JobReportsOnItsOwnThreadAndEndsEarlyOnCancel) {
    const QString src = writeWav("long.wav", fixtures::sine(1000, 10.0));
    // The settings are taken on the owner's thread as each file starts: the worker never
    // reads or writes the window's shared state.
    bool configuredOnOwnerThread = true;
    EncodeJob job([&] {
        configuredOnOwnerThread =
            configuredOnOwnerThread &&
            QThread::currentThread() == QCoreApplication::instance()->thread();
        return modLAME::makeConfig(128, 0);
    });
    int seen = 0;
    bool onOwnerThread = true;
    QObject::connect(&job, &FileJob::progressChanged, [&](const QString& caption, int) {
        onOwnerThread = onOwnerThread && QThread::currentThread() == job.thread();
        EXPECT_TRUE(caption.endsWith(QLatin1Char('%')));
        ++seen;
    });
    // Held at its second report (a chunk is a sixth of the file): the cancel is looked at
    // right after that chunk.
    ProgressGate second([](const WorkItem&, int percent) { return percent >= 30; });
    const EncodeRequest r = request(src);
    job.start(WorkItem{r.sourcePath, r.outputPath});
    ASSERT_TRUE(second.waitHeld());
    job.cancel();
    second.release();
    eventwait::until(&job, &FileJob::finished, [&job] { return !job.isRunning(); });
    const EncodeOutcome o = job.outcome();
    EXPECT_TRUE(onOwnerThread);
    EXPECT_EQ(seen, 2);
    ASSERT_EQ(o.status, EncodeOutcome::Status::Cancelled);
    EXPECT_EQ(job.result().status, JobResult::Status::Cancelled);
    EXPECT_EQ(o.bytesEncoded, static_cast<std::int64_t>(2 * chunkFrames * 4));
    EXPECT_TRUE(mp3decode::decodeFile(path("out.mp3")).ok);

    // The same job runs the next file to its end.
    const EncodeOutcome again = runJob(job, request(writeWav("b.wav", fixtures::sine(300, 1.0))));
    EXPECT_EQ(again.status, EncodeOutcome::Status::Completed);
    EXPECT_TRUE(configuredOnOwnerThread);
}

TEST_F(FileEncoderTest, DestroyingARunningJobEndsItsFileProperly) {
    const QString src = writeWav("long.wav", fixtures::sine(1000, 20.0));
    {
        EncodeJob job;
        job.start(WorkItem{src, path("out.mp3")});
        EXPECT_TRUE(job.isRunning());
    } // joins after the current chunk
    EXPECT_TRUE(mp3decode::decodeFile(path("out.mp3")).ok);
}
