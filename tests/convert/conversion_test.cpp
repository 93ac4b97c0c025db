// One audio file to others: bit-exact lossless outputs, tags and pictures across formats,
// gapless lengths, damaged sources, refused encoders, cancelling, and the batch's names.
#include "engine/pipeline/conversion.h"
#include "engine/platform/id3tag/audiotags.h"
#include "engine/service/conversionservice.h"

#include "fixtures.h"
#include "mp3decode.h"
#include "progressgate.h"

#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

using pipeline::ConvertOutcome;
using pipeline::OutputFormat;

bool have(const char* program) {
    return haveTool(QString::fromLatin1(program));
}

ToolRun tool(const char* program, const QStringList& arguments) {
    return runTool(QString::fromLatin1(program), arguments);
}

// Skips the test when one of the tools that make or check its files is missing.
#define REQUIRE_TOOLS(...)                                                                         \
    do {                                                                                           \
        for (const char* name : {__VA_ARGS__}) {                                                   \
            if (!have(name)) {                                                                     \
                GTEST_SKIP() << name << " is not installed";                                       \
            }                                                                                      \
        }                                                                                          \
    } while (false)

// `flac -t` passes on `file`: its frames decode and its MD5 signature matches; true when the
// tool is missing.
bool flacVerifies(const QString& file) {
    return !have("flac") ||
           tool("flac", {QStringLiteral("-t"), QStringLiteral("-s"), file}).exitCode == 0;
}

// The bytes of a WAV's data chunk, found through its chunks.
QByteArray pcmOf(const QByteArray& wav) {
    for (qsizetype at = 12; at + 8 <= wav.size();) {
        const std::uint32_t size = fixtures::le32(wav, static_cast<int>(at + 4));
        if (wav.mid(at, 4) == "data")
            return wav.mid(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return {};
}

// A PCM WAV of a tone at `bits` bits (16 or 24) and amplitude 0.5, with a little noise in the
// low bits so that a lossless path that drops them shows.
QByteArray toneWav(int bits, int rate, int channels, std::int64_t frames, QByteArray* pcm) {
    const int bytes = bits / 8;
    QByteArray data;
    data.reserve(static_cast<qsizetype>(frames * channels * bytes));
    const double full = std::ldexp(1.0, bits - 1) - 1;
    std::uint32_t noise = 12345;
    for (std::int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1103515245 + 12345;
            const auto v = static_cast<std::int32_t>(
                std::lround(0.5 * full * std::sin(2 * M_PI * (440.0 + 110 * c) * i / rate)) +
                static_cast<std::int32_t>(noise >> 29) - 4);
            for (int k = 0; k < bytes; ++k)
                data.append(static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * k)));
        }
    QByteArray h("RIFF");
    auto le = [&h](std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k)
            h.append(static_cast<char>(v >> (8 * k)));
    };
    le(static_cast<std::uint32_t>(36 + data.size()), 4);
    h.append("WAVEfmt ");
    le(16, 4);
    le(1, 2);
    le(static_cast<std::uint32_t>(channels), 2);
    le(static_cast<std::uint32_t>(rate), 4);
    le(static_cast<std::uint32_t>(rate * channels * bytes), 4);
    le(static_cast<std::uint32_t>(channels * bytes), 2);
    le(static_cast<std::uint32_t>(bits), 2);
    h.append("data");
    le(static_cast<std::uint32_t>(data.size()), 4);
    if (pcm)
        *pcm = data;
    return h + data;
}

// A 1x1 PNG.
QByteArray pngBytes() {
    return QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9"
                                  "QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
}

// Sample frames of an Opus file as opusdec decodes it (48 kHz, gapless).
std::int64_t opusFrames(const QString& opus, const QString& scratchWav) {
    const ToolRun r = tool("opusdec", {QStringLiteral("--quiet"), QStringLiteral("--rate"),
                                       QStringLiteral("48000"), opus, scratchWav});
    if (r.exitCode != 0)
        return -1;
    QFile f(scratchWav);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wav = f.readAll();
    const int channels = fixtures::le16(wav, 22);
    return pcmOf(wav).size() / (2 * channels);
}

class ConversionTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const {
        fixtures::writeFile(path(name), bytes);
        return path(name);
    }

    static pipeline::ConvertOutput output(OutputFormat format, const QString& path) {
        pipeline::ConvertOutput o;
        o.format = format;
        o.path = path;
        return o;
    }

    static ConvertOutcome convert(const QString& source, std::vector<pipeline::ConvertOutput> to,
                                  const std::function<bool()>& cancelled = {}) {
        pipeline::ConvertRequest request;
        request.sourcePath = source;
        request.outputs = std::move(to);
        return pipeline::convertFile(request, cancelled, {});
    }

    static ConvertOutcome convert(const QString& source, OutputFormat format,
                                  const QString& target) {
        return convert(source, {output(format, target)});
    }

    // The folder's file names, temporary ones included.
    QStringList files() const {
        return QDir(dir_.path())
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir_;
};

TEST_F(ConversionTest, WavToFlacAndBackIsBitExactAndTheMp3BesideItIsMeasured) {
    struct Case {
        int bits, rate, channels;
        std::int64_t frames;
    };
    for (const Case c : {Case{16, 44100, 2, 3 * 44100 + 17}, Case{24, 96000, 2, 2 * 96000 + 5}}) {
        SCOPED_TRACE(c.bits);
        QByteArray pcm;
        const QString wav = write(QStringLiteral("tone%1.wav").arg(c.bits),
                                  toneWav(c.bits, c.rate, c.channels, c.frames, &pcm));
        const QString flac = path(QStringLiteral("tone%1.flac").arg(c.bits));
        const QString mp3 = path(QStringLiteral("tone%1.mp3").arg(c.bits));
        const ConvertOutcome there =
            convert(wav, {output(OutputFormat::Flac, flac), output(OutputFormat::Mp3, mp3)});
        ASSERT_EQ(there.status, ConvertOutcome::Status::Completed)
            << there.error.description().toStdString();
        EXPECT_EQ(there.outputs.front().path, flac);
        EXPECT_EQ(there.framesRead, c.frames);
        EXPECT_TRUE(flacVerifies(flac));

        const QString back = path(QStringLiteral("back%1.wav").arg(c.bits));
        const ConvertOutcome returned = convert(flac, OutputFormat::Wav, back);
        ASSERT_EQ(returned.status, ConvertOutcome::Status::Completed)
            << returned.error.description().toStdString();
        const QByteArray backPcm = pcmOf(fixtures::readFile(back));
        ASSERT_EQ(backPcm.size(), pcm.size());
        EXPECT_TRUE(backPcm == pcm);

        // The MP3's gain is measured over the samples at their width: a tone at half of full
        // scale. The FLAC carries the source's gain: none.
        const Result<audiotags::AudioTags> flacTags = audiotags::read(flac);
        ASSERT_TRUE(flacTags.ok());
        EXPECT_FALSE(flacTags->trackGain.has_value());
        const Result<audiotags::AudioTags> tags = audiotags::read(mp3);
        ASSERT_TRUE(tags.ok());
        ASSERT_TRUE(tags->trackGain.has_value());
        EXPECT_NEAR(tags->trackGain->peak, 0.5, 0.01);
        EXPECT_LT(std::abs(tags->trackGain->gainDb), 20.0);
    }
}

TEST_F(ConversionTest, FlacToMp3AndBackCarriesTagsPictureAndTheSourcesGain) {
    REQUIRE_TOOLS("flac", "metaflac");
    const QString wav =
        write(QStringLiteral("src.wav"), fixtures::wavBytes(fixtures::sine(330, 2.0)));
    const QString flac = path(QStringLiteral("src.flac"));
    ASSERT_EQ(tool("flac", {QStringLiteral("-s"), wav, QStringLiteral("-o"), flac}).exitCode, 0);
    write(QStringLiteral("cover.png"), pngBytes());
    const ToolRun tagged = tool(
        "metaflac",
        {QStringLiteral("--set-tag=TITLE=Bücher & Lieder"),
         QStringLiteral("--set-tag=ARTIST=The Tester"),
         QStringLiteral("--set-tag=ALBUM=Round Trip"), QStringLiteral("--set-tag=TRACKNUMBER=3"),
         QStringLiteral("--set-tag=DATE=2001"),
         QStringLiteral("--set-tag=REPLAYGAIN_TRACK_GAIN=-3.50 dB"),
         QStringLiteral("--set-tag=REPLAYGAIN_TRACK_PEAK=0.250000"),
         QStringLiteral("--import-picture-from=3||Front||") + path(QStringLiteral("cover.png")),
         flac});
    ASSERT_EQ(tagged.exitCode, 0) << tagged.err.toStdString();

    const QString mp3 = path(QStringLiteral("out.mp3"));
    const ConvertOutcome toMp3 = convert(flac, OutputFormat::Mp3, mp3);
    ASSERT_EQ(toMp3.status, ConvertOutcome::Status::Completed)
        << toMp3.error.description().toStdString();
    const QString again = path(QStringLiteral("again.flac"));
    const ConvertOutcome toFlac = convert(mp3, OutputFormat::Flac, again);
    ASSERT_EQ(toFlac.status, ConvertOutcome::Status::Completed)
        << toFlac.error.description().toStdString();

    for (const QString& file : {mp3, again}) {
        SCOPED_TRACE(file.toStdString());
        const Result<audiotags::AudioTags> tags = audiotags::read(file);
        ASSERT_TRUE(tags.ok());
        EXPECT_EQ(tags->title, QStringLiteral("Bücher & Lieder"));
        EXPECT_EQ(tags->artist, QStringLiteral("The Tester"));
        EXPECT_EQ(tags->album, QStringLiteral("Round Trip"));
        EXPECT_EQ(tags->trackNumber, 3);
        EXPECT_EQ(tags->date, QStringLiteral("2001"));
        // The source's own gain is kept, not measured again.
        ASSERT_TRUE(tags->trackGain.has_value());
        EXPECT_NEAR(tags->trackGain->gainDb, -3.5, 0.01);
        ASSERT_EQ(tags->pictures.size(), 1U);
        EXPECT_EQ(tags->pictures.front().type, 3);
        EXPECT_TRUE(tags->pictures.front().data == pngBytes());
    }
    const ToolRun listed =
        tool("metaflac", {QStringLiteral("--list"), QStringLiteral("--block-type=PICTURE"), again});
    EXPECT_TRUE(listed.out.contains("type: 3")) << listed.out.toStdString();
    const ToolRun title = tool("metaflac", {QStringLiteral("--show-tag=TITLE"), again});
    EXPECT_EQ(QString::fromUtf8(title.out).trimmed(), QStringLiteral("TITLE=Bücher & Lieder"));
    EXPECT_TRUE(flacVerifies(again));
}

TEST_F(ConversionTest, AacInM4aToOpusCarriesTagsAndLength) {
    REQUIRE_TOOLS("ffmpeg", "opusdec");
    const QString m4a = path(QStringLiteral("song.m4a"));
    const ToolRun made = tool(
        "ffmpeg", {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                   QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=frequency=500:duration=2.5"), QStringLiteral("-ac"),
                   QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("aac"),
                   QStringLiteral("-metadata"), QStringLiteral("title=From AAC"),
                   QStringLiteral("-metadata"), QStringLiteral("artist=Encoder"), m4a});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QString opus = path(QStringLiteral("song.opus"));
    const ConvertOutcome outcome = convert(m4a, OutputFormat::Opus, opus);
    ASSERT_EQ(outcome.status, ConvertOutcome::Status::Completed)
        << outcome.error.description().toStdString();
    const Result<audiotags::AudioTags> tags = audiotags::read(opus);
    ASSERT_TRUE(tags.ok());
    EXPECT_EQ(tags->title, QStringLiteral("From AAC"));
    EXPECT_EQ(tags->artist, QStringLiteral("Encoder"));
    // An Opus carries the source's gain, and this one has none: nothing is measured for it.
    EXPECT_FALSE(tags->trackGain.has_value());
    // The sine source's rate is ffmpeg's default, 44.1 kHz.
    const std::int64_t expected = std::llround(outcome.framesRead * 48000.0 / 44100.0);
    EXPECT_NEAR(opusFrames(opus, path(QStringLiteral("check.wav"))), expected, 1);
}

// One decode feeds both outputs; each decodes to the source's length.
TEST_F(ConversionTest, Mp3AndOpusOutputsAreGapless) {
    REQUIRE_TOOLS("opusdec");
    const std::int64_t frames = 44100 + 1234;
    const QString wav = write(QStringLiteral("odd.wav"), toneWav(16, 44100, 2, frames, nullptr));
    const QString mp3 = path(QStringLiteral("odd.mp3"));
    const QString opus = path(QStringLiteral("odd.opus"));
    const ConvertOutcome outcome =
        convert(wav, {output(OutputFormat::Mp3, mp3), output(OutputFormat::Opus, opus)});
    ASSERT_EQ(outcome.status, ConvertOutcome::Status::Completed)
        << outcome.error.description().toStdString();
    const mp3decode::Decoded decoded = mp3decode::decodeFile(mp3);
    ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
    EXPECT_EQ(static_cast<std::int64_t>(decoded.sampleFrames()), frames);
    EXPECT_NEAR(opusFrames(opus, path(QStringLiteral("check.wav"))),
                std::llround(frames * 48000.0 / 44100.0), 1);
}

// An MP3 that records no length (no LAME/Info frame) is measured against the length its size
// gives; a 24-bit source's loudness is measured as its 16-bit twin's.
TEST_F(ConversionTest, ProgressWithoutARecordedLengthAndTheGainOfEveryWidth) {
    REQUIRE_TOOLS("lame");
    const QString wav =
        write(QStringLiteral("plain.wav"), toneWav(16, 44100, 2, 5 * 44100, nullptr));
    const QString mp3 = path(QStringLiteral("plain.mp3"));
    ASSERT_TRUE(tool("lame", {QStringLiteral("--quiet"), QStringLiteral("-t"), wav, mp3}).ok());
    pipeline::ConvertRequest request;
    request.sourcePath = mp3;
    request.outputs = {output(OutputFormat::Wav, path(QStringLiteral("back.wav")))};
    std::vector<double> seen;
    const ConvertOutcome decoded =
        pipeline::convertFile(request, {}, [&seen](double percent) { seen.push_back(percent); });
    ASSERT_EQ(decoded.status, ConvertOutcome::Status::Completed)
        << decoded.error.description().toStdString();
    EXPECT_EQ(decoded.announcedFrames, -1);
    ASSERT_GT(seen.size(), 10u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.back(), 95.0);
    EXPECT_LE(seen.back(), 100.0);

    const auto gainOf = [this](int bits) -> std::optional<audiotags::Gain> {
        const QString name = QStringLiteral("w%1").arg(bits);
        const QString source =
            write(name + QStringLiteral(".wav"), toneWav(bits, 44100, 2, 3 * 44100, nullptr));
        const QString target = path(name + QStringLiteral(".mp3"));
        if (convert(source, OutputFormat::Mp3, target).status != ConvertOutcome::Status::Completed)
            return std::nullopt;
        const auto tags = audiotags::read(target);
        return tags ? tags.value().trackGain : std::nullopt;
    };
    const auto twin = gainOf(16);
    const auto wide = gainOf(24);
    ASSERT_TRUE(twin && wide);
    EXPECT_NEAR(wide->gainDb, twin->gainDb, 0.02);
    EXPECT_NEAR(wide->peak, twin->peak, 0.001);
}

TEST_F(ConversionTest, ATruncatedFlacIsConvertedAsFarAsItGoesAndFailsAsIncomplete) {
    REQUIRE_TOOLS("flac");
    const std::int64_t frames = 10 * 44100;
    const QString wav = write(QStringLiteral("whole.wav"), toneWav(16, 44100, 2, frames, nullptr));
    const QString flac = path(QStringLiteral("cut.flac"));
    ASSERT_EQ(tool("flac", {QStringLiteral("-s"), wav, QStringLiteral("-o"), flac}).exitCode, 0);
    QFile cut(flac);
    ASSERT_TRUE(cut.resize(cut.size() / 2));

    const QString out = path(QStringLiteral("cut.wav"));
    const ConvertOutcome outcome = convert(flac, OutputFormat::Wav, out);
    EXPECT_EQ(outcome.status, ConvertOutcome::Status::Failed);
    EXPECT_TRUE(outcome.error.description().contains(QStringLiteral("incomplete")))
        << outcome.error.description().toStdString();
    EXPECT_TRUE(outcome.error.description().contains(flac));
    ASSERT_EQ(outcome.outputs.front().path, out);
    const QByteArray written = fixtures::readFile(out);
    const QByteArray pcm = pcmOf(written);
    EXPECT_EQ(pcm.size(), outcome.framesRead * 4); // the header says what the file holds
    EXPECT_GT(outcome.framesRead, frames / 5);
    EXPECT_LT(outcome.framesRead, frames);
}

// An encoder that refuses the source's format leaves no file, the other outputs going on; a
// source without audio leaves none either.
TEST_F(ConversionTest, RefusedOutputsAndEmptySourcesLeaveNoFile) {
    const QString wav = write(QStringLiteral("surround.wav"),
                              fixtures::wavBytes(fixtures::sine(300, 1.0, 48000, 6), 48000, 6));
    const QString mp3 = path(QStringLiteral("surround.mp3"));
    const QString flac = path(QStringLiteral("surround.flac"));

    const ConvertOutcome alone = convert(wav, OutputFormat::Mp3, mp3);
    EXPECT_EQ(alone.status, ConvertOutcome::Status::Failed);
    EXPECT_TRUE(alone.error.description().contains(QStringLiteral("channel")))
        << alone.error.description().toStdString();
    EXPECT_EQ(files(), QStringList{QStringLiteral("surround.wav")});

    const ConvertOutcome both =
        convert(wav, {output(OutputFormat::Flac, flac), output(OutputFormat::Mp3, mp3)});
    EXPECT_EQ(both.status, ConvertOutcome::Status::Failed);
    EXPECT_EQ(both.error.description(), alone.error.description());
    EXPECT_EQ(both.outputs[0].path, flac);
    EXPECT_FALSE(both.outputs[0].error.has_value());
    EXPECT_TRUE(both.outputs[1].path.isEmpty());
    EXPECT_EQ(files(),
              (QStringList{QStringLiteral("surround.flac"), QStringLiteral("surround.wav")}));

    const QString empty = write(QStringLiteral("empty.wav"), fixtures::wavBytes({}));
    const ConvertOutcome nothing =
        convert(empty, OutputFormat::Flac, path(QStringLiteral("e.flac")));
    EXPECT_EQ(nothing.status, ConvertOutcome::Status::Failed);
    EXPECT_TRUE(nothing.error.description().contains(QStringLiteral("no audio")))
        << nothing.error.description().toStdString();
    EXPECT_EQ(files().size(), 3);
}

TEST_F(ConversionTest, CancellingEndsEveryOutputProperlyAndKeepsIt) {
    const std::int64_t frames = 5 * 44100;
    const QString wav = write(QStringLiteral("long.wav"), toneWav(16, 44100, 2, frames, nullptr));
    const QString flac = path(QStringLiteral("long.flac"));
    const QString mp3 = path(QStringLiteral("long.mp3"));
    int asked = 0;
    const ConvertOutcome outcome =
        convert(wav, {output(OutputFormat::Flac, flac), output(OutputFormat::Mp3, mp3)},
                [&asked] { return ++asked == 3; });
    EXPECT_EQ(outcome.status, ConvertOutcome::Status::Cancelled);
    EXPECT_GT(outcome.framesRead, 0);
    EXPECT_LT(outcome.framesRead, frames);
    ASSERT_EQ(outcome.outputs[0].path, flac);
    ASSERT_EQ(outcome.outputs[1].path, mp3);
    EXPECT_EQ(static_cast<std::int64_t>(mp3decode::decodeFile(mp3).sampleFrames()),
              outcome.framesRead);
    if (have("flac")) {
        EXPECT_TRUE(flacVerifies(flac));
        const ToolRun samples = tool("metaflac", {QStringLiteral("--show-total-samples"), flac});
        EXPECT_EQ(samples.out.trimmed().toLongLong(), outcome.framesRead);
    }
}

// The service runs the conversion as a batch's job: aborted mid-way, the file is ended
// properly, kept under its name, and its item is Cancelled.
TEST_F(ConversionTest, AnAbortedBatchKeepsTheFileUnderWayProperlyEnded) {
    const std::int64_t frames = 20 * 44100;
    ConversionBatch batch;
    batch.kind = ConversionKind::AudioConvert;
    batch.settings.destination = path(QStringLiteral("out"));
    batch.settings.convertTo = OutputFormat::Flac;
    ASSERT_TRUE(QDir().mkpath(batch.settings.destination));
    const QString source =
        write(QStringLiteral("long.wav"), toneWav(16, 44100, 2, frames, nullptr));
    batch.items = {
        WorkItem{source, ConversionService::outputFor(batch.kind, batch.settings, source)}};

    ConversionService service;
    std::optional<ConversionReport> report;
    QObject::connect(&service, &ConversionService::batchFinished,
                     [&report](const ConversionReport& ended) { report = ended; });
    ProgressGate underWay([](const WorkItem&, int percent) { return percent >= 10; });
    ASSERT_TRUE(service.start(batch));
    ASSERT_TRUE(underWay.waitHeld());
    service.abort();
    underWay.release();
    ASSERT_TRUE(QTest::qWaitFor([&report] { return report.has_value(); }, 60000));

    ASSERT_EQ(report->results.size(), 1);
    EXPECT_EQ(report->results.front().status, JobResult::Status::Cancelled);
    const QString flac = path(QStringLiteral("out/long.flac"));
    EXPECT_EQ(report->items.front().output, flac);
    EXPECT_TRUE(flacVerifies(flac));
    if (have("metaflac")) {
        const qint64 kept = tool("metaflac", {QStringLiteral("--show-total-samples"), flac})
                                .out.trimmed()
                                .toLongLong();
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, frames);
    }
}

TEST(ConvertNames, AnAudioConversionTakesTheSourcesNameWithTheFormatsExtension) {
    ConversionSettings settings;
    settings.destination = QStringLiteral("/out");
    settings.convertTo = OutputFormat::Opus;
    const auto named = [&settings](const char* source) {
        return ConversionService::outputFor(ConversionKind::AudioConvert, settings,
                                            QString::fromUtf8(source));
    };
    EXPECT_EQ(named("/in/Song.FLAC"), QStringLiteral("/out/Song.opus"));
    EXPECT_EQ(named("/in/a.b.m4a"), QStringLiteral("/out/a.b.opus"));
    EXPECT_EQ(named("/in/take"), QStringLiteral("/out/take.opus"));
    EXPECT_EQ(named("/in/.hidden"), QStringLiteral("/out/.hidden.opus"));
    settings.convertTo = OutputFormat::Flac;
    EXPECT_EQ(named("/in/x.flac"), QStringLiteral("/out/x.flac"));
    // The other kinds keep their names.
    EXPECT_EQ(ConversionService::outputFor(ConversionKind::WavToMp3, settings,
                                           QStringLiteral("/in/a.WAV")),
              QStringLiteral("/out/a.mp3"));
}

} // namespace
