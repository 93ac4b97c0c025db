#include "engine/formats/clsfileio.h"
#include "engine/formats/wavreader.h"
#include "engine/platform/error.h"
#include "fixtures.h"
#include "syncfault.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

using fixtures::le16;
using fixtures::le32;

namespace {

class FileIoTest : public testing::Test {
  protected:
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

TEST_F(FileIoTest, HeaderBytesAreCdFormat) {
    for (std::int32_t length : {0, 2352000}) {
        const QString p = path("h.wav");
        {
            clsFileIo io;
            ASSERT_TRUE(io.OpenFile(p, FileUse::Write));
            ASSERT_TRUE(io.writeWavHeader(length));
            EXPECT_NE(io.lastResult, 0);
            io.CloseFile();
        }
        const QByteArray b = fixtures::readFile(p);
        ASSERT_EQ(b.size(), 44);
        EXPECT_EQ(b.left(4), QByteArray("RIFF"));
        EXPECT_EQ(le32(b, 4), std::uint32_t(length) + 36);
        EXPECT_EQ(b.mid(8, 8), QByteArray("WAVEfmt "));
        EXPECT_EQ(le32(b, 16), 16u);
        EXPECT_EQ(le16(b, 20), 1);
        EXPECT_EQ(le16(b, 22), 2);
        EXPECT_EQ(le32(b, 24), 44100u);
        EXPECT_EQ(le32(b, 28), 176400u);
        EXPECT_EQ(le16(b, 32), 4);
        EXPECT_EQ(le16(b, 34), 16);
        EXPECT_EQ(b.mid(36, 4), QByteArray("data"));
        EXPECT_EQ(le32(b, 40), std::uint32_t(length));
    }
}

TEST_F(FileIoTest, HeaderLengthOverflowRaisesBeforeWriting) {
    clsFileIo io;
    ASSERT_TRUE(io.OpenFile(path("big.wav"), FileUse::Write));
    EXPECT_TRUE(io.writeWavHeader(clsFileIo::maxWavDataLength));
    for (const std::int32_t length : {clsFileIo::maxWavDataLength + 1, -1, INT32_MIN}) {
        try {
            io.writeWavHeader(length);
            ADD_FAILURE() << "no overflow error for " << length;
        } catch (const VortanError& e) {
            EXPECT_EQ(e.number(), VortanError::Overflow) << length;
        }
    }
    io.CloseFile();
    const QByteArray b = fixtures::readFile(path("big.wav"));
    ASSERT_EQ(b.size(), 44); // only the first header
    EXPECT_EQ(le32(b, 4), 2147483639u);
}

TEST_F(FileIoTest, WriteTruncatesReadKeepsContent) {
    const QString p = path("out.mp3");
    fixtures::writeFile(p, QByteArray(1000, 'x'));
    {
        clsFileIo io;
        ASSERT_TRUE(io.OpenFile(p, FileUse::Read));
        char buf[8];
        EXPECT_NE(io.ReadBytes(buf, 8), 0);
        EXPECT_EQ(io.bytesTransferred, 8);
        EXPECT_FALSE(io.WriteBytes("y", 1)); // read-only use
        io.CloseFile();
    }
    EXPECT_EQ(QFile(p).size(), 1000);
    {
        clsFileIo io;
        ASSERT_TRUE(io.OpenFile(p, FileUse::Write));
        ASSERT_TRUE(io.WriteBytes("new", 3));
        EXPECT_EQ(io.bytesTransferred, 3);
        io.CloseFile();
    }
    EXPECT_EQ(fixtures::readFile(p), QByteArray("new")); // no old tail
}

TEST_F(FileIoTest, OpenCreatesForWritingButNotForReading) {
    clsFileIo reader;
    EXPECT_FALSE(reader.OpenFile(path("missing.wav"), FileUse::Read));
    EXPECT_EQ(reader.handle, -1);
    EXPECT_TRUE(reader.fileName.isEmpty());
    EXPECT_FALSE(QFile::exists(path("missing.wav")));

    clsFileIo writer;
    EXPECT_TRUE(writer.OpenFile(path("new.wav"), FileUse::Write));
    EXPECT_EQ(writer.fileName, path("new.wav"));
    EXPECT_EQ(QFile(path("new.wav")).size(), 0);
}

TEST_F(FileIoTest, SecondOpenOfTheSameFileFails) {
    const QString p = path("locked.wav");
    clsFileIo first;
    ASSERT_TRUE(first.OpenFile(p, FileUse::Write));
    ASSERT_TRUE(first.WriteBytes("abcd", 4));

    clsFileIo second;
    EXPECT_FALSE(second.OpenFile(p, FileUse::Write));
    EXPECT_FALSE(second.OpenFile(p, FileUse::Read));
    EXPECT_EQ(fixtures::readFile(p), QByteArray("abcd")); // the failed open did not cut it

    // Another process is refused too.
    QProcess flock;
    flock.start(QStringLiteral("flock"), {QStringLiteral("-n"), p, QStringLiteral("true")});
    ASSERT_TRUE(flock.waitForFinished(10000));
    EXPECT_NE(flock.exitCode(), 0);

    first.CloseFile();
    EXPECT_TRUE(second.OpenFile(p, FileUse::Read));
}

TEST_F(FileIoTest, NeverOpenedInstanceDoesNothing) {
    clsFileIo io;
    char buf[4];
    EXPECT_FALSE(io.CloseFile());
    EXPECT_FALSE(io.WriteBytes("x", 1));
    EXPECT_EQ(io.ReadBytes(buf, 4), 0);
    EXPECT_FALSE(io.FlushBuffers());
    EXPECT_FALSE(io.writeWavHeader(0));
    EXPECT_EQ(io.handle, 0);
}

TEST_F(FileIoTest, ShortReadAndDoubleClose) {
    const QString p = path("short.bin");
    fixtures::writeFile(p, QByteArray("12345"));
    clsFileIo io;
    ASSERT_TRUE(io.OpenFile(p, FileUse::Read));
    char buf[10];
    std::memset(buf, '#', sizeof buf);
    EXPECT_NE(io.ReadBytes(buf, 10), 0);
    EXPECT_EQ(io.bytesTransferred, 5);
    EXPECT_EQ(QByteArray(buf, 10), QByteArray("12345#####"));
    EXPECT_NE(io.ReadBytes(buf, 10), 0); // at end of file: success, nothing read
    EXPECT_EQ(io.bytesTransferred, 0);
    EXPECT_TRUE(io.CloseFile());
    EXPECT_NE(io.lastResult, 0);
    EXPECT_FALSE(io.CloseFile()); // a second close closes nothing
    EXPECT_EQ(io.fileName, p);    // neither field is reset
    EXPECT_EQ(io.ReadBytes(buf, 1), 0);
}

TEST_F(FileIoTest, PositionalWriteRewritesTheStartAndKeepsThePosition) {
    const QString p = path("tagged.mp3");
    clsFileIo io;
    ASSERT_TRUE(io.OpenFile(p, FileUse::Write));
    ASSERT_TRUE(io.WriteBytes("abcdef", 6));
    ASSERT_TRUE(io.WriteBytesAt(0, "XY", 2));
    EXPECT_EQ(io.bytesTransferred, 2);
    ASSERT_TRUE(io.WriteBytes("gh", 2)); // appends where the last plain write ended
    EXPECT_FALSE(io.WriteBytesAt(-1, "Z", 1));
    EXPECT_EQ(io.lastError, EINVAL);
    EXPECT_TRUE(io.CloseFile());
    EXPECT_FALSE(io.WriteBytesAt(0, "Z", 1)); // closed
    EXPECT_EQ(fixtures::readFile(p), QByteArray("XYcdefgh"));
}

TEST_F(FileIoTest, RefusedFlushOrWriteFailsTheOperationWithTheSystemsReason) {
    clsFileIo io;
    ASSERT_TRUE(io.OpenFile(path("flush.wav"), FileUse::Write));
    {
        fixtures::FailingFlush refuse(EIO);
        EXPECT_FALSE(io.writeWavHeader(0));
        EXPECT_EQ(io.lastResult, 0);
        EXPECT_EQ(io.lastError, EIO);
        io.lastError = 0;
        EXPECT_FALSE(io.WriteBytes("abcd", 4));
        EXPECT_EQ(io.lastError, EIO);
        io.lastError = 0;
        EXPECT_FALSE(io.WriteBytesAt(0, "RIFF", 4));
        EXPECT_EQ(io.lastError, EIO);
        EXPECT_FALSE(io.FlushBuffers());
        EXPECT_EQ(refuse.refused(), 4);
    }
    EXPECT_TRUE(io.WriteBytes("efgh", 4));
    EXPECT_NE(io.lastResult, 0);
    EXPECT_TRUE(io.CloseFile());

    clsFileIo reader; // a write to a file opened for reading is refused by the system
    ASSERT_TRUE(reader.OpenFile(path("flush.wav"), FileUse::Read));
    EXPECT_FALSE(reader.WriteBytes("x", 1));
    EXPECT_EQ(reader.lastError, EBADF);
    clsFileIo missing;
    EXPECT_FALSE(missing.OpenFile(path("no/such/dir.wav"), FileUse::Write));
    EXPECT_EQ(missing.lastError, ENOENT);
}

// RIFF reader -------------------------------------------------------------------------

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray b(id, 4);
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>(n >> (8 * i)));
    b.append(body);
    if (body.size() & 1)
        b.append('\0');
    return b;
}

QByteArray riff(const QByteArray& chunks) {
    QByteArray b("RIFF");
    const auto n = static_cast<std::uint32_t>(chunks.size() + 4);
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>(n >> (8 * i)));
    return b + "WAVE" + chunks;
}

QByteArray fmtBody(int channels, int rate, int bits, int tag = 1) {
    const QByteArray wav = fixtures::wavBytes({}, rate, channels);
    QByteArray body = wav.mid(20, 16);
    body[0] = static_cast<char>(tag);
    body[1] = static_cast<char>(tag >> 8);
    body[14] = static_cast<char>(bits);
    return body;
}

TEST_F(FileIoTest, RiffReaderFindsChunksPastOthersAndOddPadding) {
    const QByteArray audio(4000, '\x11');
    fixtures::writeFile(path("odd.wav"),
                        riff(chunk("LIST", QByteArray(7, 'a')) +
                             chunk("fmt ", fmtBody(1, 48000, 16)) +
                             chunk("fact", QByteArray(3, 'b')) + chunk("data", audio)));
    auto r = readWavFormat(path("odd.wav"));
    ASSERT_TRUE(r.ok()) << r.error().description().toStdString();
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(r->sampleRate, 48000u);
    EXPECT_EQ(r->bitsPerSample, 16);
    EXPECT_TRUE(r->isPcm16());
    EXPECT_FALSE(r->isCdFormat());
    EXPECT_EQ(r->dataOffset, 12 + 16 + 8 + 16 + 8 + 4 + 8);
    EXPECT_EQ(r->dataLength, 4000);

    fixtures::writeFile(path("cd.wav"), fixtures::wavBytes(fixtures::sine(440, 0.1)));
    auto cd = readWavFormat(path("cd.wav"));
    ASSERT_TRUE(cd.ok());
    EXPECT_TRUE(cd->isCdFormat());
    EXPECT_EQ(cd->dataOffset, 44);
    EXPECT_EQ(cd->frameCount(), 4410);
}

TEST_F(FileIoTest, RiffReaderRejectsDamagedFiles) {
    const QByteArray good = fixtures::wavBytes(fixtures::sine(440, 0.01));
    const struct {
        const char* name;
        QByteArray bytes;
    } bad[] = {
        {"empty", {}},
        {"text", QByteArray("hello, this is not a wave file at all")},
        {"header cut", good.left(30)},
        {"no data", riff(chunk("fmt ", fmtBody(2, 44100, 16)))},
        {"short fmt", riff(chunk("fmt ", QByteArray(8, '\0')) + chunk("data", "abcd"))},
        {"data first", riff(chunk("data", "abcd") + chunk("fmt ", fmtBody(2, 44100, 16)))},
        {"zero channels", riff(chunk("fmt ", fmtBody(0, 44100, 16)) + chunk("data", "abcd"))},
        {"chunk past end", riff(chunk("fmt ", fmtBody(2, 44100, 16))) + "LIST\xff\xff\x00\x00"},
    };
    for (const auto& c : bad) {
        fixtures::writeFile(path("bad.wav"), c.bytes);
        auto r = readWavFormat(path("bad.wav"));
        EXPECT_FALSE(r.ok()) << c.name;
        EXPECT_FALSE(r.error().description().isEmpty()) << c.name;
    }
    EXPECT_FALSE(readWavFormat(path("nothing-here.wav")).ok());
}

TEST_F(FileIoTest, RiffReaderClampsTruncatedDataAndReportsCompressed) {
    QByteArray cut = fixtures::wavBytes(fixtures::sine(440, 0.1));
    cut.chop(1000);
    fixtures::writeFile(path("cut.wav"), cut);
    auto r = readWavFormat(path("cut.wav"));
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r->dataTruncated);
    EXPECT_EQ(r->dataLength, 4410 * 4 - 1000);

    fixtures::writeFile(path("adpcm.wav"),
                        riff(chunk("fmt ", fmtBody(2, 44100, 4, 2)) + chunk("data", "abcd")));
    auto adpcm = readWavFormat(path("adpcm.wav"));
    ASSERT_TRUE(adpcm.ok());
    EXPECT_FALSE(adpcm->isPcm());
}

} // namespace
