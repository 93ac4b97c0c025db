#include "benchaudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <sys/resource.h>

void benchFail(const QString& why) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(why));
    std::exit(1);
}

void writeMusicWav(const QString& path, double seconds, unsigned seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        benchFail(QStringLiteral("cannot write ") + path);
    const auto frames = static_cast<std::uint32_t>(seconds * 44100);
    QByteArray header(44, '\0');
    auto put = [&header](int at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header[at + i] = static_cast<char>(value >> (8 * i));
    };
    header.replace(0, 4, "RIFF");
    put(4, frames * 4 + 36, 4);
    header.replace(8, 8, "WAVEfmt ");
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, 44100, 4);
    put(28, 176400, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    header.replace(36, 4, "data");
    put(40, frames * 4, 4);
    f.write(header);
    std::mt19937 rng(seed);
    std::normal_distribution<double> hiss(0.0, 0.03);
    std::vector<std::int16_t> second(2 * 44100);
    for (std::uint32_t at = 0; at < frames;) {
        const std::uint32_t n = std::min<std::uint32_t>(44100, frames - at);
        for (std::uint32_t i = 0; i < n; ++i, ++at) {
            const double t = at / 44100.0;
            double v = 0;
            for (int k = 1; k <= 3; ++k)
                v += std::sin(2 * std::numbers::pi *
                              (110.0 * k * (1 + seed % 4) + 3 * std::sin(t)) * t) /
                     (2.0 * k);
            second[2 * i] =
                static_cast<std::int16_t>(std::clamp(v * 0.6 + hiss(rng), -1.0, 1.0) * 30000);
            second[2 * i + 1] =
                static_cast<std::int16_t>(std::clamp(v * 0.5 + hiss(rng), -1.0, 1.0) * 30000);
        }
        f.write(reinterpret_cast<const char*>(second.data()), static_cast<qint64>(n) * 4);
    }
    if (!f.flush())
        benchFail(QStringLiteral("cannot write ") + path);
}

bool writeDiscImage(const QString& cuePath, const QString& binPath,
                    const std::vector<int>& trackSectors) {
    constexpr int frameBytes = 2352;
    QFile bin(binPath);
    if (!bin.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::vector<std::int16_t> sector(frameBytes / 2);
    double phase[3] = {};
    const double base[3] = {220.0, 554.37, 1318.5};
    std::int64_t at = 0;
    QString sheet = QStringLiteral("FILE \"%1\" BINARY\n").arg(QFileInfo(binPath).fileName());
    int start = 0;
    for (std::size_t track = 0; track < trackSectors.size(); ++track) {
        sheet += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2:%3:%4\n")
                     .arg(track + 1, 2, 10, QLatin1Char('0'))
                     .arg(start / 75 / 60, 2, 10, QLatin1Char('0'))
                     .arg(start / 75 % 60, 2, 10, QLatin1Char('0'))
                     .arg(start % 75, 2, 10, QLatin1Char('0'));
        for (int s = 0; s < trackSectors[track]; ++s) {
            for (int i = 0; i < 588; ++i, ++at) {
                const double t = static_cast<double>(at) / 44100.0;
                double l = 0, r = 0;
                for (int k = 0; k < 3; ++k) {
                    phase[k] += 2 * std::numbers::pi * base[k] *
                                (1.0 + 0.01 * std::sin(0.2 * t + k + static_cast<double>(track))) /
                                44100.0;
                    const double v = std::sin(phase[k]) * 0.2 / (k + 1);
                    l += v * (k % 2 ? 0.7 : 1.0);
                    r += v * (k % 2 ? 1.0 : 0.7);
                }
                sector[2 * i] =
                    static_cast<std::int16_t>(std::clamp(l + noise(rng), -1.0, 1.0) * 30000);
                sector[2 * i + 1] =
                    static_cast<std::int16_t>(std::clamp(r + noise(rng), -1.0, 1.0) * 30000);
            }
            bin.write(reinterpret_cast<const char*>(sector.data()), frameBytes);
        }
        start += trackSectors[track];
    }
    QFile cue(cuePath);
    if (!cue.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    cue.write(sheet.toUtf8());
    return bin.flush() && cue.flush();
}

namespace {

// Processor seconds of this process's waited-for children.
double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

Timing runPool(const std::vector<std::pair<QString, QStringList>>& commands, int jobs) {
    const double cpu0 = childCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    std::size_t next = 0;
    int running = 0;
    std::vector<std::unique_ptr<QProcess>> processes;
    std::function<void()> startNext = [&] {
        while (next < commands.size() && running < jobs) {
            auto process = std::make_unique<QProcess>();
            QProcess* raw = process.get();
            // Only a failure's words are shown: progress lines would interleave with the
            // figures.
            raw->setStandardOutputFile(QProcess::nullDevice());
            QObject::connect(raw, &QProcess::finished, &loop,
                             [&, raw](int code, QProcess::ExitStatus status) {
                                 if (status != QProcess::NormalExit || code != 0)
                                     benchFail(raw->program() + QStringLiteral(" failed: ") +
                                               QString::fromLocal8Bit(raw->readAllStandardError()));
                                 --running;
                                 startNext();
                                 if (running == 0 && next == commands.size())
                                     loop.quit();
                             });
            raw->start(commands[next].first, commands[next].second);
            if (!raw->waitForStarted())
                benchFail(QStringLiteral("cannot start ") + commands[next].first);
            ++next;
            ++running;
            processes.push_back(std::move(process));
        }
    };
    startNext();
    if (running > 0)
        loop.exec();
    return {static_cast<double>(clock.nsecsElapsed()) / 1e9, childCpuSeconds() - cpu0};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void freshFolder(const QString& path) {
    QDir(path).removeRecursively();
    if (!QDir().mkpath(path))
        benchFail(QStringLiteral("cannot make ") + path);
}

QString toolPath(const char* name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        benchFail(QStringLiteral("%1 not found").arg(QLatin1String(name)));
    return path;
}

double compare(const Comparison& c, int rounds) {
    std::vector<double> ours, theirs, ratios, oursCpu, theirsCpu;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so neither always meets a warm or a cold cache.
        Timing p, r;
        if (round % 2 == 0) {
            p = c.program();
            r = c.reference();
        } else {
            r = c.reference();
            p = c.program();
        }
        ours.push_back(p.wall);
        theirs.push_back(r.wall);
        ratios.push_back(p.wall / r.wall);
        oursCpu.push_back(p.cpu);
        theirsCpu.push_back(r.cpu);
        std::printf("  %s round %d: mp3vortan-cli %.3f s (cpu %.3f s), reference %.3f s (cpu "
                    "%.3f s)\n",
                    c.what, round + 1, p.wall, p.cpu, r.wall, r.cpu);
        std::fflush(stdout);
    }
    const double p = median(ours), r = median(theirs);
    std::printf("%s median: mp3vortan-cli %.3f s, reference %.3f s, ratio %.3f (median of the "
                "rounds' ratios %.3f; cpu %.3f s against %.3f s)\n\n",
                c.what, p, r, p / r, median(ratios), median(oursCpu), median(theirsCpu));
    return p / r;
}
