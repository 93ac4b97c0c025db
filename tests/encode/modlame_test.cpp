// The encoder binding: tables, record checks, handles, and real MP3 out of the four calls.
#include "engine/encode/modlame.h"

#include "fixtures.h"
#include "mp3decode.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace modLAME;

namespace {

// The chunk operation of each sample type.
ErrorCode encodeChunk(StreamHandle stream, std::uint32_t n, const std::int16_t* samples,
                      unsigned char* out, std::uint32_t& produced) {
    return beEncodeChunk(stream, n, samples, out, produced);
}
ErrorCode encodeChunk(StreamHandle stream, std::uint32_t n, const std::int32_t* samples,
                      unsigned char* out, std::uint32_t& produced) {
    return beEncodeChunkInt32(stream, n, samples, out, produced);
}
ErrorCode encodeChunk(StreamHandle stream, std::uint32_t n, const float* samples,
                      unsigned char* out, std::uint32_t& produced) {
    return beEncodeChunkFloat(stream, n, samples, out, produced);
}

// Runs the stream calls over `samples` in pieces of `piece` samples, and puts the final
// LAME/Info frame in place of the reserved first frame; returns the MP3 bytes.
template <typename Sample>
QByteArray encodeAll(const EncoderConfig& config, const std::vector<Sample>& samples,
                     std::size_t piece = 0) {
    std::uint32_t chunk = 0, outSize = 0;
    StreamHandle stream = 0;
    EXPECT_EQ(beInitStream(config, chunk, outSize, stream), Successful);
    if (piece == 0)
        piece = chunk;
    std::vector<unsigned char> out(outSize);
    QByteArray mp3;
    for (std::size_t at = 0; at < samples.size(); at += piece) {
        const auto n = static_cast<std::uint32_t>(std::min(piece, samples.size() - at));
        std::uint32_t produced = 0;
        EXPECT_EQ(encodeChunk(stream, n, samples.data() + at, out.data(), produced), Successful);
        mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    }
    std::uint32_t produced = 0;
    EXPECT_EQ(beDeinitStream(stream, out.data(), produced), Successful);
    mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    EXPECT_EQ(beInfoTagFrame(stream, out.data(), produced), Successful);
    EXPECT_LE(produced, static_cast<std::uint32_t>(mp3.size()));
    const auto tagBytes = static_cast<qsizetype>(produced);
    mp3 = QByteArray(reinterpret_cast<const char*>(out.data()), tagBytes) + mp3.mid(tagBytes);
    EXPECT_EQ(beCloseStream(stream), Successful);
    return mp3;
}

mp3decode::Decoded decodeBytes(const QByteArray& mp3) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mp3"));
    fixtures::writeFile(path, mp3);
    return mp3decode::decodeFile(path);
}

// The steady part of decoded audio: without the encoder's delay and its final padding, whose
// near-silence would add false zero crossings.
std::vector<std::int16_t> steady(const mp3decode::Decoded& d) {
    const std::size_t edge = 4096 * static_cast<std::size_t>(d.channels);
    if (d.samples.size() <= 2 * edge)
        return {};
    return {d.samples.begin() + edge, d.samples.end() - edge};
}

// The LAME/Info tag in an MP3's first frame, read by the published Xing and LAME layouts.
struct InfoTag {
    bool found = false;
    bool seekTable = false; // libmp3lame's own tags carry one, the binding's do not
    int bitrateKbps = 0;
    qsizetype frameBytes = 0;
    std::uint32_t audioFrames = 0, streamBytes = 0, musicLength = 0;
    int samplesPerFrame = 0, delay = 0, padding = 0;
    std::uint16_t tagCrc = 0, musicCrc = 0;
};

std::uint16_t crc16(const QByteArray& bytes) {
    unsigned crc = 0;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return static_cast<std::uint16_t>(crc);
}

InfoTag readInfoTag(const QByteArray& mp3) {
    static const int mpeg1Kbps[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2Kbps[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int rates[3][3] = {
        {11025, 12000, 8000}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    auto byte = [&](qsizetype at) { return static_cast<unsigned char>(mp3.at(at)); };
    auto number = [&](qsizetype at, int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | byte(at + i);
        return v;
    };
    InfoTag tag;
    if (mp3.size() < 4 || byte(0) != 0xFF || (byte(1) & 0xE6) != 0xE2)
        return tag;
    const int versionBits = byte(1) >> 3 & 3;
    const bool mpeg1 = versionBits == 3, mono = byte(3) >> 6 == 3;
    const int rate = rates[versionBits == 3 ? 2 : versionBits == 2 ? 1 : 0][byte(2) >> 2 & 3];
    // Through a pointer: g++ 12 with the sanitizers misreads "(c ? a : b)[i]" of two arrays.
    const int* kbpsTable = mpeg1 ? mpeg1Kbps : mpeg2Kbps;
    tag.bitrateKbps = kbpsTable[byte(2) >> 4];
    tag.frameBytes = (mpeg1 ? 144000 : 72000) * tag.bitrateKbps / rate + (byte(2) >> 1 & 1);
    tag.samplesPerFrame = mpeg1 ? 1152 : 576;
    // After the side information; a frame check word does not move it (libmp3lame and
    // libmpg123 agree on that).
    qsizetype at = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (mp3.size() < tag.frameBytes || mp3.mid(at, 4) != "Info")
        return tag;
    const std::uint32_t flags = number(at + 4, 4);
    at += 8;
    if (flags & 1)
        tag.audioFrames = number(at, 4), at += 4;
    if (flags & 2)
        tag.streamBytes = number(at, 4), at += 4;
    tag.seekTable = flags & 4;
    at += (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    if (at + 36 > tag.frameBytes || mp3.mid(at, 4) != "LAME")
        return tag;
    tag.found = true;
    tag.delay = static_cast<int>(number(at + 21, 3) >> 12);
    tag.padding = static_cast<int>(number(at + 21, 3) & 0xFFF);
    tag.musicLength = number(at + 28, 4);
    tag.musicCrc = static_cast<std::uint16_t>(number(at + 32, 2));
    tag.tagCrc = static_cast<std::uint16_t>(number(at + 34, 2));
    return tag;
}

double rms(const std::vector<std::int16_t>& s) {
    double sum = 0;
    for (const auto v : s)
        sum += double(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / s.size());
}

} // namespace

TEST(EncoderTables, BitrateAndQualityIndexes) {
    const std::uint32_t rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(bitrateForIndex(i), rates[i]) << i;
    for (int i : {-1, 14, 100, 32767})
        EXPECT_EQ(bitrateForIndex(i), 160u) << i;

    const std::int32_t codes[] = {1, 0, 2, 3, 1000, 6000, 7000, 8000, 9000, 10000};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(qualityPresetCode(i), codes[i]) << i;
    for (int i : {-1, 10, 500})
        EXPECT_EQ(qualityPresetCode(i), 0) << i;
}

TEST(EncoderTables, ErrorTextsAndErrors) {
    const char* texts[] = {"No Error",        "Invalid format", "Invalid format parameters",
                           "No more handles", "Invalid handle", "Buffer too small"};
    for (std::uint32_t code = 0; code < 6; ++code)
        EXPECT_EQ(errorText(code), QString::fromLatin1(texts[code]));
    EXPECT_TRUE(errorText(6).isEmpty());
    const VortanError e = lameError(InvalidFormatParameters);
    EXPECT_EQ(e.number(), 2);
    EXPECT_EQ(e.source(), QStringLiteral("Lame"));
    EXPECT_EQ(e.description(), QStringLiteral("Invalid format parameters"));
}

TEST(EncoderBinding, RejectsBadRecordsWithTheirCodes) {
    std::uint32_t chunk = 7, out = 7;
    StreamHandle stream = 7;
    auto init = [&](EncoderConfig c) { return beInitStream(c, chunk, out, stream); };

    EncoderConfig c = makeConfig(128, 0);
    c.recordKind = 1;
    EXPECT_EQ(init(c), InvalidFormat);
    c = makeConfig(128, 0);
    c.recordSize = 100;
    EXPECT_EQ(init(c), InvalidFormat);

    for (std::uint32_t bitrate : {0u, 33u, 384u}) {
        c = makeConfig(bitrate, 0);
        EXPECT_EQ(init(c), InvalidFormatParameters) << bitrate;
    }
    c = makeConfig(128, 0);
    c.vbrMethod = 0;
    EXPECT_EQ(init(c), InvalidFormatParameters);
    c = makeConfig(128, 0);
    c.inputChannels = 3;
    EXPECT_EQ(init(c), InvalidFormatParameters);
    c = makeConfig(128, 0);
    c.inputSampleRate = 0;
    EXPECT_EQ(init(c), InvalidFormatParameters);
    c = makeConfig(128, 0);
    c.outputSampleRate = 22050; // an MPEG-2 rate in an MPEG-1 record
    EXPECT_EQ(init(c), InvalidFormatParameters);
    c = makeConfig(128, 0);
    c.channelMode = 7;
    EXPECT_EQ(init(c), InvalidFormatParameters);
    // Nothing was promised on failure.
    EXPECT_EQ(chunk, 7u);
    EXPECT_EQ(out, 7u);
    EXPECT_EQ(stream, 7u);
}

TEST(EncoderBinding, HandlesAreCheckedAndLimited) {
    std::uint32_t produced = 9;
    unsigned char buffer[16];
    EXPECT_EQ(beEncodeChunk(0, 0, nullptr, buffer, produced), InvalidHandle);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(beDeinitStream(12345678, buffer, produced), InvalidHandle);
    EXPECT_EQ(beCloseStream(12345678), InvalidHandle);

    std::vector<StreamHandle> open;
    std::uint32_t chunk = 0, out = 0;
    StreamHandle h = 0;
    ErrorCode code = Successful;
    for (int i = 0; i <= maxStreams && code == Successful; ++i) {
        code = beInitStream(makeConfig(128, 0), chunk, out, h);
        if (code == Successful)
            open.push_back(h);
    }
    EXPECT_EQ(code, NoMoreHandles);
    EXPECT_EQ(open.size(), static_cast<std::size_t>(maxStreams));
    EXPECT_EQ(beCloseStream(open.back()), Successful);
    EXPECT_EQ(beCloseStream(open.back()), InvalidHandle); // closed twice
    open.pop_back();
    EXPECT_EQ(beInitStream(makeConfig(128, 0), chunk, out, h), Successful); // slot is free
    open.push_back(h);
    for (const auto s : open)
        EXPECT_EQ(beCloseStream(s), Successful);
}

TEST(EncoderBinding, ChunkFigureAndTooLargeChunk) {
    std::uint32_t chunk = 0, out = 0;
    StreamHandle h = 0;
    ASSERT_EQ(beInitStream(makeConfig(128, 0), chunk, out, h), Successful);
    EXPECT_EQ(chunk, framesPerChunk * samplesPerMpegFrame * 2);
    EXPECT_GE(out, chunk / 2 + chunk / 8 + 7200); // libmp3lame's worst case for the chunk
    std::vector<std::int16_t> in(chunk + 2);
    std::vector<unsigned char> mp3(out);
    std::uint32_t produced = 0;
    EXPECT_EQ(beEncodeChunk(h, chunk + 2, in.data(), mp3.data(), produced), BufferTooSmall);
    EXPECT_EQ(beEncodeChunk(h, chunk, in.data(), mp3.data(), produced), Successful);
    EXPECT_EQ(beCloseStream(h), Successful);
}

TEST(EncoderBinding, CdAudioBecomesJointStereoMpeg1AtTheChosenBitrate) {
    const auto pcm = fixtures::sine(1000, 3.0);
    EncoderConfig c = makeConfig(128, qualityPresetCode(5));
    c.originalFlag = flagTrue;
    const auto d = decodeBytes(encodeAll(c, pcm));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    for (const auto& f : d.frames) {
        ASSERT_EQ(f.version, 1);
        ASSERT_EQ(f.layer, 3);
        ASSERT_EQ(f.rate, 44100);
        ASSERT_EQ(f.mode, 1);
        ASSERT_EQ(f.bitrateKbps, 128);
        ASSERT_TRUE(f.original);
        ASSERT_FALSE(f.crc || f.copyright || f.privateBit);
    }
    // The Info frame's delay and padding let the decoder give back exactly the source.
    EXPECT_EQ(d.sampleFrames(), pcm.size() / 2);
    EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 44100, 2, 0), 1000, 5);
}

TEST(EncoderBinding, InfoTagFrameIsGivenOnceTheStreamIsFlushed) {
    std::uint32_t chunk = 0, outSize = 0, produced = 7;
    StreamHandle h = 0;
    ASSERT_EQ(beInitStream(makeConfig(128, 0), chunk, outSize, h), Successful);
    std::vector<unsigned char> out(outSize);
    EXPECT_EQ(beInfoTagFrame(12345678, out.data(), produced), InvalidHandle);
    const auto pcm = fixtures::sine(440, 1.0);
    QByteArray mp3;
    ASSERT_EQ(
        beEncodeChunk(h, static_cast<std::uint32_t>(pcm.size()), pcm.data(), out.data(), produced),
        Successful);
    mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    EXPECT_EQ(beInfoTagFrame(h, out.data(), produced), InvalidFormat); // not flushed yet
    EXPECT_EQ(produced, 0u);
    ASSERT_EQ(beDeinitStream(h, out.data(), produced), Successful);
    mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    ASSERT_EQ(beInfoTagFrame(h, out.data(), produced), Successful);
    EXPECT_EQ(beCloseStream(h), Successful);

    // It is the first frame: same bitrate and rate, same size, reserved blank by the encoder.
    const QByteArray tag(reinterpret_cast<const char*>(out.data()), produced);
    EXPECT_EQ(tag.left(3), mp3.left(3));
    EXPECT_EQ(tag.indexOf("Info"), 36); // after the side information of an MPEG-1 stereo frame
    EXPECT_TRUE(tag.contains("LAME"));
    EXPECT_EQ(mp3.mid(4, produced - 4), QByteArray(produced - 4, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(mp3.at(produced)), 0xFF); // the next frame follows

    // At 32 kbit/s libmp3lame leaves its tag out; the binding reserves the frame even when
    // the flush delivers the stream's first bytes, and the buffer it asked for takes both.
    std::uint32_t bigOutSize = 0;
    ASSERT_EQ(beInitStream(makeConfig(32, 0), chunk, bigOutSize, h), Successful);
    EXPECT_GT(bigOutSize, outSize);
    out.assign(bigOutSize, 0xAA);
    ASSERT_EQ(beDeinitStream(h, out.data(), produced), Successful);
    const QByteArray flushed(reinterpret_cast<const char*>(out.data()), produced);
    ASSERT_EQ(beInfoTagFrame(h, out.data(), produced), Successful);
    EXPECT_EQ(beCloseStream(h), Successful);
    ASSERT_EQ(produced, 104u); // one 32 kbit/s frame
    EXPECT_GT(static_cast<std::uint32_t>(flushed.size()), produced);
    EXPECT_EQ(flushed.left(4), QByteArray("\xFF\xFB\x10\x40", 4));
    EXPECT_EQ(flushed.mid(4, produced - 4), QByteArray(produced - 4, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(flushed.at(produced)), 0xFF);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out.data()), 4), flushed.left(4));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out.data()) + 36, 4), "Info");
}

// Whether libmp3lame writes the tag or the binding builds it, every stream starts with one
// whose counts give back the source exactly, and the frame after it starts where it ends.
TEST(EncoderBinding, EveryStreamStartsWithATagThatGivesBackTheSourceLength) {
    int built = 0;
    for (const int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}) {
        const bool mpeg1 = rate >= 32000;
        const std::vector<std::uint32_t> bitrates =
            mpeg1 ? std::vector<std::uint32_t>{32, 40, 48, 56, 64, 80, 320}
                  : std::vector<std::uint32_t>{8, 16, 24, 32, 40, 48, 56, 64, 160};
        for (const int channels : {1, 2}) {
            const auto frames = static_cast<std::size_t>(rate / 8 + 37);
            auto pcm = fixtures::sine(500, 1.0, rate, channels);
            pcm.resize(frames * static_cast<std::size_t>(channels));
            for (const std::uint32_t kbps : bitrates) {
                for (const bool crc : {false, true}) {
                    SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " ch, "
                                                    << kbps << " kbit/s, CRC " << crc);
                    EncoderConfig c = makeConfig(kbps, 0);
                    c.inputSampleRate = static_cast<std::uint32_t>(rate);
                    c.inputChannels = static_cast<std::uint32_t>(channels);
                    c.crcFlag = crc ? flagTrue : flagFalse;
                    const QByteArray mp3 = encodeAll(c, pcm);
                    const InfoTag tag = readInfoTag(mp3);
                    ASSERT_TRUE(tag.found);
                    built += !tag.seekTable;
                    EXPECT_EQ(static_cast<unsigned char>(mp3.at(tag.frameBytes)), 0xFF);
                    EXPECT_EQ(std::int64_t(tag.audioFrames) * tag.samplesPerFrame - tag.delay -
                                  tag.padding,
                              std::int64_t(frames));
                    EXPECT_EQ(tag.streamBytes, static_cast<std::uint32_t>(mp3.size()));
                    EXPECT_EQ(tag.musicLength, tag.streamBytes);
                    const qsizetype crcAt = mp3.indexOf("LAME") + 34;
                    EXPECT_EQ(tag.tagCrc, crc16(mp3.left(crcAt)));
                    EXPECT_EQ(tag.musicCrc, crc16(mp3.mid(tag.frameBytes)));
                    const auto d = decodeBytes(mp3);
                    ASSERT_TRUE(d.ok) << d.error.toStdString();
                    EXPECT_EQ(d.sampleFrames(), frames);
                    // One bitrate throughout where the stream's frames hold the tag.
                    const int audioKbps = d.frames.front().bitrateKbps;
                    EXPECT_TRUE(tag.bitrateKbps == audioKbps ||
                                (!mpeg1 && tag.bitrateKbps > audioKbps))
                        << tag.bitrateKbps << " vs " << audioKbps;
                }
            }
        }
    }
    EXPECT_GT(built, 20); // the low bitrates went through the binding's own tag
}

TEST(EncoderBinding, FlagsReachTheFrameHeaders) {
    EncoderConfig c = makeConfig(192, 0);
    c.privateFlag = flagTrue;
    c.crcFlag = flagTrue;
    c.copyrightFlag = flagTrue;
    c.originalFlag = flagFalse;
    const auto d = decodeBytes(encodeAll(c, fixtures::sine(440, 1.0)));
    ASSERT_TRUE(d.ok);
    for (const auto& f : d.frames) {
        ASSERT_TRUE(f.privateBit && f.crc && f.copyright);
        ASSERT_FALSE(f.original);
        ASSERT_EQ(f.bitrateKbps, 192);
    }
}

TEST(EncoderBinding, PiecesEndingInsideASampleFrameKeepTheChannelsApart) {
    // Left 440 Hz, right 1500 Hz, fed in pieces of an odd number of samples, as 16-bit,
    // 32-bit and floating-point samples.
    const auto left = fixtures::sine(440, 3.0, 44100, 1);
    const auto right = fixtures::sine(1500, 3.0, 44100, 1);
    std::vector<std::int16_t> pcm(left.size() * 2);
    for (std::size_t i = 0; i < left.size(); ++i) {
        pcm[2 * i] = left[i];
        pcm[2 * i + 1] = right[i];
    }
    std::vector<std::int32_t> wide;
    std::vector<float> floats;
    for (const std::int16_t s : pcm) {
        wide.push_back(s * 65536);
        floats.push_back(static_cast<float>(s) / 32768.0F);
    }
    for (const QByteArray& mp3 :
         {encodeAll(makeConfig(160, 0), pcm, 1001), encodeAll(makeConfig(160, 0), wide, 1001),
          encodeAll(makeConfig(160, 0), floats, 1001)}) {
        const auto d = decodeBytes(mp3);
        ASSERT_TRUE(d.ok);
        EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 44100, 2, 0), 440, 5);
        EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 44100, 2, 1), 1500, 8);
    }

    // The sample type changes only between whole sample frames.
    std::uint32_t chunk = 0, outSize = 0, produced = 0;
    StreamHandle h = 0;
    ASSERT_EQ(beInitStream(makeConfig(160, 0), chunk, outSize, h), Successful);
    std::vector<unsigned char> out(outSize);
    EXPECT_EQ(beEncodeChunk(h, 1, pcm.data(), out.data(), produced), Successful);
    EXPECT_EQ(beEncodeChunkFloat(h, 1, floats.data() + 1, out.data(), produced),
              InvalidFormatParameters);
    EXPECT_EQ(beEncodeChunk(h, 1, pcm.data() + 1, out.data(), produced), Successful);
    EXPECT_EQ(beEncodeChunkInt32(h, 2, wide.data() + 2, out.data(), produced), Successful);
    beCloseStream(h);
}

TEST(EncoderBinding, OneInputChannelGivesMonoMp3) {
    EncoderConfig c = makeConfig(64, 0);
    c.inputChannels = 1;
    std::uint32_t chunk = 0, out = 0;
    StreamHandle h = 0;
    ASSERT_EQ(beInitStream(c, chunk, out, h), Successful);
    EXPECT_EQ(chunk, framesPerChunk * samplesPerMpegFrame);
    beCloseStream(h);

    const auto d = decodeBytes(encodeAll(c, fixtures::sine(700, 2.0, 44100, 1)));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.frames.front().mode, 3);
    EXPECT_EQ(d.frames.front().bitrateKbps, 64);
    EXPECT_NEAR(fixtures::dominantFrequency(steady(d), 44100, 1), 700, 5);
}

TEST(EncoderBinding, EveryPresetKeepsRateModeAndBitrate) {
    for (int index = 0; index < 10; ++index) {
        const auto d = decodeBytes(
            encodeAll(makeConfig(32, qualityPresetCode(index)), fixtures::sine(300, 0.5)));
        ASSERT_TRUE(d.ok) << index;
        EXPECT_EQ(d.frames.front().rate, 44100) << index;
        EXPECT_EQ(d.frames.front().mode, 1) << index;
        EXPECT_EQ(d.frames.front().bitrateKbps, 32) << index;
    }
}

TEST(EncoderBinding, PhonePresetCutsWhatATelephoneCannotCarry) {
    const auto tone = fixtures::sine(6000, 2.0);
    const auto normal = decodeBytes(encodeAll(makeConfig(128, 0), tone));
    const auto phone = decodeBytes(encodeAll(makeConfig(128, 1000), tone));
    ASSERT_TRUE(normal.ok && phone.ok);
    EXPECT_GT(rms(normal.samples), 5000);
    EXPECT_LT(rms(phone.samples), rms(normal.samples) / 10);
}
