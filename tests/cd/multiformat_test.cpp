// A track read once into several formats: the WAV and the MP3 are the files their own
// extractions write, the FLAC holds the track's audio exactly, and an output whose encoder
// refuses or whose file takes no more fails the track while the others finish.
#include "discimage.h"
#include "fixtures.h"
#include "mp3decode.h"

#include "engine/cd/cdextract.h"
#include "engine/cd/disc.h"
#include "engine/cd/modakrip32.h"
#include "engine/platform/akrip/cddrives.h"

#include "toolrun.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using pipeline::OutputFormat;

class MultiFormatTest : public testing::Test {
  protected:
    void SetUp() override {
        cddrives::forgetImages();
        ASSERT_TRUE(dir.isValid());
        image = writeDiscImage(dir.path(), QStringLiteral("disc"), {{150, 440.0}, {40, 1000.0}});
        const auto registered = cddrives::registerImage(image.cuePath);
        ASSERT_TRUE(registered.ok());
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

    int open(const QString& name) {
        const int fd = ::open(QFile::encodeName(dir.filePath(name)).constData(),
                              O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        fds.push_back(fd);
        return fd;
    }
    // Track `track` into the files `names`, in `formats` (none: one output, `names[0]`).
    ExtractRequest request(int track, const std::vector<OutputFormat>& formats,
                           const QStringList& names) {
        const int i = disc.toc->indexOf(track);
        ExtractRequest r;
        r.track = track;
        r.handle = modAKRip32::currentCdHandle();
        r.startLba = disc.toc->trackStartLba[static_cast<std::size_t>(i)];
        r.endLba = disc.toc->trackEnd(i);
        r.tags.title = QStringLiteral("Title");
        r.tags.trackNumber = track;
        r.formats = formats;
        for (const QString& name : names) {
            r.formatFds.push_back(open(name));
            r.formatPaths.push_back(dir.filePath(name));
        }
        r.outputFd = r.formatFds.front();
        r.outputPath = r.formatPaths.front();
        return r;
    }
    // The FLAC's samples as raw CD audio; empty when flac cannot decode it.
    static QByteArray flacAudio(const QString& path) {
        const ToolRun flac =
            runTool(QStringLiteral("flac"),
                    {QStringLiteral("-d"), QStringLiteral("-s"), QStringLiteral("-c"),
                     QStringLiteral("--force-raw-format"), QStringLiteral("--endian=little"),
                     QStringLiteral("--sign=signed"), path});
        return flac.ok() ? flac.out : QByteArray();
    }

    Disc disc;
    std::vector<int> fds;
    QTemporaryDir dir;
    DiscImage image;
};

TEST_F(MultiFormatTest, WavAndMp3AreTheFilesTheirOwnExtractionsWriteAndTheFlacIsExact) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const ExtractOutcome together = ExtractTrackToFormats(
        request(1, {OutputFormat::Mp3, OutputFormat::Wav, OutputFormat::Flac},
                {QStringLiteral("t.mp3"), QStringLiteral("t.wav"), QStringLiteral("t.flac")}),
        {}, {});
    ASSERT_EQ(together.status, ExtractOutcome::Status::Completed)
        << together.error.description().toStdString();
    ASSERT_EQ(together.outputs.size(), 3u);
    for (const FormatOutput& output : together.outputs)
        EXPECT_TRUE(output.failure.isEmpty()) << output.failure.toStdString();
    EXPECT_EQ(together.framesDone, 150);

    ExtractRequest wav = request(1, {}, {QStringLiteral("alone.wav")});
    ASSERT_EQ(ExtractTrackToWav(wav, {}, {}).status, ExtractOutcome::Status::Completed);
    ExtractRequest mp3 = request(1, {}, {QStringLiteral("alone.mp3")});
    mp3.mp3 = true;
    const ExtractOutcome alone = ExtractTrackToMp3(mp3, {}, {});
    ASSERT_EQ(alone.status, ExtractOutcome::Status::Completed);
    EXPECT_EQ(alone.sums.crc32, together.sums.crc32);

    EXPECT_TRUE(fixtures::readFile(dir.filePath(QStringLiteral("t.wav"))) ==
                fixtures::readFile(dir.filePath(QStringLiteral("alone.wav"))));
    EXPECT_TRUE(fixtures::readFile(dir.filePath(QStringLiteral("t.mp3"))) ==
                fixtures::readFile(dir.filePath(QStringLiteral("alone.mp3"))));
    EXPECT_TRUE(flacAudio(dir.filePath(QStringLiteral("t.flac"))) == image.trackAudio(1));
}

TEST_F(MultiFormatTest, AnOutputItsEncoderRefusesFailsTheTrackWhileTheOthersFinish) {
    if (QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty())
        GTEST_SKIP() << "flac is not installed";
    // LAME takes no bitrate of 0 kbit/s: the MP3 is refused before anything is read.
    ExtractRequest r =
        request(2, {OutputFormat::Flac, OutputFormat::Mp3, OutputFormat::Wav},
                {QStringLiteral("f.flac"), QStringLiteral("f.mp3"), QStringLiteral("f.wav")});
    r.config = modLAME::makeConfig(0, 0);
    const ExtractOutcome out = ExtractTrackToFormats(r, {}, {});
    EXPECT_EQ(out.status, ExtractOutcome::Status::Failed);
    ASSERT_EQ(out.outputs.size(), 3u);
    EXPECT_TRUE(out.outputs[0].failure.isEmpty());
    EXPECT_FALSE(out.outputs[1].failure.isEmpty());
    EXPECT_EQ(out.error.description(), out.outputs[1].failure);
    EXPECT_TRUE(out.outputs[2].failure.isEmpty());
    EXPECT_TRUE(out.outputCreated);
    EXPECT_EQ(out.framesDone, 40);
    EXPECT_TRUE(flacAudio(dir.filePath(QStringLiteral("f.flac"))) == image.trackAudio(2));
    EXPECT_TRUE(fixtures::readFile(dir.filePath(QStringLiteral("f.wav"))).mid(44) ==
                image.trackAudio(2));

    // Every output refused: nothing is read, nothing kept.
    ExtractRequest none = request(2, {OutputFormat::Mp3}, {QStringLiteral("n.mp3")});
    none.config = modLAME::makeConfig(0, 0);
    const ExtractOutcome refused = ExtractTrackToFormats(none, {}, {});
    EXPECT_EQ(refused.status, ExtractOutcome::Status::Failed);
    EXPECT_FALSE(refused.outputCreated);
    EXPECT_EQ(refused.framesDone, 0);
}

// A file that takes no more (a file-size limit stands for a full disk) fails its output with
// the reason, found while the output is written on its own thread; the other output is
// written whole.
TEST_F(MultiFormatTest, AnOutputWhoseFileTakesNoMoreFailsAloneWithItsReason) {
    ExtractRequest r = request(1, {OutputFormat::Wav, OutputFormat::Mp3},
                               {QStringLiteral("full.wav"), QStringLiteral("fine.mp3")});
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 200 * 1024; // the WAV takes 353 KB, the MP3 about 40 KB
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ExtractOutcome out = ExtractTrackToFormats(r, {}, {});
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(out.status, ExtractOutcome::Status::Failed);
    ASSERT_EQ(out.outputs.size(), 2u);
    EXPECT_TRUE(out.outputs[0].failure.startsWith(dir.filePath(QStringLiteral("full.wav")) +
                                                  QStringLiteral(": ")))
        << out.outputs[0].failure.toStdString();
    EXPECT_EQ(out.error.description(), out.outputs[0].failure);
    EXPECT_TRUE(out.outputs[1].failure.isEmpty()) << out.outputs[1].failure.toStdString();
    EXPECT_TRUE(out.outputCreated);
    EXPECT_EQ(mp3decode::decodeFile(dir.filePath(QStringLiteral("fine.mp3"))).sampleFrames(),
              150u * 588);
}

} // namespace
