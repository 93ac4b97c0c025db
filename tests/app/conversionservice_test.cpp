// The conversion service: a batch runs on what it was given, reports by signals from the
// event loop, and ends early only through stop() and abort().
#include "fixtures.h"
#include "mp3decode.h"
#include "mp3fixture.h"

#include "engine/core/settings.h"
#include "engine/formats/wavreader.h"
#include "engine/pipeline/encodejob.h"
#include "engine/service/conversionservice.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ConversionServiceTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("out")));
        out = dir.filePath(QStringLiteral("out"));
    }
    QString wav(const QString& name, double seconds) {
        const QString p = dir.filePath(name);
        fixtures::writeFile(p, fixtures::wavBytes(fixtures::sine(440, seconds)));
        return p;
    }
    QString mp3(const QString& name, double seconds) {
        const QString p = dir.filePath(name);
        fixtures::writeMp3(p, fixtures::sine(440, seconds), 44100, 2, 128);
        return p;
    }
    ConversionBatch batchOf(ConversionKind kind, const QStringList& sources) {
        ConversionBatch batch;
        batch.kind = kind;
        batch.settings.destination = out;
        for (const QString& source : sources)
            batch.items.append(WorkItem{source, ConversionService::outputFor(kind, out, source)});
        return batch;
    }

    QTemporaryDir dir;
    QString out;
};

TEST_F(ConversionServiceTest, BatchUsesItsOwnSettingsAndReportsFromTheEventLoop) {
    // What the window shows or keeps says otherwise: the batch must not read it.
    DecodePath = dir.path();
    EncodingBitrate = 0;
    ConversionService service;
    QSignalSpy started(&service, &ConversionService::itemStarted);
    QSignalSpy finished(&service, &ConversionService::itemFinished);
    QSignalSpy ended(&service, &ConversionService::batchFinished);
    ConversionReport report;
    QObject::connect(&service, &ConversionService::batchFinished,
                     [&report](const ConversionReport& r) { report = r; });

    ConversionBatch batch =
        batchOf(ConversionKind::WavToMp3,
                {wav(QStringLiteral("a.wav"), 0.5), dir.filePath(QStringLiteral("gone.wav"))});
    batch.settings.encoder = fileEncoderConfigFor(9, 0); // 160 kbit/s
    batch.settings.filesAtOnce = 2;
    ASSERT_TRUE(service.start(batch));
    EXPECT_TRUE(service.isRunning());
    EXPECT_FALSE(service.start(batch)); // one batch at a time
    EXPECT_EQ(ended.count(), 0);        // never from inside start()
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_FALSE(service.isRunning());
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(finished.count(), 2);

    ASSERT_EQ(report.results.size(), 2);
    EXPECT_EQ(report.results[0].status, JobResult::Status::Completed);
    EXPECT_EQ(report.results[1].status, JobResult::Status::Skipped);
    EXPECT_EQ(report.items[0].output, out + QStringLiteral("/a.mp3"));
    const auto decoded = mp3decode::decodeFile(report.items[0].output);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frames.front().bitrateKbps, 160);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("a.mp3"))));

    // A batch with nothing to do ends from the event loop too.
    ASSERT_TRUE(service.start(batchOf(ConversionKind::Mp3ToWav, {})));
    EXPECT_EQ(ended.count(), 1);
    ASSERT_TRUE(ended.wait(5000));
}

// stop() lets the files under way finish whole, a decode as much as an encode; abort() ends
// them early, each output properly ended and its item Cancelled.
TEST_F(ConversionServiceTest, StopFinishesTheFileUnderWayAndAbortEndsItEarlyProperly) {
    ConversionService service;
    QSignalSpy ended(&service, &ConversionService::batchFinished);
    ConversionReport report;
    QObject::connect(&service, &ConversionService::batchFinished,
                     [&report](const ConversionReport& r) { report = r; });

    for (const ConversionKind kind : {ConversionKind::Mp3ToWav, ConversionKind::WavToMp3}) {
        const bool decode = kind == ConversionKind::Mp3ToWav;
        SCOPED_TRACE(decode ? "decode" : "encode");
        const auto source = [&](const QString& name, double seconds) {
            return decode ? mp3(name + QStringLiteral(".mp3"), seconds)
                          : wav(name + QStringLiteral(".wav"), seconds);
        };
        // Stopped while the first file is under way: it is finished, and no other starts.
        ASSERT_TRUE(service.start(batchOf(
            kind, {source(QStringLiteral("whole"), 8), source(QStringLiteral("next"), 1)})));
        service.stop();
        ASSERT_TRUE(ended.wait(20000));
        EXPECT_EQ(report.results[0].status, JobResult::Status::Completed);
        EXPECT_EQ(report.results[1].status, JobResult::Status::NotStarted);
        if (decode) {
            const auto wavFormat = readWavFormat(report.items[0].output);
            ASSERT_TRUE(wavFormat);
            EXPECT_EQ(wavFormat->frameCount(), 8 * 44100);
        } else {
            EXPECT_NEAR(mp3decode::decodeFile(report.items[0].output).seconds(), 8.0, 0.03);
        }

        // Aborted: the file under way ends early, its output shorter but whole.
        ASSERT_TRUE(service.start(batchOf(
            kind, {source(QStringLiteral("long"), 120), source(QStringLiteral("more"), 1)})));
        service.abort();
        ASSERT_TRUE(ended.wait(20000));
        EXPECT_EQ(report.results[0].status, JobResult::Status::Cancelled);
        EXPECT_EQ(report.results[1].status, JobResult::Status::NotStarted);
        if (decode) {
            const auto wavFormat = readWavFormat(report.items[0].output);
            ASSERT_TRUE(wavFormat);
            EXPECT_EQ(wavFormat->announcedDataLength, wavFormat->dataLength);
            EXPECT_LT(wavFormat->durationMs(wavFormat->dataLength), 120000);
        } else {
            const auto encoded = mp3decode::decodeFile(report.items[0].output);
            ASSERT_TRUE(encoded.ok);
            EXPECT_LT(encoded.seconds(), 120.0);
        }
    }
}

// After-file steps that end later (a recording's encode) keep the next item from starting until
// they are done; a stop meanwhile ends the batch once they are.
TEST_F(ConversionServiceTest, AHeldItemKeepsTheNextWaitingUntilResumed) {
    ConversionService service;
    QSignalSpy started(&service, &ConversionService::itemStarted);
    QSignalSpy ended(&service, &ConversionService::batchFinished);
    ConversionReport report;
    QObject::connect(&service, &ConversionService::batchFinished,
                     [&report](const ConversionReport& r) { report = r; });
    bool held = false;
    QObject::connect(&service, &ConversionService::itemFinished,
                     [&service, &held](const WorkItem& item, const JobResult&) {
                         if (item.index == 0) {
                             service.holdNext();
                             held = true;
                         }
                     });
    for (const bool stopWhileHeld : {false, true}) {
        held = false;
        started.clear();
        const QString tag = stopWhileHeld ? QStringLiteral("s") : QString();
        ASSERT_TRUE(service.start(batchOf(ConversionKind::WavToMp3,
                                          {wav(tag + QStringLiteral("a.wav"), 0.3),
                                           wav(tag + QStringLiteral("b.wav"), 0.3)})));
        ASSERT_TRUE(QTest::qWaitFor([&held] { return held; }, 20000));
        QTest::qWait(100);
        EXPECT_EQ(started.count(), 1);
        EXPECT_TRUE(service.isRunning());
        if (stopWhileHeld)
            service.stop();
        service.resumeNext();
        ASSERT_TRUE(ended.wait(20000));
        EXPECT_EQ(report.results[0].status, JobResult::Status::Completed);
        EXPECT_EQ(report.results[1].status, stopWhileHeld ? JobResult::Status::NotStarted
                                                          : JobResult::Status::Completed);
    }
}

} // namespace
