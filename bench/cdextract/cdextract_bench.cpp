// Speed of digital track extraction from a disc image.
//
//   cdextract_bench [--rounds N] [--minutes M] [--dir FOLDER]
//
// Writes a one-track BIN/CUE image of M minutes (default 10) of music-like audio, registers
// it as a drive and opens it, then per round (medians of N, default 3):
//  - WAV: ExtractTrackToWav against a plain loop that reads the same sectors 26 at a time
//    with libcdio (cdio_read_audio_sectors, no error correction) and writes each chunk with
//    the same write-and-flush (clsFileIo) behind the same 44-byte header;
//  - MP3: ExtractTrackToMp3 against the file encoder (encodeWavToMp3) on the same audio as a
//    WAV, at the same settings.
// Prints wall and processor seconds of each and the ratios.
#include "benchaudio.h"
#include "engine/cd/cdextract.h"
#include "engine/cd/modakrip32.h"
#include "engine/formats/clsfileio.h"
#include "engine/pipeline/mp3fileencoder.h"
#include "engine/platform/akrip/cddrives.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cdio/cdio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <numbers>
#include <random>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int frameBytes = 2352;

// The reference: plain libcdio reads, each chunk written and flushed as it comes.
bool plainLoop(const QString& cuePath, int sectors, const QString& out) {
    CdIo_t* cd = cdio_open(cuePath.toLocal8Bit().constData(), DRIVER_UNKNOWN);
    if (!cd)
        return false;
    clsFileIo file;
    bool ok = file.OpenFile(out, FileUse::Write) && file.writeWavHeader(sectors * frameBytes);
    std::vector<unsigned char> buffer(26 * frameBytes);
    for (int lsn = 0; ok && lsn < sectors;) {
        const int count = std::min(26, sectors - lsn);
        ok = cdio_read_audio_sectors(cd, buffer.data(), lsn, static_cast<uint32_t>(count)) ==
                 DRIVER_OP_SUCCESS &&
             file.WriteBytes(buffer.data(), static_cast<std::size_t>(count) * frameBytes);
        lsn += count;
    }
    ok = file.CloseFile() && ok;
    cdio_destroy(cd);
    return ok;
}

// Processor seconds (user + system) of this process, all threads.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;
};

template <typename F> void measure(Samples& timing, F&& work) {
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    if (!work()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    timing.wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    timing.cpu.push_back(cpuSeconds() - cpuBefore);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 3;
    double minutes = 10;
    QString dirPath;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QStringLiteral("--rounds"))
            rounds = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--minutes"))
            minutes = std::max(0.1, args[++i].toDouble());
        else if (args[i] == QStringLiteral("--dir"))
            dirPath = args[++i];
    }
    QTemporaryDir temp(dirPath.isEmpty() ? QDir::tempPath() + QStringLiteral("/cdbench-XXXXXX")
                                         : dirPath + QStringLiteral("/cdbench-XXXXXX"));
    if (!temp.isValid())
        return 1;
    const int sectors = static_cast<int>(minutes * 60 * 75);
    const QString cue = temp.filePath(QStringLiteral("bench.cue"));
    if (!writeDiscImage(cue, temp.filePath(QStringLiteral("bench.bin")), {sectors}))
        return 1;
    const auto image = cddrives::registerImage(cue);
    if (!image || !modAKRip32::OpenCDDrive(image->driveIndex)) {
        std::fprintf(stderr, "the image could not be opened\n");
        return 1;
    }

    ExtractRequest request;
    request.handle = modAKRip32::currentCdHandle();
    request.startLba = 0;
    request.endLba = sectors;
    request.config = modLAME::makeConfig(128, modLAME::qualityPresetCode(1));
    request.config.originalFlag = modLAME::flagTrue;
    auto extract = [&request](bool mp3, const QString& out) {
        ExtractRequest r = request;
        r.mp3 = mp3;
        r.outputPath = out;
        r.outputFd = ::open(QFile::encodeName(out).constData(),
                            O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const auto o = mp3 ? ExtractTrackToMp3(r, {}, {}) : ExtractTrackToWav(r, {}, {});
        const bool closed = r.outputFd >= 0 && ::close(r.outputFd) == 0;
        return o.status == ExtractOutcome::Status::Completed && closed;
    };
    const QString wav = temp.filePath(QStringLiteral("extracted.wav"));
    Samples plain, toWav, toMp3, encode;
    for (int round = 0; round < rounds; ++round) {
        measure(plain, [&] {
            return plainLoop(cue, sectors, temp.filePath(QStringLiteral("plain.wav")));
        });
        measure(toWav, [&] { return extract(false, wav); });
        measure(toMp3, [&] { return extract(true, temp.filePath(QStringLiteral("x.mp3"))); });
        measure(encode, [&] {
            EncodeRequest r;
            r.sourcePath = wav;
            r.outputPath = temp.filePath(QStringLiteral("e.mp3"));
            r.config = request.config;
            return encodeWavToMp3(r, {}, {}).status == EncodeOutcome::Status::Completed;
        });
    }
    modAKRip32::CloseCurrentCD();
    cddrives::forgetImages();

    std::printf("track: %.1f minutes (%d sectors), %d rounds, medians in seconds\n", minutes,
                sectors, rounds);
    auto report = [](const char* what, const Samples& ours, const char* against,
                     const Samples& reference, double target) {
        std::printf("%s: extraction %.3f s (cpu %.3f)  %s %.3f s (cpu %.3f)  wall ratio %.3f "
                    "(target <= %.2f), cpu ratio %.3f\n",
                    what, median(ours.wall), median(ours.cpu), against, median(reference.wall),
                    median(reference.cpu), median(ours.wall) / median(reference.wall), target,
                    median(ours.cpu) / median(reference.cpu));
    };
    report("WAV", toWav, "plain libcdio loop", plain, 1.5);
    report("MP3", toMp3, "file encoder on the WAV", encode, 1.05);
    return 0;
}
