#include "engine/formats/outputfile.h"
#include "engine/pipeline/encoder.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "toolrun.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

using namespace pipeline;
using namespace Qt::Literals::StringLiterals;
using fixtures::le16;
using fixtures::le32;
using fixtures::readFile;

namespace {

// A tone per channel (another pitch in each) at half scale, with pseudo-random low bits so
// that every bit of every sample matters to a lossless check.
std::vector<std::int32_t> tone(const AudioFormat& format, std::int64_t frames) {
    std::vector<std::int32_t> samples(static_cast<std::size_t>(frames * format.channels));
    const double peak = std::ldexp(1.0, format.bitsPerSample - 2);
    std::uint32_t noise = 12345;
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < format.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(f) / format.sampleRate;
            const double v = peak * std::sin(2 * M_PI * (220.0 * (c + 1)) * t);
            samples[static_cast<std::size_t>(f * format.channels + c)] =
                static_cast<std::int32_t>(v) + static_cast<std::int32_t>(noise >> 29) - 4;
        }
    return samples;
}

struct Encoded {
    QString path;           // the committed file; empty when something failed
    QString error;          // the first failure, of makeEncoder, write or finish
    std::int64_t bytes = 0; // bytesWritten() after finish
};

class EncoderTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;

    // Encodes `samples` in blocks of an odd size into a new file `name`, and commits it.
    Encoded encode(OutputFormat format, const AudioFormat& input,
                   const std::vector<std::int32_t>& samples, const EncoderSettings& settings = {},
                   std::int64_t expectedFrames = -2, const QString& name = QString()) {
        Encoded out;
        const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / input.channels;
        const QString wanted = dir.filePath((name.isEmpty() ? QStringLiteral("out") : name) + u'.' +
                                            extensionOf(format));
        auto pending = outputfile::PendingOutput::create(wanted);
        if (!pending) {
            out.error = pending.error().description();
            return out;
        }
        EncoderTarget target{pending.value()->fd(), wanted,
                             expectedFrames == -2 ? frames : expectedFrames};
        auto made = makeEncoder(format, input, settings, target);
        if (!made) {
            out.error = made.error().description();
            return out;
        }
        Encoder& encoder = *made.value();
        constexpr std::int64_t blockFrames = 4099;
        for (std::int64_t at = 0; at < frames; at += blockFrames) {
            const AudioBlock block{samples.data() + at * input.channels,
                                   std::min(blockFrames, frames - at)};
            if (auto error = encoder.write(block)) {
                out.error = error->description();
                break;
            }
        }
        if (auto error = encoder.finish(); error && out.error.isEmpty())
            out.error = error->description();
        out.bytes = encoder.bytesWritten();
        if (!out.error.isEmpty())
            return out;
        auto committed = pending.value()->commit();
        if (!committed)
            out.error = committed.error().description();
        else
            out.path = committed.value();
        return out;
    }
};

bool haveTool(const char* name) {
    return haveTool(QString::fromLatin1(name));
}

// Runs a tool; its standard output, or the reason it failed in `failure`.
QByteArray run(const QString& program, const QStringList& arguments, QString* failure = nullptr) {
    const ToolRun run = runTool(program, arguments);
    if (!run.ok()) {
        if (failure)
            *failure = QString::fromLocal8Bit(run.err);
        else
            ADD_FAILURE() << program.toStdString() << " failed: " << run.err.toStdString();
    }
    return run.out;
}

// Little-endian signed samples of `width` bytes, right-justified.
std::vector<std::int32_t> fromRaw(const QByteArray& raw, int width) {
    std::vector<std::int32_t> samples(static_cast<std::size_t>(raw.size() / width));
    const auto* b = reinterpret_cast<const unsigned char*>(raw.constData());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint32_t v = 0;
        for (int k = 0; k < width; ++k)
            v |= static_cast<std::uint32_t>(b[i * width + k]) << (8 * k);
        const int unused = 32 - 8 * width;
        samples[i] = static_cast<std::int32_t>(v << unused) >> unused;
    }
    return samples;
}

// The whole file decoded by ffmpeg to 32-bit samples at its own rate (full scale 2^31).
std::vector<std::int32_t> ffmpegDecode(const QString& path) {
    return fromRaw(run(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-i"_s, path, u"-f"_s, u"s32le"_s,
                                     u"-acodec"_s, u"pcm_s32le"_s, u"-"_s}),
                   4);
}

std::vector<std::int32_t> leftJustified(std::vector<std::int32_t> samples, int bits) {
    for (auto& s : samples)
        s = static_cast<std::int32_t>(static_cast<std::uint32_t>(s) << (32 - bits));
    return samples;
}

const AudioFormat cdStereo{44100, 2, 16};

// ---- WAV ----

TEST_F(EncoderTest, WavKeepsEveryFormatExactlyWithTheRightHeader) {
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is missing";
    struct Case {
        AudioFormat format;
        bool extensible;
    };
    const Case cases[] = {{cdStereo, false},
                          {{96000, 2, 24}, true},
                          {{22050, 1, 8}, false},
                          {{48000, 6, 24}, true},
                          {{48000, 1, 20}, true},
                          {{44100, 2, 12}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.channels * 100 + c.format.bitsPerSample);
        // An odd frame count: a mono 8-bit WAV then needs its pad byte.
        const auto samples = tone(c.format, c.format.sampleRate / 3 + 1);
        const auto out = encode(OutputFormat::Wav, c.format, samples);
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        const QByteArray bytes = readFile(out.path);
        EXPECT_EQ(le16(bytes, 20), c.extensible ? 0xFFFE : 1);
        EXPECT_EQ(le32(bytes, 4) + 8u, static_cast<std::uint32_t>(bytes.size()));
        if (c.format.channels == 6) {
            EXPECT_EQ(le32(bytes, 40), 0x3Fu); // 5.1
        }
        EXPECT_EQ(ffmpegDecode(out.path), leftJustified(samples, c.format.bitsPerSample));
    }
}

TEST_F(EncoderTest, WavHeaderIsRewrittenWhenTheLengthDiffersFromTheExpectedOne) {
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is missing";
    const auto samples = tone(cdStereo, 44100);
    for (const std::int64_t expected :
         {std::int64_t{-1}, std::int64_t{1000}, std::int64_t{90000}}) {
        SCOPED_TRACE(expected);
        const auto out = encode(OutputFormat::Wav, cdStereo, samples, {}, expected,
                                QStringLiteral("len%1").arg(expected));
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        EXPECT_EQ(le32(readFile(out.path), 40), 44100u * 4);
        EXPECT_EQ(ffmpegDecode(out.path).size(), samples.size());
    }
}

TEST_F(EncoderTest, WavOverFourGibibytesIsRefusedBeforeAnythingIsWritten) {
    auto pending = outputfile::PendingOutput::create(dir.filePath(u"huge.wav"_s));
    ASSERT_TRUE(pending);
    const std::int64_t frames = (std::int64_t{1} << 32) / 4; // 4 GiB of CD audio
    auto made = makeEncoder(OutputFormat::Wav, cdStereo, {},
                            {pending.value()->fd(), dir.filePath(u"huge.wav"_s), frames});
    ASSERT_FALSE(made);
    EXPECT_TRUE(made.error().description().contains(u"4 GiB"_s));
    EXPECT_EQ(::lseek(pending.value()->fd(), 0, SEEK_END), 0);
}

// ---- FLAC ----

class FlacTest : public EncoderTest {
  protected:
    void SetUp() override {
        if (!haveTool("flac") || !haveTool("metaflac"))
            GTEST_SKIP() << "flac or metaflac is missing";
    }

    // Tests the file (MD5 signature included) and decodes it to its raw samples.
    std::vector<std::int32_t> decode(const QString& path, int bits) {
        run(u"flac"_s, {u"-t"_s, u"-s"_s, path});
        if (bits % 8 != 0) {
            // The tool writes raw samples of whole bytes only.
            auto samples = ffmpegDecode(path);
            for (auto& s : samples)
                s >>= 32 - bits;
            return samples;
        }
        const QString raw = dir.filePath(u"decoded.raw"_s);
        run(u"flac"_s, {u"-d"_s, u"-f"_s, u"-s"_s, u"--force-raw-format"_s, u"--endian=little"_s,
                        u"--sign=signed"_s, u"-o"_s, raw, path});
        const int width = (bits + 7) / 8;
        auto samples = fromRaw(readFile(raw), width);
        // The tool gives narrower samples at the top of whole bytes.
        for (auto& s : samples)
            s >>= 8 * width - bits;
        return samples;
    }
};

TEST_F(FlacTest, DecodesBitExactInEveryLayoutAndAtEveryLevelBound) {
    struct Case {
        AudioFormat format;
        int level;
    };
    const Case cases[] = {{cdStereo, 5},       {{96000, 2, 24}, 5}, {{48000, 6, 16}, 5},
                          {{44100, 1, 16}, 5}, {cdStereo, 0},       {cdStereo, 8},
                          {{48000, 2, 32}, 5}, {{44100, 2, 12}, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 ch %2 bit level %3")
                         .arg(c.format.channels)
                         .arg(c.format.bitsPerSample)
                         .arg(c.level)
                         .toStdString());
        EncoderSettings settings;
        settings.flacLevel = c.level;
        const auto samples = tone(c.format, c.format.sampleRate / 2 + 7);
        const auto out = encode(OutputFormat::Flac, c.format, samples, settings);
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        EXPECT_EQ(out.bytes, QFileInfo(out.path).size());
        EXPECT_EQ(decode(out.path, c.format.bitsPerSample), samples);
    }
}

TEST_F(FlacTest, HasASeekPointEveryTenSecondsAndPaddingForTags) {
    const auto samples = tone(cdStereo, 44100 * 25);
    const auto out = encode(OutputFormat::Flac, cdStereo, samples);
    ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
    const QString seekTable =
        QString::fromUtf8(run(u"metaflac"_s, {u"--list"_s, u"--block-type=SEEKTABLE"_s, out.path}));
    EXPECT_TRUE(seekTable.contains(u"seek points: 3"_s)) << seekTable.toStdString();
    // Each point is the frame that holds its time.
    const QRegularExpression point(u"point (\\d): sample_number=(\\d+), stream_offset=\\d+, "
                                   "frame_samples=(\\d+)"_s);
    int points = 0;
    for (const auto& m : point.globalMatch(seekTable)) {
        const auto wanted = m.captured(1).toLongLong() * 441000;
        const auto first = m.captured(2).toLongLong();
        EXPECT_LE(first, wanted);
        EXPECT_GT(first + m.captured(3).toLongLong(), wanted);
        ++points;
    }
    EXPECT_EQ(points, 3) << seekTable.toStdString();
    const QString padding =
        QString::fromUtf8(run(u"metaflac"_s, {u"--list"_s, u"--block-type=PADDING"_s, out.path}));
    EXPECT_TRUE(padding.contains(u"length: 8192"_s)) << padding.toStdString();
    EXPECT_TRUE(run(u"metaflac"_s, {u"--show-total-samples"_s, out.path}).startsWith("1102500"));
}

TEST_F(FlacTest, ALengthOtherThanTheExpectedOneStillGivesAValidFile) {
    const auto samples = tone(cdStereo, 44100 * 3);
    for (const std::int64_t expected : {std::int64_t{-1}, std::int64_t{44100 * 30}}) {
        SCOPED_TRACE(expected);
        const auto out = encode(OutputFormat::Flac, cdStereo, samples, {}, expected,
                                QStringLiteral("len%1").arg(expected));
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        EXPECT_EQ(decode(out.path, 16), samples);
        // No seek point names a place the audio never reached.
        const QString seekTable = QString::fromUtf8(
            run(u"metaflac"_s, {u"--list"_s, u"--block-type=SEEKTABLE"_s, out.path}));
        EXPECT_FALSE(seekTable.contains(u"frame_samples=0"_s)) << seekTable.toStdString();
    }
}

TEST_F(FlacTest, ASampleOutsideTheWidthIsRefusedWithTheReason) {
    auto samples = tone(cdStereo, 10000);
    samples[5001] = 40000;
    const auto out = encode(OutputFormat::Flac, cdStereo, samples);
    EXPECT_TRUE(out.error.contains(u"outside the range of 16-bit audio"_s))
        << out.error.toStdString();
}

// ---- MP3 ----

TEST_F(EncoderTest, Mp3DecodesToExactlyTheInputLength) {
    const AudioFormat formats[] = {cdStereo, {48000, 1, 24}, {32000, 2, 8}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.sampleRate);
        const std::int64_t frames = format.sampleRate * 2 + 333;
        const auto out = encode(OutputFormat::Mp3, format, tone(format, frames));
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        const auto decoded = mp3decode::decodeFile(out.path);
        ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
        EXPECT_EQ(decoded.channels, format.channels);
        EXPECT_EQ(decoded.rate, format.sampleRate);
        EXPECT_EQ(static_cast<std::int64_t>(decoded.sampleFrames()), frames);
        // A wider input is scaled, not wrapped: the tone comes back at its level.
        const double level = std::abs(
            static_cast<double>(*std::max_element(decoded.samples.begin(), decoded.samples.end())));
        EXPECT_NEAR(level, 16384, 2000);
        EXPECT_EQ(out.bytes, QFileInfo(out.path).size());
    }
}

// ---- Opus ----

class OpusTest : public EncoderTest {
  protected:
    void SetUp() override {
        if (!haveTool("opusdec") || !haveTool("ffmpeg"))
            GTEST_SKIP() << "opusdec or ffmpeg is missing";
    }
};

TEST_F(OpusTest, DecodesToTheInputLengthAtFortyEightKilohertz) {
    const AudioFormat formats[] = {cdStereo, {96000, 6, 24}, {16000, 1, 16}, {22050, 2, 8}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.channels * 1000000 + format.sampleRate);
        const std::int64_t frames = format.sampleRate * 2 + 101;
        const auto out = encode(OutputFormat::Opus, format, tone(format, frames));
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        const QString raw = dir.filePath(u"decoded.raw"_s);
        run(u"opusdec"_s, {u"--quiet"_s, u"--rate"_s, u"48000"_s, out.path, raw});
        const auto decodedFrames = QFileInfo(raw).size() / (2 * format.channels);
        const auto expected = std::llround(static_cast<double>(frames) * 48000 / format.sampleRate);
        EXPECT_NEAR(static_cast<double>(decodedFrames), static_cast<double>(expected), 1.0);
        // ffmpeg agrees on the trimming.
        EXPECT_NEAR(static_cast<double>(ffmpegDecode(out.path).size()) / format.channels,
                    static_cast<double>(expected), 1.0);
    }
}

TEST_F(OpusTest, SurroundKeepsEachChannelInItsPlace) {
    // A tone in the centre channel only: decoded in the WAVE order, it is still the third.
    const AudioFormat format{48000, 6, 16};
    auto samples = tone(format, 48000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (i % 6 != 2)
            samples[i] = 0;
    const auto out = encode(OutputFormat::Opus, format, samples);
    ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
    const auto decoded = ffmpegDecode(out.path);
    ASSERT_EQ(decoded.size() % 6, 0u);
    double energy[6] = {};
    for (std::size_t i = 0; i < decoded.size(); ++i)
        energy[i % 6] += std::pow(decoded[i] / 2147483648.0, 2);
    for (int c = 0; c < 6; ++c)
        if (c != 2) {
            EXPECT_LT(energy[c], energy[2] / 100) << "channel " << c;
        }
}

TEST_F(EncoderTest, AnEmptyInputGivesAFileThatDecodesToNothing) {
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is missing";
    for (const auto format : {OutputFormat::Wav, OutputFormat::Flac, OutputFormat::Opus}) {
        SCOPED_TRACE(extensionOf(format).toStdString());
        // Announced as a minute, as a source that ends at once might.
        const auto out = encode(format, cdStereo, {}, {}, 44100 * 60);
        ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
        // The file must read as audio (a failing ffmpeg fails the test); an Opus stream holds
        // at least one input sample frame, two at 48 kHz.
        EXPECT_LE(ffmpegDecode(out.path).size(), format == OutputFormat::Opus ? 2u * 2 : 0u);
    }
}

// ---- Refusals and failures ----

TEST_F(EncoderTest, SettingsAnEncoderCannotTakeAreRefusedWithTheReasonAndNothingWritten) {
    struct Case {
        OutputFormat format;
        AudioFormat input;
        EncoderSettings settings;
        const char* reason;
    };
    EncoderSettings lowOpus, highOpus, lowFlac, highFlac;
    lowOpus.opusBitrateKbps = minOpusBitrateKbps - 1;
    highOpus.opusBitrateKbps = maxOpusBitrateKbps + 1;
    lowFlac.flacLevel = minFlacLevel - 1;
    highFlac.flacLevel = maxFlacLevel + 1;
    const Case cases[] = {
        {OutputFormat::Mp3, {44100, 6, 16}, {}, "MP3 holds at most two channels; the audio has 6"},
        {OutputFormat::Mp3, {4000, 2, 16}, {}, "refused 2 channels at 4000 Hz"},
        {OutputFormat::Opus, cdStereo, lowOpus, "5 kbit/s"},
        {OutputFormat::Opus, cdStereo, highOpus, "511 kbit/s"},
        {OutputFormat::Opus, {48000, 9, 16}, {}, "the audio has 9"},
        {OutputFormat::Flac, cdStereo, lowFlac, "level -1"},
        {OutputFormat::Flac, cdStereo, highFlac, "level 9"},
        {OutputFormat::Flac, {48000, 9, 16}, {}, "the audio has 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const QString path = dir.filePath(u"refused."_s + extensionOf(c.format));
        auto pending = outputfile::PendingOutput::create(path);
        ASSERT_TRUE(pending);
        auto made = makeEncoder(c.format, c.input, c.settings, {pending.value()->fd(), path, 1000});
        ASSERT_FALSE(made);
        EXPECT_TRUE(made.error().description().contains(QString::fromUtf8(c.reason)))
            << made.error().description().toStdString();
        EXPECT_TRUE(made.error().description().startsWith(path));
        EXPECT_EQ(::lseek(pending.value()->fd(), 0, SEEK_END), 0);
    }
}

TEST_F(EncoderTest, AFileThatRefusesWritesFailsEveryFormatWithTheSystemsReason) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0)
        GTEST_SKIP() << "no /dev/full";
    const auto samples = tone(cdStereo, 44100 * 4);
    for (const auto format :
         {OutputFormat::Wav, OutputFormat::Mp3, OutputFormat::Flac, OutputFormat::Opus}) {
        SCOPED_TRACE(extensionOf(format).toStdString());
        const QString path = u"/music/full."_s + extensionOf(format);
        auto made = makeEncoder(format, cdStereo, {}, {full, path, 44100 * 4});
        QString error;
        if (!made) {
            error = made.error().description();
        } else {
            for (std::size_t at = 0; at < samples.size() && error.isEmpty(); at += 8192) {
                const auto frames =
                    static_cast<std::int64_t>(std::min<std::size_t>(8192, samples.size() - at) / 2);
                const AudioBlock block{samples.data() + at, frames};
                if (auto failure = made.value()->write(block))
                    error = failure->description();
            }
            const auto finished = made.value()->finish();
            ASSERT_TRUE(finished.has_value());
            if (error.isEmpty())
                error = finished->description();
            else
                EXPECT_EQ(finished->description(), error); // the first failure is kept
        }
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
            << error.toStdString();
        // The descriptor given stays open for its owner.
        EXPECT_NE(::fcntl(full, F_GETFD), -1);
    }
    ::close(full);
}

} // namespace
