// The decoding batch's job: what it takes as MP3, and what it leaves of what it refuses.
#include "engine/core/eventwait.h"
#include "engine/decode/decodejob.h"
#include "engine/pipeline/conversion.h"

#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

JobResult decode(const QString& source, const QString& output) {
    DecodeJob job;
    job.start(WorkItem{source, output});
    eventwait::until(&job, &FileJob::finished, [&job] { return !job.isRunning(); });
    return job.result();
}

} // namespace

// The other conversions read a WAV or a FLAC whatever its name; the decoding batch takes MPEG
// audio only, so such a file under an MP3's name fails, named, and leaves nothing.
TEST(DecodeJobTest, OnlyMpegAudioIsDecoded) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("wave.mp3"));
    fixtures::writeFile(wav, fixtures::wavBytes(fixtures::sine(440, 1.0)));
    const QString flac = dir.filePath(QStringLiteral("lossless.mp3"));
    pipeline::ConvertRequest toFlac;
    toFlac.sourcePath = wav;
    toFlac.outputs.push_back({pipeline::OutputFormat::Flac, flac, {}});
    ASSERT_EQ(pipeline::convertFile(toFlac, {}, {}).status,
              pipeline::ConvertOutcome::Status::Completed);

    for (const QString& source : {wav, flac}) {
        SCOPED_TRACE(source.toStdString());
        const QString output = dir.filePath(QStringLiteral("out.wav"));
        const JobResult result = decode(source, output);
        EXPECT_EQ(result.status, JobResult::Status::Failed);
        EXPECT_TRUE(result.reason.startsWith(source + QStringLiteral(": ")))
            << result.reason.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}
