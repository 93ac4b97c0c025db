// Time per disc of the read modes, on the simulated drive (simulated seconds: its latency
// model, not this machine's speed).
//
//   fastrip_bench [--minutes M] [--tracks N] [--speed X] [--cache SECTORS] [--dir FOLDER]
//
// Writes an image of N tracks (default 10) over M minutes (default 45), serves its true
// AccurateRip record from the loopback interface, and rips it as WAV on a simulated drive of
// X-times speed (default 8) with seek times, spin-up and a read cache of SECTORS sectors
// (default 891: a 2 MB buffer, what current drives carry, holds 891 sectors of 2,352 bytes;
// 0: no cache):
//  - secure, then fast (every track in the database), then fast with the record wrong for
//    two tracks (only those are read again), then paranoid;
//  - secure over the disc with one sector that never reads (retry limits 20 and 5): the rip
//    ends, the other tracks complete.
// Prints each rip's simulated time, drive reads and sectors, tracks read again, where the
// sectors came from (the disc, read-ahead included, or the cache; re-reads the cache answered
// with what it held, so the disc never saw them; reads without a buffer, which the
// error-correcting reader makes to empty the cache), and the ratio of fast to secure.
#include "accuraterecord.h"
#include "discimage.h"
#include "musicbrainzservice.h"
#include "ripsums.h"
#include "simulateddrive.h"

#include "engine/cd/disc.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/modakrip32.h"
#include "engine/core/batchrunner.h"
#include "engine/platform/akrip/cddrives.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct Figures {
    double seconds = 0;
    std::int64_t reads = 0;
    std::int64_t sectors = 0;
    int reRead = 0;
    int completed = 0;
    int damaged = 0;
    double wallSeconds = 0;
    simdrive::SimulatedDrive::CacheFigures cache;
};

struct Bench {
    DiscImage image;
    QString folder;
    double speed = 8.0;
    int cacheSectors = 891;
    mbservice::LocalService service;

    Figures rip(readmode::Mode mode, const std::shared_ptr<simdrive::SimulatedDrive>& drive,
                int retryLimit = readmode::defaultRetryLimit) {
        QElapsedTimer wall;
        wall.start();
        cddrives::forgetImages();
        const auto registered = cddrives::registerSimulatedDrive(image.cuePath, drive);
        if (!registered || !modAKRip32::OpenCDDrive(registered->driveIndex)) {
            std::fprintf(stderr, "the simulated drive cannot be opened\n");
            std::exit(1);
        }
        const Disc disc = readDisc(registered->driveIndex);
        QList<int> tracks;
        for (int t = 1; t <= disc.toc->trackCount(); ++t)
            tracks << t;
        QTemporaryDir out(folder + QStringLiteral("/rip-XXXXXX"));
        ExtractionChoices choices;
        choices.destination = out.path();
        choices.formatText = wavFormatText();
        choices.readMode = mode;
        choices.retryLimit = retryLimit;
        choices.databaseServer = service.address();
        ExtractionPlan plan(tracks, disc, choices);
        BatchRunner runner(plan.jobMaker());
        runner.run(plan.items());
        plan.finishOutputs(runner.results());
        const riplog::Log log = plan.log(runner.items(), runner.results());
        modAKRip32::CloseCurrentCD();
        Figures f;
        f.seconds = drive->seconds();
        f.reads = drive->reads();
        f.sectors = drive->sectorsRead();
        f.cache = drive->cacheFigures();
        for (const riplog::Track& t : log.tracks) {
            f.reRead += t.reReads;
            f.completed += t.result == riplog::TrackResult::CopyOk ? 1 : 0;
            f.damaged += t.suspicious.empty() ? 0 : 1;
        }
        f.wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
        return f;
    }

    std::shared_ptr<simdrive::SimulatedDrive> drive() const {
        auto d = std::make_shared<simdrive::SimulatedDrive>(image.binPath);
        simdrive::Latency latency;
        latency.speed = speed;
        latency.cacheSectors = cacheSectors;
        d->setLatency(latency);
        return d;
    }

    // The record of the disc, with the sums of the tracks in `wrong` not the disc's.
    void serve(const accuraterip::DiscKey& key, const QList<int>& wrong) {
        const int count = static_cast<int>(image.trackSectors.size());
        std::vector<accuraterip::TrackEntry> entries;
        for (int t = 1; t <= count; ++t) {
            const auto sums = ripsums::accurateRip(image.trackAudio(t), t == 1, t == count);
            entries.push_back({14, wrong.contains(t) ? ~sums.v2 : sums.v2, 0});
        }
        service.body = accuraterecord::chunk(key, count, entries);
    }
};

void print(const char* name, const Figures& f) {
    std::printf("%-34s %9.1f s simulated  %8lld reads  %9lld sectors  re-read %d  "
                "copied OK %d  damaged %d  (%.1f s here)\n",
                name, f.seconds, static_cast<long long>(f.reads), static_cast<long long>(f.sectors),
                f.reRead, f.completed, f.damaged, f.wallSeconds);
    std::printf("%34s sectors off the disc %lld, from the cache %lld (%lld of them re-reads the "
                "disc never saw) in %lld reads; %lld reads without a buffer\n",
                "", static_cast<long long>(f.cache.discSectors),
                static_cast<long long>(f.cache.cachedSectors),
                static_cast<long long>(f.cache.cachedRepeats),
                static_cast<long long>(f.cache.cacheReads),
                static_cast<long long>(f.cache.bufferless));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double minutes = 45;
    int trackCount = 10;
    Bench bench;
    QString base = QDir::tempPath();
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--minutes"))
            minutes = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--tracks"))
            trackCount = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--speed"))
            bench.speed = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--cache"))
            bench.cacheSectors = std::max(0, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--dir"))
            base = args[i + 1];
    }
    QTemporaryDir folder(base + QStringLiteral("/fastrip-bench-XXXXXX"));
    bench.folder = folder.path();
    const int sectors = static_cast<int>(minutes * 60 * 75 / trackCount);
    std::vector<ImageTrack> layout;
    for (int t = 0; t < trackCount; ++t)
        layout.push_back(ImageTrack{sectors, 220.0 + 55.0 * t});
    bench.image = writeDiscImage(folder.path(), QStringLiteral("disc"), layout);
    fillWithNoise(bench.image, 11);
    std::printf("Disc: %d tracks, %.1f minutes, simulated drive at %.0fx, cache of %d sectors\n",
                trackCount, minutes, bench.speed, bench.cacheSectors);

    const auto registered = cddrives::registerImage(bench.image.cuePath);
    if (!registered)
        return 1;
    const accuraterip::DiscKey key = accuraterecord::keyOf(registered->driveIndex);
    bench.serve(key, {});

    const Figures secure = bench.rip(readmode::Mode::Secure, bench.drive());
    print("secure", secure);
    const Figures fast = bench.rip(readmode::Mode::Fast, bench.drive());
    print("fast, all in the database", fast);
    bench.serve(key, {3, 7});
    const Figures twoWrong = bench.rip(readmode::Mode::Fast, bench.drive());
    print("fast, 2 tracks not matching", twoWrong);
    bench.serve(key, {});
    const Figures paranoid = bench.rip(readmode::Mode::Paranoid, bench.drive());
    print("paranoid", paranoid);
    const std::int32_t bad = bench.image.trackStartLba[3] + 1000;
    for (const int retries : {20, 5}) {
        auto damaged = bench.drive();
        damaged->addUnreadable(bad);
        const Figures broken = bench.rip(readmode::Mode::Secure, damaged, retries);
        const QByteArray name =
            QStringLiteral("secure, unreadable sector, %1 retries").arg(retries).toLatin1();
        print(name.constData(), broken);
        std::printf("%34s %d drive reads of the unreadable sector, %.1f s more than clean\n", "",
                    damaged->readsOf(bad), broken.seconds - secure.seconds);
    }
    std::printf("fast / secure: %.2f; fast with 2 re-read / secure: %.2f\n",
                fast.seconds / secure.seconds, twoWrong.seconds / secure.seconds);
    cddrives::forgetImages();
    return 0;
}
