// Rips over the simulated drive: fast reads proven by the AccurateRip database (served from
// the loopback interface), secure re-reads of exactly the tracks it does not confirm, C2
// flags, jitter, damaged sectors and stops.
#include "accuraterecord.h"
#include "discimage.h"
#include "musicbrainzservice.h"
#include "ripsums.h"
#include "simulateddrive.h"

#include "engine/cd/cdextract.h"
#include "engine/cd/disc.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/modakrip32.h"
#include "engine/core/batchrunner.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int trackSectors = 225; // 3 seconds each
constexpr int wavHeaderBytes = 44;

QByteArray fileData(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().mid(wavHeaderBytes);
}

struct Rip {
    std::shared_ptr<ExtractionPlan> plan;
    QList<WorkItem> items;
    QList<JobResult> results;
    riplog::Log log;
};

class FastRip : public testing::Test {
  protected:
    void SetUp() override {
        cddrives::forgetImages();
        ASSERT_TRUE(dir_.isValid());
        const int sectors = sectorsPerTrack();
        image_ = writeDiscImage(dir_.path(), QStringLiteral("disc"),
                                {{sectors, 440.0}, {sectors, 660.0}, {sectors, 880.0}});
        // Noise: no shift of it looks like another.
        fillWithNoise(image_, 7);
        drive_ = std::make_shared<simdrive::SimulatedDrive>(image_.binPath);
        const auto registered = cddrives::registerSimulatedDrive(image_.cuePath, drive_);
        ASSERT_TRUE(registered.ok()) << registered.error().description().toStdString();
        driveIndex_ = registered->driveIndex;
        key_ = accuraterecord::keyOf(driveIndex_);
        served(5, {});
    }
    void TearDown() override {
        modAKRip32::CloseCurrentCD();
        cddrives::forgetImages();
    }
    virtual int sectorsPerTrack() const { return trackSectors; }

    // The database holds each track's true v2 sum from `confidence` rips, but for the tracks
    // in `wrong`, whose sums are others.
    void served(int confidence, const QList<int>& wrong) {
        std::vector<accuraterip::TrackEntry> entries;
        for (int track = 1; track <= 3; ++track) {
            const auto sums =
                ripsums::accurateRip(image_.trackAudio(track), track == 1, track == 3);
            entries.push_back({confidence, wrong.contains(track) ? sums.v2 ^ 0x1234u : sums.v2, 0});
        }
        service_.status = 200;
        service_.body = accuraterecord::chunk(key_, 3, entries);
    }

    Rip rip(readmode::Mode mode, const QString& server, int minimumConfidence = 2,
            int retryLimit = readmode::defaultRetryLimit,
            std::vector<pipeline::OutputFormat> formats = {}) {
        Rip r;
        EXPECT_TRUE(modAKRip32::OpenCDDrive(driveIndex_));
        ExtractionChoices choices;
        choices.destination = dir_.filePath(QStringLiteral("out-%1").arg(++rips_));
        EXPECT_TRUE(QDir().mkpath(choices.destination));
        choices.formatText = wavFormatText();
        choices.formats = std::move(formats);
        choices.readMode = mode;
        choices.minimumConfidence = minimumConfidence;
        choices.retryLimit = retryLimit;
        choices.databaseServer = server;
        r.plan =
            std::make_shared<ExtractionPlan>(QList<int>{1, 2, 3}, readDisc(driveIndex_), choices);
        BatchRunner runner(r.plan->jobMaker());
        EXPECT_TRUE(runner.run(r.plan->items()));
        r.items = runner.items();
        r.results = runner.results();
        EXPECT_TRUE(r.plan->finishOutputs(r.results).empty());
        r.log = r.plan->log(r.items, r.results);
        modAKRip32::CloseCurrentCD();
        return r;
    }
    Rip rip(readmode::Mode mode) { return rip(mode, service_.address()); }

    // Every file of the rip holds its track exactly.
    void expectExact(const Rip& r) {
        for (int t = 0; t < 3; ++t)
            EXPECT_EQ(fileData(r.plan->outputOf(t)), image_.trackAudio(t + 1)) << "track " << t + 1;
    }

    QTemporaryDir dir_;
    DiscImage image_;
    std::shared_ptr<simdrive::SimulatedDrive> drive_;
    int driveIndex_ = -1;
    accuraterip::DiscKey key_;
    mbservice::LocalService service_;
    int rips_ = 0;
};

QString closedServer() {
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    return QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
}

} // namespace

// The tracks the database confirms are read once; the one it does not is read again
// securely, and only it. The database is asked once for the whole disc.
TEST_F(FastRip, AcceptsConfirmedTracksAndReReadsExactlyTheOthers) {
    served(5, {2});
    const Rip r = rip(readmode::Mode::Fast);
    ASSERT_EQ(r.log.tracks.size(), 3u);
    EXPECT_EQ(r.log.tracks[0].readPath,
              QStringLiteral("Read once, accurately ripped (confidence 5)"));
    EXPECT_EQ(r.log.tracks[0].reReads, 0);
    EXPECT_EQ(r.log.tracks[1].readPath,
              QStringLiteral("Read once, did not match: re-read securely, still not confirmed by "
                             "the database"));
    EXPECT_EQ(r.log.tracks[1].reReads, 1);
    EXPECT_EQ(r.log.tracks[2].reReads, 0);
    EXPECT_EQ(service_.requests, 1);
    // One pass over track 1; track 2's sectors were read again. (The error-correcting
    // reader also reads some way past what it is asked for, into track 3.)
    EXPECT_EQ(drive_->dataReadsOf(image_.trackStartLba[0] + 100), 1);
    EXPECT_GE(drive_->dataReadsOf(image_.trackStartLba[1] + 100), 2);
    expectExact(r);
    const QString text = r.log.text();
    EXPECT_TRUE(text.contains(QStringLiteral("Read mode: Fast, verified")));
    EXPECT_TRUE(text.contains(QStringLiteral("Tracks read again securely: 1 of 3\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Total time: ")));
    EXPECT_TRUE(text.contains(QStringLiteral("C2 error pointers used; their reading has not been "
                                             "tried on a real drive")));
}

// Secure stays what it was: no fast pass, no path, no database asked while reading.
TEST_F(FastRip, SecureReadsEverySectorThroughTheCorrectingReader) {
    const Rip r = rip(readmode::Mode::Secure);
    for (const riplog::Track& t : r.log.tracks) {
        EXPECT_TRUE(t.readPath.isEmpty());
        EXPECT_EQ(t.result, riplog::TrackResult::CopyOk);
    }
    EXPECT_EQ(service_.requests, 0);
    EXPECT_FALSE(r.log.text().contains(QStringLiteral("Total time")));
    expectExact(r);
}

// A confirmation below the minimum confidence is no confirmation; at the minimum it is.
TEST_F(FastRip, MinimumConfidenceIsHonoured) {
    served(1, {});
    const Rip below = rip(readmode::Mode::Fast, service_.address(), 2);
    for (const riplog::Track& t : below.log.tracks) {
        EXPECT_EQ(t.reReads, 1);
        EXPECT_EQ(t.readPath, QStringLiteral("Read once, accurately ripped at confidence 1, below "
                                             "the minimum of 2: re-read securely"));
    }
    expectExact(below);
    const Rip at = rip(readmode::Mode::Fast, service_.address(), 1);
    for (const riplog::Track& t : at.log.tracks)
        EXPECT_EQ(t.reReads, 0) << t.readPath.toStdString();
}

// No answer, or a disc the database does not hold: every track is read again securely.
TEST_F(FastRip, NoDatabaseAnswerMeansSecureReReads) {
    const Rip unanswered = rip(readmode::Mode::Fast, closedServer());
    for (const riplog::Track& t : unanswered.log.tracks) {
        EXPECT_EQ(t.reReads, 1);
        EXPECT_TRUE(t.readPath.startsWith(
            QStringLiteral("Re-read securely: the database could not be asked (")))
            << t.readPath.toStdString();
    }
    expectExact(unanswered);
    service_.status = 404;
    service_.body.clear();
    const Rip absent = rip(readmode::Mode::Fast);
    for (const riplog::Track& t : absent.log.tracks) {
        EXPECT_EQ(t.reReads, 1);
        EXPECT_EQ(t.readPath, QStringLiteral("Re-read securely: not in the database"));
    }
}

// Sectors the drive flags with C2 errors are read again alone, and the track passes read
// once; a drive that reports no C2 gives garbled audio that the database refuses.
TEST_F(FastRip, C2FlagsReReadOnlyTheFlaggedSectors) {
    const std::int32_t first = image_.trackStartLba[0];
    for (const std::int32_t sector : {first + 40, first + 41, first + 150})
        drive_->addC2Error(sector);
    const Rip flagged = rip(readmode::Mode::Fast);
    EXPECT_EQ(flagged.log.tracks[0].reReads, 0) << flagged.log.tracks[0].readPath.toStdString();
    EXPECT_EQ((*flagged.plan).log(flagged.items, flagged.results).c2Used,
              std::optional<bool>(true));
    expectExact(flagged);
    EXPECT_EQ(flagged.log.tracks[0].c2Rereads, 3);
    EXPECT_EQ(flagged.log.tracks[1].c2Rereads, 0);
    EXPECT_TRUE(flagged.log.text().contains(
        QStringLiteral("\n  Sectors read again for their C2 errors: 3\n")));

    for (const std::int32_t sector : {first + 40, first + 41, first + 150})
        drive_->addC2Error(sector);
    drive_->setReportsC2(false);
    const Rip unflagged = rip(readmode::Mode::Fast);
    EXPECT_EQ(unflagged.log.tracks[0].reReads, 1);
    EXPECT_EQ(unflagged.log.tracks[1].reReads, 0);
    EXPECT_TRUE(unflagged.log.text().contains(QStringLiteral("no C2 error pointers reported")));
    expectExact(unflagged);
}

// A read that comes back a few samples late never passes as matching: the track is read
// again securely and then proven.
TEST_F(FastRip, JitterIsCaught) {
    drive_->addJitter(image_.trackStartLba[1], image_.trackStartLba[2], 30);
    const Rip r = rip(readmode::Mode::Fast);
    EXPECT_EQ(r.log.tracks[0].reReads, 0);
    EXPECT_EQ(r.log.tracks[1].readPath,
              QStringLiteral("Read once, did not match: re-read securely, accurately ripped "
                             "(confidence 5)"));
    EXPECT_EQ(r.log.tracks[2].reReads, 0);
    expectExact(r);
}

// A sector that never reads does not end the rip: its track is finished with silence there,
// published, and said to be damaged with the position as a time; the other tracks complete.
// One that reads after a few failures costs nothing.
TEST_F(FastRip, UnreadableSectorsGiveSuspiciousPositionsAndTheRipGoesOn) {
    const std::int32_t bad = image_.trackStartLba[1] + 80; // 1.05 s into track 2
    drive_->addUnreadable(bad);
    drive_->addUnreadable(image_.trackStartLba[2] + 10, 2);
    for (const readmode::Mode mode : {readmode::Mode::Secure, readmode::Mode::Fast}) {
        SCOPED_TRACE(readmode::nameOf(mode).toStdString());
        const Rip r = rip(mode, service_.address(), 2, 3);
        EXPECT_EQ(r.results[0].status, JobResult::Status::Completed);
        EXPECT_EQ(r.results[1].status, JobResult::Status::Failed);
        EXPECT_TRUE(r.results[1].reason.contains(QStringLiteral("is damaged")))
            << r.results[1].reason.toStdString();
        EXPECT_EQ(r.results[2].status, JobResult::Status::Completed);
        const riplog::Track& damaged = r.log.tracks[1];
        EXPECT_EQ(damaged.result, riplog::TrackResult::ReadErrors);
        ASSERT_EQ(damaged.suspicious.size(), 1u);
        EXPECT_EQ(damaged.suspicious[0],
                  QStringLiteral("Suspicious position 0:00:01.05 \u2013 0:00:01.06"));
        EXPECT_TRUE(r.log.text().contains(damaged.suspicious[0]));
        // The file is published, whole, with silence where the sector was.
        QByteArray expected = image_.trackAudio(2);
        expected.replace(80 * 2352, 2352, QByteArray(2352, '\0'));
        EXPECT_EQ(fileData(r.plan->outputOf(1)), expected);
        EXPECT_EQ(fileData(r.plan->outputOf(0)), image_.trackAudio(1));
        EXPECT_EQ(fileData(r.plan->outputOf(2)), image_.trackAudio(3));
        drive_->addUnreadable(image_.trackStartLba[2] + 10, 2);
    }
    // The retries end: three passes over the bad sector (secure; fast, then its secure
    // re-read), each the correcting reader's own tries and the 3 retries, one drive read each.
    EXPECT_LE(drive_->readsOf(bad), 3 * 40);
}

// A damaged track's tagged files say so in their comment, with where; the others do not.
TEST_F(FastRip, ADamagedTrackSaysSoInItsTags) {
    drive_->addUnreadable(image_.trackStartLba[1] + 80);
    const Rip r = rip(readmode::Mode::Secure, service_.address(), 2, 3,
                      {pipeline::OutputFormat::Flac, pipeline::OutputFormat::Mp3});
    for (int t = 0; t < 3; ++t) {
        const QStringList files = r.plan->outputsOf(t);
        ASSERT_EQ(files.size(), 2) << "track " << t + 1;
        for (const QString& file : files) {
            const auto tags = audiotags::read(file);
            ASSERT_TRUE(tags.ok()) << file.toStdString();
            if (t == 1)
                EXPECT_EQ(tags->comment,
                          QStringLiteral("Damaged: the disc could not be read here; silence stands "
                                         "there (Suspicious position 0:00:01.05 \u2013 "
                                         "0:00:01.06)"))
                    << file.toStdString();
            else
                EXPECT_TRUE(tags->comment.isEmpty()) << file.toStdString();
            EXPECT_TRUE(tags->trackGain.has_value()) << file.toStdString();
        }
    }
}

// A stop ends the read under way within one drive read, in every mode and in a retry loop.
TEST_F(FastRip, StopEndsEveryMode) {
    simdrive::Latency slow;
    slow.speed = 1.0;
    slow.realTimeScale = 0.05; // a 26-sector read takes about 17 ms
    drive_->setLatency(slow);
    drive_->addUnreadable(image_.trackStartLba[0] + 120);
    ASSERT_TRUE(modAKRip32::OpenCDDrive(driveIndex_));
    const Disc disc = readDisc(driveIndex_);
    for (const readmode::Mode mode : {readmode::Mode::Secure, readmode::Mode::Fast}) {
        SCOPED_TRACE(readmode::nameOf(mode).toStdString());
        const QString path =
            dir_.filePath(QStringLiteral("stop-%1.wav").arg(readmode::nameOf(mode)));
        ExtractRequest request;
        request.handle = modAKRip32::currentCdHandle();
        request.startLba = disc.toc->trackStartLba[0];
        request.endLba = disc.toc->trackEnd(0);
        request.readMode = mode;
        request.retryLimit = readmode::maxRetryLimit; // the bad sector would take minutes
        request.outputPath = path;
        request.outputFd = ::open(QFile::encodeName(path).constData(),
                                  O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(request.outputFd, 0);
        std::atomic<bool> stop{false};
        std::atomic<std::int64_t> readsAtStop{0};
        const std::int32_t bad = request.startLba + 120;
        const int badReadsBefore = drive_->readsOf(bad);
        // Stopped once the drive is deep in the bad sector's retries.
        auto cancelled = [this, &stop, &readsAtStop, bad, badReadsBefore] {
            if (!stop && drive_->readsOf(bad) >= badReadsBefore + 10) {
                readsAtStop = drive_->reads();
                stop = true;
            }
            return stop.load();
        };
        const ExtractOutcome out = ExtractTrackToWav(request, cancelled, {});
        ::close(request.outputFd);
        EXPECT_EQ(out.status, ExtractOutcome::Status::Cancelled);
        EXPECT_TRUE(stop.load());
        EXPECT_LE(drive_->reads() - readsAtStop.load(), 2);
    }
}

// A track waiting for the database's answer ends its wait at a stop, answered or not.
TEST_F(FastRip, StopEndsTheWaitForTheDatabase) {
    service_.silent = true;
    readmode::RecordSource source(key_, service_.address(), 60000);
    std::atomic<bool> stop{false};
    std::optional<Result<accuraterip::Record>> got =
        Result<accuraterip::Record>(accuraterip::Record{});
    std::thread track(
        [&source, &stop, &got] { got = source.get([&stop] { return stop.load(); }); });
    QElapsedTimer guard;
    guard.start();
    while (service_.requests == 0 && guard.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(service_.requests, 1);
    stop = true;
    track.join();
    EXPECT_FALSE(got.has_value());
}

// The drive's cache answers a read inside what it holds with the data it holds, as the read
// that brought it delivered it, and leaves the disc alone; read-ahead fills it up to its size
// and stops short of a sector the drive cannot read. A read elsewhere empties it.
TEST_F(FastRip, TheDriveCacheAnswersWithWhatItHolds) {
    simdrive::Latency cached;
    cached.cacheSectors = 100;
    drive_->setLatency(cached);
    const std::int32_t first = image_.trackStartLba[1];
    drive_->addC2Error(first + 5);
    drive_->addJitter(first + 30, first + 31, 40);
    drive_->addUnreadable(first + 90, 1);
    const QByteArray disc = image_.trackAudio(2);
    auto sectors = [&disc](int from, int count) { return disc.mid(from * 2352, count * 2352); };
    std::vector<unsigned char> data(20 * 2352);
    std::vector<std::uint8_t> c2(20);
    auto read = [this, &data, &c2](std::int32_t at, long count) {
        const long got = drive_->read(at, count, data.data(), c2.data());
        return QByteArray(reinterpret_cast<const char*>(data.data()),
                          static_cast<qsizetype>(got * 2352));
    };

    // Off the disc: sector 5 garbled and flagged.
    const QByteArray garbled = read(first, 10);
    EXPECT_NE(garbled.mid(5 * 2352, 2352), sectors(5, 1));
    EXPECT_EQ(c2[5], 1);
    // Again from the cache: the same garbled sector, flagged, and the disc not read again.
    EXPECT_EQ(read(first, 10), garbled);
    EXPECT_EQ(c2[5], 1);
    EXPECT_EQ(drive_->discReadsOf(first + 5), 1);
    // Read ahead: what follows is the disc's own, jitter or not, and no read of it went to
    // the disc.
    EXPECT_EQ(read(first + 30, 10), sectors(30, 10));
    EXPECT_EQ(drive_->discReadsOf(first + 30), 1);
    // Read-ahead stopped before the unreadable sector: asking for it goes to the disc, fails,
    // and the sectors before it still come.
    EXPECT_EQ(drive_->read(first + 85, 10, data.data(), c2.data()), 5);
    EXPECT_EQ(drive_->readsOf(first + 90), 1);
    EXPECT_EQ(read(first + 90, 5), sectors(90, 5));

    // Sector 5 is outside what the cache holds now: off the disc, whole this time.
    EXPECT_EQ(read(first, 10), sectors(0, 10));
    EXPECT_EQ(c2[5], 0);
    EXPECT_EQ(drive_->discReadsOf(first + 5), 2);
    // A read far away, even one without a buffer (how the error-correcting reader empties a
    // drive's cache), empties it: the same read goes to the disc again.
    EXPECT_EQ(drive_->read(image_.trackStartLba[2] + 100, 1, nullptr, nullptr), 1);
    EXPECT_EQ(read(first, 10), sectors(0, 10));
    EXPECT_EQ(drive_->discReadsOf(first + 5), 3);
    const auto figures = drive_->cacheFigures();
    EXPECT_EQ(figures.cachedRepeats, 10);
    EXPECT_EQ(figures.cacheReads, 3);
    EXPECT_EQ(figures.bufferless, 1);
}

// With the cache on, each read mode still gets every sector right. In the fast rip the single
// pass's first read comes off the disc, and every single pass garbles two of its sectors: the
// cache then holds them garbled, and their secure re-read must reach the disc, not the cache.
TEST_F(FastRip, RipsStayExactOverADriveCache) {
    simdrive::Latency cached;
    cached.cacheSectors = 400;
    drive_->setLatency(cached);
    expectExact(rip(readmode::Mode::Secure));
    expectExact(rip(readmode::Mode::Paranoid));
    EXPECT_GT(drive_->cacheFigures().cachedSectors, 0);
    const std::int32_t first = image_.trackStartLba[0];
    for (const std::int32_t sector : {first + 3, first + 20})
        drive_->addC2Error(sector, -1);
    const Rip fast = rip(readmode::Mode::Fast);
    expectExact(fast);
    EXPECT_EQ(fast.log.tracks[0].c2Rereads, 2);
}

namespace {

// A disc long enough for a drive cache larger than the error-correcting reader's own
// emptying reaches.
class LargeCacheRip : public FastRip {
  protected:
    int sectorsPerTrack() const override { return 3000; }
};

} // namespace

// A drive that caches 2,400 sectors (5.6 MB) and says so: every re-read the error-correcting
// reader makes comes off the disc, none out of the cache. One that does not say so hands some
// of them out of its cache (which is why the reader asks).
TEST_F(LargeCacheRip, ReReadsReachTheDiscPastALargeDriveCache) {
    simdrive::Latency cached;
    cached.cacheSectors = 2400;
    drive_->setLatency(cached);
    const Rip stated = rip(readmode::Mode::Secure);
    expectExact(stated);
    EXPECT_EQ(drive_->cacheFigures().cachedRepeats, 0);
    EXPECT_EQ(stated.log.driveCache, 2400);
    EXPECT_TRUE(stated.log.text().contains(QStringLiteral(
        "Drive cache: 5,512 KB stated; re-reads are read 2,672 sectors away first, past it\n")));
    for (const std::int32_t sector :
         {image_.trackStartLba[0] + 10, image_.trackStartLba[1] + 700, image_.trackStartLba[2] - 1})
        EXPECT_GE(drive_->discReadsOf(sector), 2) << sector;

    drive_->setStatesCache(false);
    expectExact(rip(readmode::Mode::Secure));
    EXPECT_GT(drive_->cacheFigures().cachedRepeats, 0);
}
