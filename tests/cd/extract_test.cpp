// Digital extraction of a track from a disc image: exact WAVs, gapless MP3s, and files that
// end properly when a read fails or the user cancels.
#include "discimage.h"
#include "fixtures.h"
#include "mp3decode.h"

#include "engine/cd/cdextract.h"
#include "engine/cd/disc.h"
#include "engine/cd/modakrip32.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/id3tag/id3tag.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int frameBytes = 2352;

class ExtractTest : public testing::Test {
  protected:
    void SetUp() override {
        cddrives::forgetImages();
        ASSERT_TRUE(dir.isValid());
        // Track 2 is one full read and one frame; track 4 is empty of frames by its range.
        image = writeDiscImage(dir.path(), QStringLiteral("disc"),
                               {{150, 440.0}, {27, 1000.0}, {300, 2000.0}});
        const auto registered = cddrives::registerImage(image.cuePath);
        ASSERT_TRUE(registered.ok()) << registered.error().description().toStdString();
        ASSERT_TRUE(modAKRip32::OpenCDDrive(registered->driveIndex));
        disc = readDisc(registered->driveIndex);
        ASSERT_TRUE(disc.toc);
    }
    void TearDown() override {
        for (const int fd : fds)
            ::close(fd);
        modAKRip32::CloseCurrentCD();
        cddrives::forgetImages();
    }

    ExtractRequest request(int track, const QString& name, bool mp3 = false) {
        const int i = disc.toc->indexOf(track);
        ExtractRequest r;
        r.handle = modAKRip32::currentCdHandle();
        r.startLba = disc.toc->trackStartLba[static_cast<std::size_t>(i)];
        r.endLba = disc.toc->trackEnd(i);
        r.outputPath = dir.filePath(name);
        r.outputFd = ::open(QFile::encodeName(r.outputPath).constData(),
                            O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        fds.push_back(r.outputFd);
        r.mp3 = mp3;
        return r;
    }

    Disc disc;
    std::vector<int> fds; // the files the requests write into
    QTemporaryDir dir;
    DiscImage image;
};

TEST_F(ExtractTest, WavIsTheTrackBehindAHeaderForItsLength) {
    int reports = 0;
    const auto out = ExtractTrackToWav(request(2, QStringLiteral("t2.wav")), {},
                                       [&reports](int, int) { ++reports; });
    EXPECT_EQ(out.status, ExtractOutcome::Status::Completed);
    EXPECT_EQ(reports, 2); // 26 frames, then 1
    const QByteArray wav = fixtures::readFile(dir.filePath(QStringLiteral("t2.wav")));
    ASSERT_EQ(wav.size(), 44 + 27 * frameBytes);
    EXPECT_EQ(fixtures::le32(wav, 40), 27u * frameBytes);
    EXPECT_EQ(fixtures::le32(wav, 24), 44100u);
    EXPECT_EQ(wav.mid(44), image.trackAudio(2));

    // A range with no frames: a header for no data, and no progress.
    ExtractRequest empty = request(1, QStringLiteral("empty.wav"));
    empty.endLba = empty.startLba;
    reports = 0;
    EXPECT_EQ(ExtractTrackToWav(empty, {}, [&reports](int, int) { ++reports; }).status,
              ExtractOutcome::Status::Completed);
    EXPECT_EQ(reports, 0);
    const QByteArray header = fixtures::readFile(dir.filePath(QStringLiteral("empty.wav")));
    ASSERT_EQ(header.size(), 44);
    EXPECT_EQ(fixtures::le32(header, 40), 0u);
}

TEST_F(ExtractTest, Mp3DecodesToExactlyTheTrackWithTheChosenFlags) {
    ExtractRequest r = request(3, QStringLiteral("t3.mp3"), true);
    r.config.crcFlag = -1;
    r.config.originalFlag = -1;
    ASSERT_EQ(ExtractTrackToMp3(r, {}, {}).status, ExtractOutcome::Status::Completed);
    const auto decoded = mp3decode::decodeFile(r.outputPath);
    ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
    EXPECT_EQ(decoded.rate, 44100);
    EXPECT_EQ(decoded.sampleFrames(), 300u * 588);
    EXPECT_NEAR(fixtures::dominantFrequency(decoded.samples, 44100, 2), 2000.0, 20.0);
    ASSERT_FALSE(decoded.frames.empty());
    EXPECT_TRUE(decoded.frames.back().crc);
    EXPECT_TRUE(decoded.frames.back().original);
    EXPECT_FALSE(decoded.frames.back().copyright);
}

TEST_F(ExtractTest, CancelAndReadFailureLeaveHeadersThatMatchTheData) {
    // Cancelled after the first chunk of track 3.
    std::atomic<bool> stop = false; // asked by the reading thread too
    const auto cancelled = ExtractTrackToWav(
        request(3, QStringLiteral("cancel.wav")), [&stop] { return stop.load(); },
        [&stop](std::int32_t, std::int32_t) { stop = true; });
    EXPECT_EQ(cancelled.status, ExtractOutcome::Status::Cancelled);
    QByteArray wav = fixtures::readFile(dir.filePath(QStringLiteral("cancel.wav")));
    ASSERT_EQ(wav.size(), 44 + 26 * frameBytes);
    EXPECT_EQ(fixtures::le32(wav, 40), 26u * frameBytes);
    EXPECT_EQ(fixtures::le32(wav, 4), 36u + 26 * frameBytes);

    // The data ends 100 frames into track 3, after the drive was opened.
    ASSERT_TRUE(QFile::resize(image.binPath, qint64(150 + 27 + 100) * frameBytes));
    for (const bool mp3 : {false, true}) {
        const QString name = mp3 ? QStringLiteral("short.mp3") : QStringLiteral("short.wav");
        ExtractRequest r = request(3, name, mp3);
        r.tags.title = QStringLiteral("Cut Short");
        const auto out = mp3 ? ExtractTrackToMp3(r, {}, {}) : ExtractTrackToWav(r, {}, {});
        EXPECT_EQ(out.status, ExtractOutcome::Status::ReadFailed) << mp3;
        // The table's text, with the reason: the sector, and what the reader found.
        EXPECT_TRUE(
            out.readErrorText.startsWith(QStringLiteral("An error was returned by the ASPI")));
        EXPECT_TRUE(out.readErrorText.contains(
            QStringLiteral("sector %1 is past the end of the image's data file")
                .arg(150 + 27 + 100)))
            << out.readErrorText.toStdString();
        EXPECT_EQ(out.framesDone, 100); // every frame the data holds, the failed read's too
        EXPECT_EQ(out.failedLba, 150 + 27 + 100);
        if (mp3) {
            EXPECT_EQ(mp3decode::decodeFile(r.outputPath).sampleFrames(), 100u * 588);
            // What was written is tagged, a cut track too.
            const auto frames = id3tag::readFrames(r.outputPath);
            ASSERT_TRUE(frames.ok());
            ASSERT_FALSE(frames->empty());
            EXPECT_EQ(frames->front().text, QStringLiteral("Cut Short"));
        } else {
            wav = fixtures::readFile(r.outputPath);
            ASSERT_EQ(wav.size(), 44 + 100 * frameBytes);
            EXPECT_EQ(fixtures::le32(wav, 40), 100u * frameBytes);
            EXPECT_EQ(wav.mid(44), image.trackAudio(3).left(100 * frameBytes));
        }
    }
}

} // namespace
