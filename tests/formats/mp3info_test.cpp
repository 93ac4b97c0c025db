#include "apetag.h"
#include "engine/formats/mp3info.h"
#include "engine/platform/error.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "mp3fixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <tuple>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

void putBigEndian(QByteArray& data, qsizetype at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        data[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// `size` zero bytes with the 4-byte frame `header` at `at`.
QByteArray frameFile(qsizetype size, const QByteArray& header, qsizetype at = 0) {
    QByteArray data(size, '\0');
    data.replace(at, header.size(), header);
    return data;
}

// A stereo MPEG-1 Layer III file starting with a Xing frame: `flags` then `frames`.
QByteArray xingFile(qsizetype size, std::uint32_t frames, std::uint32_t flags = 0xF) {
    QByteArray data = frameFile(size, bytes({0xFF, 0xFB, 0x90, 0x64}));
    data.replace(36, 4, "Xing");
    putBigEndian(data, 40, flags);
    putBigEndian(data, 44, frames);
    return data;
}

// An ID3v1.1 block: 128 bytes starting with `marker`.
QByteArray tagBlock(const QByteArray& marker, const QByteArray& title, const QByteArray& artist,
                    const QByteArray& album, const QByteArray& year, const QByteArray& comment,
                    char track, char genre) {
    auto field = [](QByteArray text, qsizetype size, char fill) {
        return text.leftJustified(size, fill, true);
    };
    return marker + field(title, 30, ' ') + field(artist, 30, '\0') + field(album, 30, ' ') +
           field(year, 4, ' ') + field(comment, 29, ' ') + track + genre;
}

auto headerValues(const Mp3HeaderRecord& r) {
    return std::tuple(r.bitRateKbps, r.samplingFrequencyHz, r.mode, r.emphasis, r.mpegVersion,
                      r.layer, r.padding, r.crc, r.durationSeconds, r.copyright, r.original,
                      r.privateBit);
}

class Mp3InfoTest : public testing::Test {
  protected:
    QString write(const QByteArray& data, const char* name = "t.mp3") {
        const QString p = dir.filePath(QLatin1String(name));
        fixtures::writeFile(p, data);
        return p;
    }
    // The number of the VortanError ReadMp3Info raises; 0 when it raises none.
    static int errorOf(const QString& path, Mp3HeaderRecord& record) {
        try {
            ReadMp3Info(path, true, true, record);
        } catch (const VortanError& e) {
            return e.number();
        }
        return 0;
    }
    QTemporaryDir dir;
};

TEST_F(Mp3InfoTest, ConstantBitrateHeaderIsDecoded) {
    // A decoy MPEG-2 frame start before the real one, which starts at the 1,000th byte.
    QByteArray data = frameFile(4'000'000, bytes({0xFF, 0xFB, 0x90, 0x64}), 999);
    data.replace(10, 2, bytes({0xFF, 0xF3}));
    const QString path = write(data);
    EXPECT_EQ(ScanFrameAndTag(path, false, true),
              QStringLiteral("11111111111110111001000001100100"));
    EXPECT_EQ(BitsToNumber(ScanFrameAndTag(path, false, true)), 0xFFFB9064u);

    Mp3HeaderRecord r;
    r.tagPresent = true; // from an earlier file
    r.title = QStringLiteral("old");
    r.genre = 7;
    ReadMp3Info(path, true, true, r);
    EXPECT_EQ(r.mpegVersion, 1);
    EXPECT_EQ(r.layer, 3);
    EXPECT_EQ(r.bitRateKbps, 128);
    EXPECT_EQ(r.samplingFrequencyHz, 44100);
    EXPECT_EQ(r.durationSeconds, 250);
    EXPECT_EQ(r.mode, QStringLiteral("joint stereo"));
    EXPECT_EQ(r.emphasis, QStringLiteral("no"));
    EXPECT_EQ(r.padding, QStringLiteral("no"));
    EXPECT_EQ(r.privateBit, QStringLiteral("no"));
    EXPECT_EQ(r.copyright, QStringLiteral("no"));
    EXPECT_EQ(r.original, QStringLiteral("yes"));
    EXPECT_EQ(r.crc, QStringLiteral("no"));
    EXPECT_FALSE(r.vbr);
    EXPECT_FALSE(r.tagPresent);
    EXPECT_TRUE(r.title.isEmpty());
    EXPECT_EQ(r.genre, 255);

    // The other values of each field: FF FA (CRC), 48 kHz, padding, private, single channel,
    // copyright, copy, CCITT J 17.
    ReadMp3Info(write(frameFile(4000, bytes({0xFF, 0xFA, 0x97, 0xCB}))), false, true, r);
    EXPECT_EQ(r.crc, QStringLiteral("yes"));
    EXPECT_EQ(r.samplingFrequencyHz, 48000);
    EXPECT_EQ(r.padding, QStringLiteral("yes"));
    EXPECT_EQ(r.privateBit, QStringLiteral("yes"));
    EXPECT_EQ(r.mode, QStringLiteral("single channel"));
    EXPECT_EQ(r.copyright, QStringLiteral("yes"));
    EXPECT_EQ(r.original, QStringLiteral("no"));
    EXPECT_EQ(r.emphasis, QStringLiteral("CCITT J 17"));
}

TEST_F(Mp3InfoTest, FilesOf256MegabytesAndMoreAreMeasured) {
    const QString path = write(frameFile(4000, bytes({0xFF, 0xFB, 0x90, 0x64})));
    QFile file(path);
    ASSERT_TRUE(file.resize(3'000'000'000)); // sparse: costs no disk
    Mp3HeaderRecord r;
    ReadMp3Info(path, true, true, r);
    EXPECT_EQ(r.durationSeconds, 187'500); // 3e9 x 8 / 128 kbit/s
}

TEST_F(Mp3InfoTest, FrameStartIsSearchedInTheFirst5000Bytes) {
    const QByteArray header = bytes({0xFF, 0xFB, 0x90, 0x64});
    Mp3HeaderRecord r;
    ReadMp3Info(write(frameFile(6000, header, 4999)), true, true, r);
    EXPECT_EQ(r.bitRateKbps, 128);

    // Not found: the header values become the empty header, the tag is still read.
    QByteArray late = frameFile(6000, header, 5000);
    late.replace(6000 - 128, 128, tagBlock("TAG", "Late", "", "", "", "", 0, 12));
    const QString path = write(late);
    EXPECT_TRUE(ScanFrameAndTag(path, false, true, r).isEmpty());
    EXPECT_EQ(errorOf(path, r), VortanError::InvalidArgument);
    EXPECT_EQ(headerValues(r), headerValues(Mp3HeaderRecord{}));
    EXPECT_EQ(r.title, QStringLiteral("Late"));

    // A frame start whose header the file cuts off is none either.
    ReadMp3Info(write(frameFile(4000, header)), true, true, r);
    EXPECT_EQ(errorOf(write(frameFile(300, header, 297).left(299)), r),
              VortanError::InvalidArgument);
    EXPECT_EQ(r.layer, 0);
}

TEST_F(Mp3InfoTest, XingFilesGetTheirAverageBitRateAndDuration) {
    // Made by LAME in VBR mode; the mono Xing header sits at frame offset 21, not 36.
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        const auto samples = fixtures::sine(440, 12, 44100, channels);
        const QString path = write(fixtures::mp3VbrBytes(samples, 44100, channels, 2));
        const auto decoded = mp3decode::decodeFile(path);
        ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
        Mp3HeaderRecord r;
        ReadMp3Info(path, true, true, r);
        EXPECT_TRUE(r.vbr);
        EXPECT_EQ(r.vbrFrameCount, static_cast<std::int64_t>(decoded.frames.size()));
        EXPECT_EQ(r.durationSeconds, 12);
        // The average of the audio frames' own bit rates; the Xing frame and the encoder's
        // padding make up a little of the file too.
        double sum = 0;
        for (const auto& frame : decoded.frames)
            sum += frame.bitrateKbps;
        EXPECT_NEAR(r.bitRateKbps, sum / decoded.frames.size(), 2);
    }

    // 9,000 frames in 5,000,000 bytes: 170.14 kbit/s, 235.1 s; more frames than 16 bits hold.
    Mp3HeaderRecord r;
    ReadMp3Info(write(xingFile(5'000'000, 9000)), true, true, r);
    EXPECT_EQ(r.bitRateKbps, 170);
    EXPECT_EQ(r.durationSeconds, 235);
    ReadMp3Info(write(xingFile(5'000'000, 40'000)), true, true, r);
    EXPECT_EQ(r.vbrFrameCount, 40'000);
    EXPECT_EQ(r.bitRateKbps, 38); // 38.27
    EXPECT_EQ(r.durationSeconds, 1044);
    // Halves go to the even neighbour: 6,480 and 6,640 bytes of 49 frames are 40.5 and 41.5.
    for (auto [size, rate] : {std::pair{6480, 40}, std::pair{6640, 42}}) {
        ReadMp3Info(write(xingFile(size, 49)), true, true, r);
        EXPECT_EQ(r.bitRateKbps, rate) << size;
    }
}

TEST_F(Mp3InfoTest, UnmeasurableFilesRaiseAndKeepTheHeaderValues) {
    const QString good = write(frameFile(4'000'000, bytes({0xFF, 0xFB, 0x90, 0x64})), "good.mp3");
    Mp3HeaderRecord r;
    ReadMp3Info(good, true, true, r);
    const auto before = headerValues(r);

    const struct {
        const char* what;
        QByteArray data;
        int error;
    } cases[] = {
        {"bitrate index 15", frameFile(4000, bytes({0xFF, 0xFB, 0xF0, 0x64})),
         VortanError::InvalidArgument},
        {"free format", frameFile(4000, bytes({0xFF, 0xFB, 0x00, 0x64})),
         VortanError::InvalidArgument},
        {"frame count 0", xingFile(4000, 0), VortanError::InvalidArgument},
        {"no frame count in the flags", xingFile(4000, 9000, 0xE), VortanError::InvalidArgument},
        {"average above 16 bits", xingFile(5'000'000, 1), VortanError::Overflow},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorOf(write(c.data), r), c.error) << c.what;
        EXPECT_EQ(headerValues(r), before) << c.what;
    }
    EXPECT_EQ(errorOf(dir.filePath(QStringLiteral("missing.mp3")), r), VortanError::FileNotFound);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.mp3"))));

    // A file of 255 bytes is no MP3: nothing changes, nothing is raised.
    QByteArray small = frameFile(255, bytes({0xFF, 0xFB, 0x50, 0x64}));
    small.replace(255 - 128, 128, tagBlock("TAG", "Small", "", "", "", "", 0, 1));
    r.title = QStringLiteral("kept");
    EXPECT_EQ(errorOf(write(small), r), 0);
    EXPECT_EQ(headerValues(r), before);
    EXPECT_EQ(r.title, QStringLiteral("kept"));
}

TEST_F(Mp3InfoTest, TagFieldsAreCutFromTheTagBlock) {
    const QByteArray audio = frameFile(2000, bytes({0xFF, 0xFB, 0x90, 0x64}));
    Mp3HeaderRecord r;

    // Blanks end a text, zero bytes stay; a space as genre byte is genre 32.
    ReadMp3Info(write(audio + tagBlock("TAG", "Abcd", "Xy", QByteArray(30, 'a'), "2002",
                                       "twenty-nine characters long!!", 7, ' ')),
                true, false, r);
    EXPECT_TRUE(r.tagPresent);
    EXPECT_EQ(r.title, QStringLiteral("Abcd"));
    EXPECT_EQ(r.artist, QStringLiteral("Xy") + QString(28, QChar(0)));
    EXPECT_EQ(r.album, QString(30, QLatin1Char('a')));
    EXPECT_EQ(r.year, QStringLiteral("2002"));
    EXPECT_EQ(r.comment, QStringLiteral("twenty-nine characters long!!"));
    EXPECT_EQ(r.track, QString(QChar(7)));
    EXPECT_EQ(r.genre, 32);
    EXPECT_EQ(r.layer, 0); // the header was not asked for

    // Latin-1 bytes are their own characters.
    ReadMp3Info(write(audio + tagBlock("TAG", "Caf\xE9", "", "", "", "", 0, '\xFF')), true, true,
                r);
    EXPECT_TRUE(r.tagPresent);
    EXPECT_EQ(r.title, QStringLiteral("Caf\u00E9"));
    EXPECT_EQ(r.genre, 255);
}

// An ID3v1 tag is the block that starts with "TAG" at the very end and nothing else: an
// APEv2 tag there (whose "APETAGEX" holds the letters), a lower-case marker or a block
// elsewhere leaves the file without one, and no field of another tag is taken.
TEST_F(Mp3InfoTest, OnlyTheBlockAtTheVeryEndIsAnId3v1Tag) {
    const QByteArray audio = frameFile(2000, bytes({0xFF, 0xFB, 0x90, 0x64}));
    const QByteArray ape = fixtures::apeTag({{"Title", QByteArray(34, 't')}});
    ASSERT_EQ(ape.size(), 112);
    Mp3HeaderRecord r;
    const QByteArray none[] = {
        audio + ape,
        audio + tagBlock("tag", "lower", "", "", "", "", 0, 1),
        audio + tagBlock("TAG", "early", "", "", "", "", 0, 1) + QByteArray(40, ' '),
        // "TAG" 128 bytes before the end, inside an APEv2 item.
        audio + fixtures::apeTag({{"Comment", QByteArray(4, 'c') + "TAG" + QByteArray(93, 'c')}}),
    };
    for (const QByteArray& data : none) {
        r.tagPresent = true;
        r.title = QStringLiteral("kept from before");
        ReadMp3Info(write(data), true, true, r);
        EXPECT_FALSE(r.tagPresent) << data.right(128).toStdString();
        EXPECT_TRUE(r.title.isEmpty());
        EXPECT_TRUE(r.album.isEmpty());
        EXPECT_EQ(r.genre, 255);
    }
    ASSERT_EQ(none[3].mid(none[3].size() - 128, 3), "TAG");

    // An APEv2 tag before the ID3v1 block leaves the block what it is.
    ReadMp3Info(write(audio + ape + tagBlock("TAG", "Real", "", "", "", "", 0, 3)), true, true, r);
    EXPECT_TRUE(r.tagPresent);
    EXPECT_EQ(r.title, QStringLiteral("Real"));
    EXPECT_EQ(r.genre, 3);
    EXPECT_EQ(r.bitRateKbps, 128);
}

TEST_F(Mp3InfoTest, DamagedAndTruncatedFilesNeverCrash) {
    QByteArray base = fixtures::mp3VbrBytes(fixtures::sine(440, 1, 44100, 2), 44100, 2, 4) +
                      tagBlock("TAG", "Title", "Artist", "", "1999", "", 1, 2);
    ASSERT_GT(base.size(), 5200);
    std::mt19937 random(20240611);
    auto below = [&random](qsizetype n) {
        return static_cast<qsizetype>(random() % static_cast<std::uint32_t>(n));
    };
    const QString path = dir.filePath(QStringLiteral("damaged.mp3"));
    int measured = 0;
    for (int i = 0; i < 1500; ++i) {
        QByteArray data = base;
        if (i % 3 == 0) // truncated, often near the frame search's and the tag's edges
            data.truncate(below(i % 2 ? 5200 : data.size()));
        for (int n = i % 12; n > 0 && !data.isEmpty(); --n) {
            const qsizetype at =
                n % 2 ? below(std::min<qsizetype>(64, data.size())) : below(data.size());
            data[at] = static_cast<char>(n % 4 ? random() : 0xFF);
        }
        if (i % 5 == 0 && data.size() > 300) // a frame start anywhere, even at the very end
            data.replace(below(data.size() - 1), 2, bytes({0xFF, 0xFB}));
        QFile::remove(path); // a new file each time: rewriting one in place syncs it on close
        fixtures::writeFile(path, data);
        Mp3HeaderRecord r;
        try {
            ReadMp3Info(path, true, true, r);
            if (data.size() < 256) {
                EXPECT_EQ(headerValues(r), headerValues(Mp3HeaderRecord{}));
                continue;
            }
            ++measured;
            EXPECT_GE(r.bitRateKbps, 0); // a damaged frame count may average below 1
            EXPECT_EQ(r.layer, 3);
        } catch (const VortanError&) {
        }
    }
    EXPECT_GT(measured, 0);
}

} // namespace
