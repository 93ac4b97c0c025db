// openSource on files made by the reference tools: the samples they hold, their lengths, and
// how damaged, empty, mislabelled and unusual files are met.
#include "fixtures.h"
#include "mp3fixture.h"

#include "engine/pipeline/source.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using pipeline::openSource;
using pipeline::Source;

// Everything a source gives, read to its end.
struct Decoded {
    std::vector<std::int32_t> samples;
    std::int64_t frames = 0;
    std::optional<VortanError> failure;
};

Decoded readAll(Source& source) {
    Decoded out;
    const int channels = source.format().channels;
    std::vector<std::int32_t> block(4096 * static_cast<std::size_t>(channels));
    for (;;) {
        const Result<std::int64_t> got = source.read(block.data(), 4096);
        if (!got) {
            out.failure = got.error();
            break;
        }
        if (got.value() == 0)
            break;
        out.samples.insert(out.samples.end(), block.begin(),
                           block.begin() + got.value() * channels);
        out.frames += got.value();
    }
    return out;
}

class SourceTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Runs a reference tool; the test is skipped when the tool is not installed.
    bool tool(const QString& program, const QStringList& arguments) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            missing_ = program;
            return false;
        }
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            ADD_FAILURE() << program.toStdString() << " failed: "
                          << process.readAllStandardError().toStdString();
            return false;
        }
        return true;
    }
    bool ffmpeg(const QStringList& arguments) {
        return tool(QStringLiteral("ffmpeg"),
                    QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                QStringLiteral("-y")} +
                        arguments);
    }

    // Pink noise (every bit in use) as a WAV of `bits` and the raw samples it holds.
    std::vector<std::int32_t> noise(const QString& wavName, int rate, int channels, int bits,
                                    double seconds) {
        const QString codec = bits == 24 ? QStringLiteral("pcm_s24le") : QStringLiteral("pcm_s16le");
        const QString raw = wavName + QStringLiteral(".raw");
        const QString source = QStringLiteral("anoisesrc=d=%1:c=pink:r=%2:a=0.5:seed=7")
                                   .arg(seconds)
                                   .arg(rate);
        const QString layout = QStringLiteral("aformat=channel_layouts=%1")
                                   .arg(channels == 6 ? QStringLiteral("5.1")
                                        : channels == 1 ? QStringLiteral("mono")
                                                        : QStringLiteral("stereo"));
        if (!ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source,
                     QStringLiteral("-af"),
                     // Channels that differ from one another, so an order mix-up shows.
                     layout + QStringLiteral(",aeval=val(0)*(ch+1)/") +
                         QString::number(channels + 1) + QStringLiteral(":c=same"),
                     QStringLiteral("-c:a"), codec, wavName}) ||
            !ffmpeg({QStringLiteral("-i"), wavName, QStringLiteral("-f"),
                     bits == 24 ? QStringLiteral("s24le") : QStringLiteral("s16le"), raw}))
            return {};
        const QByteArray bytes = fixtures::readFile(path(raw));
        const int width = bits / 8;
        std::vector<std::int32_t> samples(static_cast<std::size_t>(bytes.size() / width));
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            std::uint32_t v = 0;
            for (int k = width - 1; k >= 0; --k)
                v = v << 8 | b[i * width + k];
            samples[i] = static_cast<std::int32_t>(v << (32 - bits)) >> (32 - bits);
        }
        return samples;
    }

    std::unique_ptr<Source> open(const QString& name) {
        auto source = openSource(path(name));
        EXPECT_TRUE(source.ok()) << name.toStdString() << ": "
                                 << source.error().description().toStdString();
        return source ? std::move(source.value()) : nullptr;
    }

    QTemporaryDir dir_;
    QString missing_;
};

#define REQUIRE_TOOLS(...)                                                                       \
    do {                                                                                         \
        if (!(__VA_ARGS__)) {                                                                    \
            if (!missing_.isEmpty())                                                             \
                GTEST_SKIP() << missing_.toStdString() << " is not installed";                   \
            return;                                                                              \
        }                                                                                        \
    } while (false)

// The lossless formats give back exactly the PCM they were made from, at its own width.
TEST_F(SourceTest, LosslessFormatsGiveBackTheirSamplesExactly) {
    struct Case {
        int rate;
        int channels;
        int bits;
    };
    for (const Case c : {Case{44100, 2, 16}, Case{96000, 2, 24}, Case{48000, 6, 24}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " ch, " << c.bits
                                        << " bits");
        const std::vector<std::int32_t> pcm = noise(QStringLiteral("in.wav"), c.rate,
                                                    c.channels, c.bits, 1.5);
        REQUIRE_TOOLS(
            !pcm.empty() &&
            tool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-f"),
                                          QStringLiteral("in.wav"), QStringLiteral("-o"),
                                          QStringLiteral("in.flac")}) &&
            ffmpeg({QStringLiteral("-i"), QStringLiteral("in.wav"), QStringLiteral("-c:a"),
                    QStringLiteral("alac"), QStringLiteral("in.m4a")}) &&
            ffmpeg({QStringLiteral("-i"), QStringLiteral("in.wav"), QStringLiteral("-c:a"),
                    c.bits == 24 ? QStringLiteral("pcm_s24be") : QStringLiteral("pcm_s16be"),
                    QStringLiteral("in.aiff")}) &&
            ffmpeg({QStringLiteral("-i"), QStringLiteral("in.wav"), QStringLiteral("-c:a"),
                    QStringLiteral("wavpack"), QStringLiteral("-bits_per_raw_sample"),
                    QString::number(c.bits), QStringLiteral("in.wv")}));
        const std::int64_t frames = static_cast<std::int64_t>(pcm.size()) / c.channels;
        for (const char* name : {"in.wav", "in.flac", "in.m4a", "in.aiff", "in.wv"}) {
            SCOPED_TRACE(name);
            const auto source = open(QLatin1String(name));
            ASSERT_TRUE(source);
            SCOPED_TRACE(source->codecName().toStdString());
            EXPECT_EQ(source->format(),
                      (pipeline::AudioFormat{c.rate, c.channels, c.bits, true}));
            EXPECT_EQ(source->announcedFrames(), frames);
            const Decoded decoded = readAll(*source);
            EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
            EXPECT_TRUE(decoded.samples == pcm) << decoded.frames << " of " << frames;
        }
    }
}

// Float samples become 24-bit integers; what lies beyond full scale is clipped, not wrapped.
TEST_F(SourceTest, FloatWavIsReadAsClipped24Bit) {
    REQUIRE_TOOLS(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("sine=f=100:d=0.5:r=44100"), QStringLiteral("-af"),
                          QStringLiteral("aformat=sample_fmts=flt,volume=20"), QStringLiteral("-c:a"),
                          QStringLiteral("pcm_f32le"), QStringLiteral("loud.wav")}));
    const auto source = open(QStringLiteral("loud.wav"));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->format(), (pipeline::AudioFormat{44100, 1, 24, false}));
    const Decoded decoded = readAll(*source);
    ASSERT_EQ(decoded.frames, 22050);
    const auto [low, high] = std::minmax_element(decoded.samples.begin(), decoded.samples.end());
    EXPECT_EQ(*high, 8388607);
    EXPECT_EQ(*low, -8388608);
    // A clipped sine is flat at its peaks: a wrapped one would jump from one end to the other.
    for (std::size_t i = 1; i < decoded.samples.size(); ++i)
        ASSERT_LT(std::abs(std::int64_t{decoded.samples[i]} - decoded.samples[i - 1]), 1 << 21)
            << i;
}

// Lossy codecs decode at 16 bits to the lengths their encoders promise: the encoder delay and
// padding are cut off, and Opus is decoded at 48 kHz whatever rate went in.
TEST_F(SourceTest, LossyFormatsDecodeToTheirGaplessLengths) {
    REQUIRE_TOOLS(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("sine=f=440:d=3:r=44100"), QStringLiteral("-ac"),
                          QStringLiteral("2"), QStringLiteral("tone.wav")}) &&
                  tool(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("tone.wav"),
                                                  QStringLiteral("-o"), QStringLiteral("tone.ogg")}) &&
                  tool(QStringLiteral("opusenc"), {QStringLiteral("--quiet"),
                                                   QStringLiteral("tone.wav"),
                                                   QStringLiteral("tone.opus")}) &&
                  ffmpeg({QStringLiteral("-i"), QStringLiteral("tone.wav"), QStringLiteral("-c:a"),
                          QStringLiteral("aac"), QStringLiteral("tone.m4a")}));
    fixtures::writeMp3(path(QStringLiteral("tone.mp3")), fixtures::sine(440, 3.0));
    struct Case {
        const char* name;
        const char* codec;
        int rate;
        std::int64_t frames;
    };
    for (const Case c : {Case{"tone.ogg", "Ogg Vorbis", 44100, 132300},
                         Case{"tone.opus", "Opus", 48000, 144000},
                         Case{"tone.m4a", "AAC (M4A)", 44100, 132300},
                         Case{"tone.mp3", "MP3", 44100, 132300}}) {
        SCOPED_TRACE(c.name);
        const auto source = open(QLatin1String(c.name));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->codecName(), QLatin1String(c.codec));
        EXPECT_EQ(source->format(), (pipeline::AudioFormat{c.rate, 2, 16, false}));
        EXPECT_EQ(source->announcedFrames(), c.frames);
        const Decoded decoded = readAll(*source);
        EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
        EXPECT_EQ(decoded.frames, c.frames);
        const std::vector<std::int16_t> pcm(decoded.samples.begin(), decoded.samples.end());
        EXPECT_NEAR(fixtures::dominantFrequency(pcm, c.rate, 2), 440, 5);
    }
}

} // namespace
