// openSource on files made by the reference tools: the samples they hold, their lengths, and
// how damaged, empty, mislabelled and unusual files are met.
#include "fixtures.h"
#include "mp3fixture.h"

#include "engine/pipeline/source.h"

#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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
        const ToolRun run = runTool(program, arguments, dir_.path());
        if (!run.ok()) {
            ADD_FAILURE() << program.toStdString() << " failed: " << run.err.toStdString();
            return false;
        }
        return true;
    }
    bool ffmpeg(const QStringList& arguments) {
        return tool(
            QStringLiteral("ffmpeg"),
            QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")} +
                arguments);
    }

    // Pink noise (every bit in use) as a WAV of `bits` and the raw samples it holds.
    std::vector<std::int32_t> noise(const QString& wavName, int rate, int channels, int bits,
                                    double seconds) {
        const QString codec =
            bits == 24 ? QStringLiteral("pcm_s24le") : QStringLiteral("pcm_s16le");
        const QString raw = wavName + QStringLiteral(".raw");
        const QString source =
            QStringLiteral("anoisesrc=d=%1:c=pink:r=%2:a=0.5:seed=7").arg(seconds).arg(rate);
        const QString layout = QStringLiteral("aformat=channel_layouts=%1")
                                   .arg(channels == 6   ? QStringLiteral("5.1")
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

#define REQUIRE_TOOLS(...)                                                                         \
    do {                                                                                           \
        if (!(__VA_ARGS__)) {                                                                      \
            if (!missing_.isEmpty())                                                               \
                GTEST_SKIP() << missing_.toStdString() << " is not installed";                     \
            return;                                                                                \
        }                                                                                          \
    } while (false)

// The lossless formats give back exactly the PCM they were made from, at its own width.
TEST_F(SourceTest, LosslessFormatsGiveBackTheirSamplesExactly) {
    struct Case {
        int rate;
        int channels;
        int bits;
    };
    for (const Case c : {Case{44100, 2, 16}, Case{96000, 2, 24}, Case{48000, 6, 24}}) {
        SCOPED_TRACE(testing::Message()
                     << c.rate << " Hz, " << c.channels << " ch, " << c.bits << " bits");
        const std::vector<std::int32_t> pcm =
            noise(QStringLiteral("in.wav"), c.rate, c.channels, c.bits, 1.5);
        REQUIRE_TOOLS(
            !pcm.empty() &&
            tool(QStringLiteral("flac"),
                 {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("in.wav"),
                  QStringLiteral("-o"), QStringLiteral("in.flac")}) &&
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
            EXPECT_EQ(source->format(), (pipeline::AudioFormat{c.rate, c.channels, c.bits, true}));
            EXPECT_EQ(source->announcedFrames(), frames);
            const Decoded decoded = readAll(*source);
            EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
            EXPECT_TRUE(decoded.samples == pcm) << decoded.frames << " of " << frames;
        }
    }
}

// Float samples become 24-bit integers; what lies beyond full scale is clipped, not wrapped.
TEST_F(SourceTest, FloatWavIsReadAsClipped24Bit) {
    REQUIRE_TOOLS(
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
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
    REQUIRE_TOOLS(
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=f=440:d=3:r=44100"), QStringLiteral("-ac"),
                QStringLiteral("2"), QStringLiteral("tone.wav")}) &&
        tool(QStringLiteral("oggenc"),
             {QStringLiteral("-Q"), QStringLiteral("-s"), QStringLiteral("1"),
              QStringLiteral("tone.wav"), QStringLiteral("-o"), QStringLiteral("tone.ogg")}) &&
        tool(QStringLiteral("oggenc"),
             {QStringLiteral("-Q"), QStringLiteral("-s"), QStringLiteral("2"),
              QStringLiteral("tone.wav"), QStringLiteral("-o"), QStringLiteral("next.ogg")}) &&
        tool(QStringLiteral("opusenc"), {QStringLiteral("--quiet"), QStringLiteral("tone.wav"),
                                         QStringLiteral("tone.opus")}) &&
        ffmpeg({QStringLiteral("-i"), QStringLiteral("tone.wav"), QStringLiteral("-c:a"),
                QStringLiteral("aac"), QStringLiteral("tone.m4a")}) &&
        ffmpeg({QStringLiteral("-i"), QStringLiteral("tone.wav"), QStringLiteral("-ac"),
                QStringLiteral("6"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                QStringLiteral("six.m4a")}) &&
        // A stream that fits on one Ogg page is trimmed by its granule positions too.
        ffmpeg({QStringLiteral("-i"), QStringLiteral("tone.wav"), QStringLiteral("-t"),
                QStringLiteral("1.2"), QStringLiteral("short.wav")}) &&
        tool(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("short.wav"),
                                        QStringLiteral("-o"), QStringLiteral("short.ogg")}));
    fixtures::writeMp3(path(QStringLiteral("tone.mp3")), fixtures::sine(440, 3.0));
    // Two streams joined, as a broadcast is recorded: a chained Ogg file is read through.
    fixtures::writeFile(path(QStringLiteral("chained.ogg")),
                        fixtures::readFile(path(QStringLiteral("tone.ogg"))) +
                            fixtures::readFile(path(QStringLiteral("next.ogg"))));
    struct Case {
        const char* name;
        const char* codec;
        int rate;
        int channels;
        std::int64_t frames;
    };
    for (const Case c : {Case{"tone.ogg", "Ogg Vorbis", 44100, 2, 132300},
                         Case{"chained.ogg", "Ogg Vorbis", 44100, 2, 2 * 132300},
                         Case{"short.ogg", "Ogg Vorbis", 44100, 2, 52920},
                         Case{"tone.opus", "Opus", 48000, 2, 144000},
                         Case{"tone.m4a", "AAC (M4A)", 44100, 2, 132300},
                         Case{"six.m4a", "AAC (M4A)", 44100, 6, 132300},
                         Case{"tone.mp3", "MP3", 44100, 2, 132300}}) {
        SCOPED_TRACE(c.name);
        const auto source = open(QLatin1String(c.name));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->codecName(), QLatin1String(c.codec));
        EXPECT_EQ(source->format(), (pipeline::AudioFormat{c.rate, c.channels, 16, false}));
        const Decoded decoded = readAll(*source);
        EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
        EXPECT_EQ(source->announcedFrames(), c.frames);
        EXPECT_EQ(decoded.frames, c.frames);
        const std::vector<std::int16_t> pcm(decoded.samples.begin(), decoded.samples.end());
        EXPECT_NEAR(fixtures::dominantFrequency(pcm, c.rate, c.channels), 440, 5);
    }
}

// Vorbis stores the centre second ("L C R ..."): a 5.1 stream's channels come out in the WAV
// order, the centre third and the LFE fourth.
TEST_F(SourceTest, SurroundVorbisComesOutInWavOrder) {
    for (const auto& [channel, expected] :
         {std::pair{QStringLiteral("FC"), 2}, std::pair{QStringLiteral("LFE"), 3},
          std::pair{QStringLiteral("BR"), 5}}) {
        SCOPED_TRACE(channel.toStdString());
        REQUIRE_TOOLS(
            ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("sine=f=440:d=1"), QStringLiteral("-af"),
                    QStringLiteral("pan=5.1|%1=c0").arg(channel), QStringLiteral("one.wav")}) &&
            tool(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("one.wav"),
                                            QStringLiteral("-o"), QStringLiteral("one.ogg")}));
        const auto source = open(QStringLiteral("one.ogg"));
        ASSERT_TRUE(source);
        ASSERT_EQ(source->format().channels, 6);
        const Decoded decoded = readAll(*source);
        ASSERT_FALSE(decoded.failure);
        std::vector<std::int64_t> energy(6);
        for (std::size_t i = 0; i < decoded.samples.size(); ++i)
            energy[i % 6] += std::abs(decoded.samples[i]);
        EXPECT_EQ(std::max_element(energy.begin(), energy.end()) - energy.begin(), expected);
    }
}

// A FLAC cut in the middle, or with a byte of a frame changed, fails once the good audio
// before the damage has been handed out, and says what is wrong.
TEST_F(SourceTest, DamagedFlacFailsAfterTheGoodAudio) {
    const std::vector<std::int32_t> pcm = noise(QStringLiteral("in.wav"), 44100, 2, 16, 3);
    REQUIRE_TOOLS(!pcm.empty() &&
                  tool(QStringLiteral("flac"),
                       {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("in.wav"),
                        QStringLiteral("-o"), QStringLiteral("in.flac")}));
    const QByteArray whole = fixtures::readFile(path(QStringLiteral("in.flac")));
    fixtures::writeFile(path(QStringLiteral("cut.flac")), whole.left(whole.size() / 2));
    QByteArray flipped = whole;
    flipped[flipped.size() * 3 / 5] = static_cast<char>(flipped[flipped.size() * 3 / 5] ^ 0x10);
    fixtures::writeFile(path(QStringLiteral("flipped.flac")), flipped);
    QByteArray signature = whole; // STREAMINFO's MD5 is at bytes 26 to 41 of the file
    signature[30] = static_cast<char>(signature[30] ^ 0x01);
    fixtures::writeFile(path(QStringLiteral("signature.flac")), signature);
    const auto signedFlac = open(QStringLiteral("signature.flac"));
    ASSERT_TRUE(signedFlac);
    const Decoded decodedSigned = readAll(*signedFlac);
    ASSERT_TRUE(decodedSigned.failure);
    EXPECT_EQ(decodedSigned.failure->description(),
              path(QStringLiteral("signature.flac")) +
                  QStringLiteral(": the file is damaged: its audio does not match the MD5 "
                                 "signature it records"));
    EXPECT_TRUE(decodedSigned.samples == pcm); // every frame was good on its own

    for (const char* name : {"cut.flac", "flipped.flac"}) {
        SCOPED_TRACE(name);
        const auto source = open(QLatin1String(name));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->announcedFrames(), 132300);
        const Decoded decoded = readAll(*source);
        ASSERT_TRUE(decoded.failure);
        const QString reason = decoded.failure->description();
        EXPECT_TRUE(reason.startsWith(path(QLatin1String(name)) +
                                      QStringLiteral(": the file is incomplete")))
            << reason.toStdString();
        if (QLatin1String(name) == QLatin1String("flipped.flac")) {
            EXPECT_TRUE(reason.contains(QStringLiteral("damaged"))) << reason.toStdString();
        }
        EXPECT_GT(decoded.frames, 132300 / 4);
        EXPECT_LT(decoded.frames, 132300);
        EXPECT_TRUE(std::equal(decoded.samples.begin(), decoded.samples.end(), pcm.begin()));
    }
}

// A damaged Ogg page, an M4A cut short of the samples its index lists, or an MP3 cut short
// of what its LAME/Info frame records ends the audio early: the source fails as incomplete
// after what it could read.
TEST_F(SourceTest, DamagedOggAndCutM4aAndMp3FailAsIncomplete) {
    REQUIRE_TOOLS(
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("anoisesrc=d=4:r=44100:seed=3"), QStringLiteral("t.wav")}) &&
        tool(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("t.wav"),
                                        QStringLiteral("-o"), QStringLiteral("t.ogg")}) &&
        ffmpeg({QStringLiteral("-i"), QStringLiteral("t.wav"), QStringLiteral("-c:a"),
                QStringLiteral("alac"), QStringLiteral("-movflags"), QStringLiteral("+faststart"),
                QStringLiteral("t.m4a")}));
    QByteArray bytes = fixtures::readFile(path(QStringLiteral("t.ogg")));
    const qsizetype page = bytes.indexOf("OggS", bytes.size() / 2);
    ASSERT_GT(page, 0);
    bytes[page + 40] = static_cast<char>(bytes[page + 40] ^ 0xFF);
    fixtures::writeFile(path(QStringLiteral("t.ogg")), bytes);
    const QByteArray m4a = fixtures::readFile(path(QStringLiteral("t.m4a")));
    fixtures::writeFile(path(QStringLiteral("t.m4a")), m4a.left(m4a.size() / 2));
    const QByteArray mp3 = fixtures::mp3Bytes(fixtures::sine(440, 4.0));
    fixtures::writeFile(path(QStringLiteral("t.mp3")), mp3.left(mp3.size() / 2));

    for (const char* name : {"t.ogg", "t.m4a", "t.mp3"}) {
        SCOPED_TRACE(name);
        const auto source = open(QLatin1String(name));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->announcedFrames(), 4 * 44100);
        const Decoded decoded = readAll(*source);
        ASSERT_TRUE(decoded.failure);
        EXPECT_TRUE(
            decoded.failure->description().contains(QStringLiteral("the file is incomplete")))
            << decoded.failure->description().toStdString();
        EXPECT_GT(decoded.frames, 44100);
        EXPECT_LT(decoded.frames, 4 * 44100);
    }
}

// A set stop ends a read early (what was already decoded may still be handed out) with
// nothing lost: the next reads carry on where it stopped.
TEST_F(SourceTest, AStopEndsAReadAndTheNextCarriesOn) {
    const std::vector<std::int32_t> pcm = noise(QStringLiteral("in.wav"), 44100, 2, 16, 1);
    REQUIRE_TOOLS(!pcm.empty() &&
                  tool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("in.wav"),
                                                QStringLiteral("-o"), QStringLiteral("in.flac")}) &&
                  ffmpeg({QStringLiteral("-i"), QStringLiteral("in.wav"), QStringLiteral("-c:a"),
                          QStringLiteral("wavpack"), QStringLiteral("in.wv")}));
    for (const char* name : {"in.wav", "in.flac", "in.wv"}) {
        SCOPED_TRACE(name);
        const auto source = open(QLatin1String(name));
        ASSERT_TRUE(source);
        std::vector<std::int32_t> all(pcm.size());
        ASSERT_EQ(source->read(all.data(), 1000).value(), 1000);
        const std::atomic<bool> stop{true};
        const Result<std::int64_t> stopped = source->read(all.data() + 2000, 44100 - 1000, &stop);
        ASSERT_TRUE(stopped.ok());
        EXPECT_LT(stopped.value(), 44100 - 1000);
        const std::int64_t done = 1000 + stopped.value();
        const Result<std::int64_t> rest = source->read(all.data() + 2 * done, 44100 - done);
        ASSERT_TRUE(rest.ok());
        EXPECT_EQ(done + rest.value(), 44100);
        EXPECT_TRUE(all == pcm);
    }
}

// Files that hold nothing to decode are refused with a reason the user can act on.
TEST_F(SourceTest, FilesWithoutReadableAudioAreRefused) {
    REQUIRE_TOOLS(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("testsrc=d=1:s=64x48"), QStringLiteral("-an"),
                          QStringLiteral("video.m4a")}) &&
                  ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("sine=d=1"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                          QStringLiteral("shop.m4a")}));
    // A store's protected track: the same sample entry under the name DRM gives it.
    QByteArray shop = fixtures::readFile(path(QStringLiteral("shop.m4a")));
    const qsizetype entry = shop.indexOf("mp4a");
    ASSERT_GT(entry, 0);
    shop.replace(entry, 4, "drms");
    fixtures::writeFile(path(QStringLiteral("protected.m4a")), shop);
    fixtures::writeFile(path(QStringLiteral("empty.flac")), QByteArray());
    // A WAV header whose rate lies beyond any real one.
    QByteArray wav = fixtures::wavBytes(fixtures::sine(440, 0.1));
    wav[24] = wav[25] = wav[26] = wav[27] = static_cast<char>(0xFF);
    fixtures::writeFile(path(QStringLiteral("rate.wav")), wav);
    QByteArray noise(100000, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + (i >> 5) * 104729) & 0xFF);
    fixtures::writeFile(path(QStringLiteral("noise.ogg")), noise);

    const struct {
        const char* name;
        const char* reason;
    } cases[] = {{"video.m4a", ": the file holds no audio"},
                 {"protected.m4a", ": the audio is protected (DRM) and cannot be read"},
                 {"empty.flac", ": the file is empty"},
                 {"noise.ogg", ": the file is in no format the program reads"},
                 {"missing.wav", ": the file does not exist"},
                 {"rate.wav", ": the file's description of its audio is damaged"}};
    for (const auto& c : cases) {
        const auto source = openSource(path(QLatin1String(c.name)));
        ASSERT_FALSE(source.ok()) << c.name;
        EXPECT_EQ(source.error().description(),
                  path(QLatin1String(c.name)) + QLatin1String(c.reason));
    }
}

// The content decides the reader, whatever the name says; a video's sound is its audio.
TEST_F(SourceTest, TheContentChoosesTheReaderNotTheName) {
    REQUIRE_TOOLS(
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=f=440:d=2:r=22050"), QStringLiteral("t.wav")}) &&
        tool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("t.wav"),
                                      QStringLiteral("-o"), QStringLiteral("flac.mp3")}) &&
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=d=2:s=64x48"), QStringLiteral("-i"),
                QStringLiteral("t.wav"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                QStringLiteral("-shortest"), QStringLiteral("film.mp4")}));
    QFile::copy(path(QStringLiteral("t.wav")), path(QStringLiteral("wav.flac")));
    fixtures::writeMp3(path(QStringLiteral("mp3.ogg")), fixtures::sine(440, 2.0, 22050, 1), 22050,
                       1, 64);
    for (const auto& [name, codec] :
         {std::pair{"flac.mp3", "FLAC"}, std::pair{"wav.flac", "WAV"}, std::pair{"mp3.ogg", "MP3"},
          std::pair{"film.mp4", "AAC (M4A)"}}) {
        SCOPED_TRACE(name);
        const auto source = open(QLatin1String(name));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->codecName(), QLatin1String(codec));
        EXPECT_EQ(source->format().sampleRate, 22050);
        const Decoded decoded = readAll(*source);
        EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
        const std::vector<std::int16_t> pcm(decoded.samples.begin(), decoded.samples.end());
        EXPECT_NEAR(fixtures::dominantFrequency(pcm, 22050, 1), 440, 5);
    }
}

// The rates at either end of what is in use, and tags far larger than the audio.
TEST_F(SourceTest, ExtremeRatesAndHugeTagsAreRead) {
    const std::vector<std::int32_t> low = noise(QStringLiteral("low.wav"), 8000, 1, 16, 1);
    const std::vector<std::int32_t> high = noise(QStringLiteral("high.wav"), 384000, 2, 24, 1);
    QByteArray picture(10 << 20, '\0');
    for (qsizetype i = 0; i < picture.size(); i += 4096)
        picture[i] = static_cast<char>(i >> 12);
    fixtures::writeFile(path(QStringLiteral("cover.jpg")), picture);
    QFile meta(path(QStringLiteral("meta.txt")));
    ASSERT_TRUE(meta.open(QIODevice::WriteOnly));
    meta.write(";FFMETADATA1\ncomment=" + QByteArray(20 << 20, 'x') + "\n");
    meta.close();
    const QString cover =
        QStringLiteral("3|image/jpeg||1x1x24|") + path(QStringLiteral("cover.jpg"));
    REQUIRE_TOOLS(
        !low.empty() && !high.empty() &&
        tool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("low.wav"),
                                      QStringLiteral("-o"), QStringLiteral("low.flac")}) &&
        tool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("high.wav"),
                                      QStringLiteral("-o"), QStringLiteral("high.flac")}) &&
        // Two pictures of 10 MB: one FLAC metadata block holds at most 16 MB.
        tool(QStringLiteral("metaflac"),
             {QStringLiteral("--import-picture-from=") + cover,
              QStringLiteral("--import-picture-from=") + cover, QStringLiteral("low.flac")}) &&
        ffmpeg({QStringLiteral("-i"), QStringLiteral("low.wav"), QStringLiteral("-i"),
                QStringLiteral("meta.txt"), QStringLiteral("-map_metadata"), QStringLiteral("1"),
                QStringLiteral("-c:a"), QStringLiteral("libopus"), QStringLiteral("tagged.opus")}));
    ASSERT_GT(QFile(path(QStringLiteral("low.flac"))).size(), 20 << 20);
    ASSERT_GT(QFile(path(QStringLiteral("tagged.opus"))).size(), 20 << 20);

    for (const auto& [name, pcm] : {std::pair{"low.flac", &low}, std::pair{"high.flac", &high},
                                    std::pair{"high.wav", &high}}) {
        SCOPED_TRACE(name);
        const auto source = open(QLatin1String(name));
        ASSERT_TRUE(source);
        const Decoded decoded = readAll(*source);
        EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
        EXPECT_TRUE(decoded.samples == *pcm);
    }
    const auto opus = open(QStringLiteral("tagged.opus"));
    ASSERT_TRUE(opus);
    EXPECT_EQ(opus->format(), (pipeline::AudioFormat{48000, 1, 16, false}));
    const Decoded decoded = readAll(*opus);
    EXPECT_FALSE(decoded.failure) << decoded.failure->description().toStdString();
    EXPECT_EQ(decoded.frames, 48000);
}

TEST(SourceNames, AudioExtensionsAreKnownWhateverTheirCase) {
    for (const char* name :
         {"a.wav", "b.MP3", "/x/c.flac", "d.Opus", "e.m4a", "f.ogg", "g.aiff", "h.wv"})
        EXPECT_TRUE(pipeline::hasAudioExtension(QLatin1String(name))) << name;
    for (const char* name : {"a.txt", "flac", "/x.flac/readme", ".ogg", "song.flac.part"})
        EXPECT_FALSE(pipeline::hasAudioExtension(QLatin1String(name))) << name;
}

} // namespace
