// The ID3v2.4 tag and ReplayGain of every MP3 the file encoder writes: the tag leaves the
// audio, the LAME/Info frame and an ID3v1 block as they were; loudness as EBU R 128 defines it.
#include "fixtures.h"

#include "engine/encode/mp3output.h"
#include "engine/formats/mp3info.h"
#include "engine/formats/wavreader.h"
#include "engine/pipeline/mp3fileencoder.h"
#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/loudness/loudnessmeter.h"
#include "engine/player/tagwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace {

class Mp3TagTest : public testing::Test {
  protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    EncodeRequest request(const QString& source, const QString& output) const {
        EncodeRequest r;
        r.sourcePath = source;
        r.outputPath = output;
        r.config = modLAME::makeConfig(128, 0);
        return r;
    }

    EncodeOutcome encode(const QString& source, const QString& output) {
        return encodeWavToMp3(request(source, output), {}, {});
    }

    // The MP3 of `source` as the encoder writes it, with no tag.
    QByteArray untagged(const QString& source, const std::vector<std::int16_t>& samples) {
        const QString out = path(QStringLiteral("untagged.mp3"));
        auto mp3 = Mp3Output::open(request(source, out).config, out, QStringLiteral("test"));
        EXPECT_TRUE(mp3.ok());
        const std::uint32_t step = mp3.value()->maxSamplesPerCall();
        for (std::size_t at = 0; at < samples.size(); at += step) {
            const auto n =
                static_cast<std::uint32_t>(std::min<std::size_t>(step, samples.size() - at));
            EXPECT_FALSE(mp3.value()->encode(samples.data() + at, n));
            EXPECT_FALSE(mp3.value()->commit());
        }
        EXPECT_FALSE(mp3.value()->finish());
        return fixtures::readFile(out);
    }

    QTemporaryDir dir;
};

// The text of the frame `id` (for TXXX: whose description is `name`); empty when absent.
QString frameText(const QString& file, const char* id, const QString& name = {}) {
    const auto frames = id3tag::readFrames(file);
    EXPECT_TRUE(frames.ok()) << frames.error().description().toStdString();
    if (!frames)
        return {};
    const QString prefix = name.isEmpty() ? QString() : QStringLiteral("[%1] ").arg(name);
    for (const id3tag::Frame& f : frames.value())
        if (f.id == QLatin1String(id) && f.text.startsWith(prefix))
            return f.text.mid(prefix.size());
    return {};
}

void expectSameHeader(const QString& a, const QString& b) {
    Mp3HeaderRecord ra, rb;
    ReadMp3Info(a, true, true, ra);
    ReadMp3Info(b, true, true, rb);
    EXPECT_EQ(tagwriter::headerLines(ra), tagwriter::headerLines(rb));
    EXPECT_EQ(ra.vbr, rb.vbr);
    EXPECT_EQ(ra.bitRateKbps, 128);
}

TEST_F(Mp3TagTest, TheTagGoesBeforeTheUntouchedMp3AndKeepsAnId3v1Block) {
    const auto pcm = fixtures::sine(1000, 3.0);
    const QString wav = path(QStringLiteral("Morning Song.wav"));
    fixtures::writeFile(wav, fixtures::wavBytes(pcm));
    const QString mp3 = path(QStringLiteral("out.mp3"));
    const EncodeOutcome o = encode(wav, mp3);
    ASSERT_EQ(o.status, EncodeOutcome::Status::Completed) << o.error.description().toStdString();

    const QByteArray plain = untagged(wav, pcm);
    const QByteArray tagged = fixtures::readFile(mp3);
    EXPECT_EQ(o.bytesWritten, tagged.size());
    const std::int64_t tagBytes = id3v2TagBytes(tagged);
    ASSERT_GT(tagBytes, 10);
    EXPECT_EQ(tagged.mid(tagBytes), plain); // every audio byte, the Info frame first
    EXPECT_EQ(tagged.mid(tagBytes + 36, 4), "Info");
    expectSameHeader(mp3, path(QStringLiteral("untagged.mp3")));

    EXPECT_EQ(frameText(mp3, "TIT2"), QStringLiteral("Morning Song")); // the WAV's name
    EXPECT_EQ(frameText(mp3, "TXXX", QStringLiteral("REPLAYGAIN_TRACK_GAIN")).right(3),
              QStringLiteral(" dB"));

    // The tag panel's ID3v1 block at the end survives a rewrite of the ID3v2 tag that grows it.
    tagwriter::TagTexts texts;
    texts.title = QStringLiteral("Panel title");
    ASSERT_TRUE(tagwriter::writeTagBlock(mp3, tagwriter::tagBlock(texts)));
    const QByteArray withBlock = fixtures::readFile(mp3);
    id3tag::TagFields fields;
    // More than the padding holds, and more than the frame search's 5,000 bytes.
    fields.title = QString(6000, QLatin1Char('x'));
    fields.date = QStringLiteral("1999-04");
    fields.trackNumber = 3;
    fields.trackTotal = 12;
    fields.recordingId = QStringLiteral("0f7c7fb0-3b11-4d8f-9d0a-2f1c2b4b9f01");
    fields.albumGain = QStringLiteral("-1.50 dB");
    const auto written = id3tag::writeTag(mp3, fields);
    ASSERT_TRUE(written.ok()) << written.error().description().toStdString();
    const QByteArray rewritten = fixtures::readFile(mp3);
    EXPECT_GT(written.value(), tagBytes);
    EXPECT_EQ(rewritten.mid(written.value()), withBlock.mid(tagBytes));
    EXPECT_EQ(rewritten.right(128), withBlock.right(128));
    EXPECT_EQ(frameText(mp3, "TRCK"), QStringLiteral("3/12"));
    EXPECT_EQ(frameText(mp3, "TDRC"), QStringLiteral("1999-04"));
    EXPECT_EQ(frameText(mp3, "UFID", QStringLiteral("http://musicbrainz.org")), fields.recordingId);
    EXPECT_EQ(frameText(mp3, "TXXX", QStringLiteral("REPLAYGAIN_ALBUM_GAIN")),
              QStringLiteral("-1.50 dB"));
    // Fields left empty lose their frames.
    EXPECT_TRUE(frameText(mp3, "TXXX", QStringLiteral("REPLAYGAIN_TRACK_GAIN")).isEmpty());
    expectSameHeader(mp3, path(QStringLiteral("untagged.mp3")));
    Mp3HeaderRecord record;
    ReadMp3Info(mp3, true, false, record);
    EXPECT_EQ(record.title, QStringLiteral("Panel title"));

    // No field left: the tag goes, and what it stood before is untouched.
    const auto cleared = id3tag::writeTag(mp3, id3tag::TagFields{});
    ASSERT_TRUE(cleared.ok()) << cleared.error().description().toStdString();
    EXPECT_EQ(cleared.value(), 0);
    EXPECT_EQ(fixtures::readFile(mp3), withBlock.mid(tagBytes));
}

TEST_F(Mp3TagTest, TheEbuSineMeasuresMinus23LufsAndSilenceGetsNoGain) {
    const double amplitude = std::pow(10.0, -23.0 / 20.0); // -23 dBFS
    const auto pcm = fixtures::sine(1000, 20.0, 44100, 2, amplitude);
    auto meter = LoudnessMeter::make(2, 44100);
    ASSERT_TRUE(meter.ok());
    ASSERT_FALSE(meter.value()->add(pcm.data(), pcm.size()));
    ASSERT_TRUE(meter.value()->loudness().has_value());
    EXPECT_NEAR(*meter.value()->loudness(), -23.0, 0.1);
    EXPECT_NEAR(meter.value()->peak(), amplitude, 1e-4);

    const QString wav = path(QStringLiteral("sine.wav"));
    fixtures::writeFile(wav, fixtures::wavBytes(pcm));
    const QString mp3 = path(QStringLiteral("sine.mp3"));
    ASSERT_EQ(encode(wav, mp3).status, EncodeOutcome::Status::Completed);
    // The library reads this sine as -22.99 LUFS (the tolerance allows 0.1): its gain is
    // written as the meter gives it, in the "+5.00 dB" form.
    const QString gain = frameText(mp3, "TXXX", QStringLiteral("REPLAYGAIN_TRACK_GAIN"));
    EXPECT_EQ(gain, meter.value()->replayGain()->gainText());
    EXPECT_TRUE(gain.startsWith(QLatin1Char('+')) && gain.endsWith(QStringLiteral(" dB")));
    EXPECT_NEAR(gain.chopped(3).toDouble(), 5.0, 0.1) << gain.toStdString();
    EXPECT_EQ((ReplayGain{5.0, 0.0707946}).gainText(), QStringLiteral("+5.00 dB"));
    EXPECT_EQ((ReplayGain{5.0, 0.0707946}).peakText(), QStringLiteral("0.070795"));
    EXPECT_EQ((ReplayGain{-3.214, 1.0}).gainText(), QStringLiteral("-3.21 dB"));
    EXPECT_NEAR(frameText(mp3, "TXXX", QStringLiteral("REPLAYGAIN_TRACK_PEAK")).toDouble(),
                amplitude, 1e-4);

    const QString silent = path(QStringLiteral("silent.wav"));
    fixtures::writeFile(silent, fixtures::wavBytes(std::vector<std::int16_t>(44100 * 4, 0)));
    ASSERT_EQ(encode(silent, path(QStringLiteral("silent.mp3"))).status,
              EncodeOutcome::Status::Completed);
    const auto silentFrames = id3tag::readFrames(path(QStringLiteral("silent.mp3")));
    ASSERT_TRUE(silentFrames.ok());
    EXPECT_FALSE(silentFrames.value().empty()); // its title
    for (const id3tag::Frame& f : silentFrames.value())
        EXPECT_FALSE(f.text.contains(QStringLiteral("REPLAYGAIN"))) << f.text.toStdString();
}

TEST_F(Mp3TagTest, TheWavsInfoListNamesTheTrackAndADamagedOneIsIgnored) {
    // LIST/INFO after the audio: INAM in UTF-8, IART in Latin-1 (odd size, padded), IPRD.
    QByteArray info("INFO");
    auto entry = [&info](const char* id, const QByteArray& text) {
        info += id;
        const auto size = static_cast<std::uint32_t>(text.size());
        for (int i = 0; i < 4; ++i)
            info += static_cast<char>(size >> (8 * i));
        info += text;
        if (size & 1)
            info += '\0';
    };
    entry("INAM", QByteArray("Caf\xC3\xA9 Noir\0", 11));
    entry("IART", QByteArray("Ren\xE9", 4) + '\0');
    entry("IPRD", QByteArray("Nights\0", 7));
    QByteArray wav = fixtures::wavBytes(fixtures::sine(440, 1.0));
    QByteArray list("LIST");
    const auto size = static_cast<std::uint32_t>(info.size());
    for (int i = 0; i < 4; ++i)
        list += static_cast<char>(size >> (8 * i));
    wav += list + info;
    const QString source = path(QStringLiteral("named.wav"));
    fixtures::writeFile(source, wav);
    const WavInfoTexts texts = readWavInfoTexts(source);
    EXPECT_EQ(texts.title, QStringLiteral("Café Noir"));
    EXPECT_EQ(texts.artist, QStringLiteral("René"));
    EXPECT_EQ(texts.album, QStringLiteral("Nights"));
    const QString mp3 = path(QStringLiteral("named.mp3"));
    ASSERT_EQ(encode(source, mp3).status, EncodeOutcome::Status::Completed);
    EXPECT_EQ(frameText(mp3, "TIT2"), QStringLiteral("Café Noir"));
    EXPECT_EQ(frameText(mp3, "TPE1"), QStringLiteral("René"));
    EXPECT_EQ(frameText(mp3, "TALB"), QStringLiteral("Nights"));

    // An entry that claims more than its list holds ends the reading there.
    wav[wav.size() - 8 - 4] = '\x7F';
    fixtures::writeFile(source, wav);
    EXPECT_TRUE(readWavInfoTexts(source).album.isEmpty());
}

// An MP3 ended early (aborted, or its source shrank under the encoder) is tagged like a whole
// one: its title, and the ReplayGain of the audio it holds.
TEST_F(Mp3TagTest, AnMp3EndedEarlyIsTaggedWithWhatItHolds) {
    const double amplitude = std::pow(10.0, -23.0 / 20.0);
    const QString wav = path(QStringLiteral("Long Take.wav"));
    fixtures::writeFile(wav, fixtures::wavBytes(fixtures::sine(1000, 8.0, 44100, 2, amplitude)));

    const QString aborted = path(QStringLiteral("aborted.mp3"));
    double done = 0; // ended a quarter of the way, long enough to measure its loudness
    const EncodeOutcome cut = encodeWavToMp3(
        request(wav, aborted), [&done] { return done > 25.0; }, [&done](double p) { done = p; });
    ASSERT_EQ(cut.status, EncodeOutcome::Status::Cancelled);
    EXPECT_LT(cut.bytesEncoded, cut.audioBytes);
    EXPECT_EQ(cut.bytesWritten, QFileInfo(aborted).size());
    EXPECT_GT(id3v2TagBytes(fixtures::readFile(aborted)), 10);
    EXPECT_EQ(frameText(aborted, "TIT2"), QStringLiteral("Long Take"));
    const QString gain = frameText(aborted, "TXXX", QStringLiteral("REPLAYGAIN_TRACK_GAIN"));
    EXPECT_NEAR(gain.chopped(3).toDouble(), 5.0, 0.5) << gain.toStdString();

    const QString shrinking = path(QStringLiteral("shrinks.wav"));
    QFile::copy(wav, shrinking);
    const QString shrunk = path(QStringLiteral("shrunk.mp3"));
    const EncodeOutcome failed = encodeWavToMp3(request(shrinking, shrunk), {}, [&](double) {
        if (QFileInfo(shrinking).size() > 44 + 200'000)
            QFile::resize(shrinking, 44 + 200'000);
    });
    ASSERT_EQ(failed.status, EncodeOutcome::Status::Failed);
    EXPECT_EQ(frameText(shrunk, "TIT2"), QStringLiteral("shrinks"));
}

TEST_F(Mp3TagTest, ATagThatCannotBeWrittenFailsTheJobNamingTheFile) {
    const QString wav = path(QStringLiteral("a.wav"));
    fixtures::writeFile(wav, fixtures::wavBytes(fixtures::sine(440, 2.0)));
    ASSERT_EQ(encode(wav, path(QStringLiteral("first.mp3"))).status,
              EncodeOutcome::Status::Completed);
    const qint64 mp3Bytes = sizeAfterId3v2(path(QStringLiteral("first.mp3")));

    // The file-size limit lets the MP3 be written and stops the tag in front of it.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(mp3Bytes + 100);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString second = path(QStringLiteral("second.mp3"));
    const EncodeOutcome o = encode(wav, second);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(o.status, EncodeOutcome::Status::Failed);
    EXPECT_TRUE(o.error.description().startsWith(second + QStringLiteral(": ")))
        << o.error.description().toStdString();
    EXPECT_TRUE(o.error.description().contains(QStringLiteral("ID3v2 tag")));
}

} // namespace
