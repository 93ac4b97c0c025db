// Speed and memory of the WAV-to-MP3 file encoder.
//
//   encode_bench [--rounds N] [--bitrate-index I] [--quality-index Q] [--files N]
//                [--skip-speed] [--skip-memory] [--lame-noreplaygain] [--dir FOLDER]
//                [--tag-cost]
//
// Speed: one 4-minute CD-format WAV, encoded alternately by the engine path (the worker-thread
// encoder, waited for in an event loop as the window does) and by the lame command line at
// the same bitrate, mode, algorithmic quality and band limits; then a batch of 8 such files
// against 8 sequential lame runs. Medians of N rounds (default 5) and their ratio.
// Tag cost (--tag-cost, alone): the file encoder's loop over one 4-minute CD-format WAV with
// and without the loudness meter and the ID3v2 tag, alternating, medians of N rounds, and
// what metering and tagging add as a share of the encode.
// Memory: a 60-minute WAV encoded in a child process; its peak resident size (VmHWM) before
// and after the job.
#include "engine/core/eventwait.h"
#include "engine/encode/backgroundmeter.h"
#include "engine/encode/modlame.h"
#include "engine/encode/mp3output.h"
#include "engine/encode/mp3tagging.h"
#include "engine/pipeline/encodejob.h"
#include "engine/pipeline/mp3fileencoder.h"
#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/loudness/loudnessmeter.h"

#include "procstatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

struct Options {
    int rounds = 5;
    int bitrateIndex = 8; // 128 kbit/s
    int qualityIndex = 1; // "Normal": the encoder's default algorithmic quality
    int batchFiles = 8;
    bool speed = true;
    bool memory = true;
    bool lameReplayGain = true; // the command line's default ReplayGain analysis
    bool tagCost = false;
    QString dir;
};

void putU32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Writes a CD-format WAV of music-like material (a few drifting tones, a beat and noise),
// streaming, so the bench itself never holds the file in memory.
bool writeMusicWav(const QString& path, double seconds, unsigned seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const auto frames = static_cast<std::uint64_t>(seconds * 44100);
    const auto dataLength = static_cast<std::uint32_t>(frames * 4);
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A', 'V', 'E', 'f', 'm', 't',
                           ' ', 16,  0,   0,   0,  1, 0,   2,   0,   0,   0,   0,   0,   0,   0,
                           0,   0,   4,   0,   16, 0, 'd', 'a', 't', 'a', 0,   0,   0,   0};
    putU32(h + 4, dataLength + 36);
    putU32(h + 24, 44100);
    putU32(h + 28, 176400);
    putU32(h + 40, dataLength);
    f.write(reinterpret_cast<const char*>(h), 44);

    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.04);
    const double base[4] = {110.0 * (1 + seed % 3), 277.18, 440.0, 1318.5};
    std::vector<std::int16_t> block(44100 * 2);
    double phase[4] = {};
    for (std::uint64_t at = 0; at < frames;) {
        const std::size_t n = std::min<std::uint64_t>(44100, frames - at);
        for (std::size_t i = 0; i < n; ++i, ++at) {
            const double t = static_cast<double>(at) / 44100.0;
            double l = 0, r = 0;
            for (int k = 0; k < 4; ++k) {
                const double freq = base[k] * (1.0 + 0.01 * std::sin(0.3 * t + k));
                phase[k] += 2 * std::numbers::pi * freq / 44100.0;
                const double v = std::sin(phase[k]) * (0.18 / (k + 1)) *
                                 (0.6 + 0.4 * std::sin(2 * std::numbers::pi * (0.5 + k) * t));
                l += v * (k % 2 ? 0.7 : 1.0);
                r += v * (k % 2 ? 1.0 : 0.7);
            }
            const double beat = std::exp(-std::fmod(t, 0.5) * 30.0) * noise(rng) * 6.0;
            l += beat + noise(rng);
            r += beat + noise(rng);
            block[2 * i] = static_cast<std::int16_t>(std::clamp(l, -1.0, 1.0) * 30000);
            block[2 * i + 1] = static_cast<std::int16_t>(std::clamp(r, -1.0, 1.0) * 30000);
        }
        f.write(reinterpret_cast<const char*>(block.data()), static_cast<qint64>(n * 4));
    }
    return f.error() == QFile::NoError;
}

// Processor seconds (user + system) of this process, or of its waited-for children.
double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

EncodeRequest requestFor(const Options& o, const QString& in, const QString& out) {
    EncodeRequest r;
    r.sourcePath = in;
    r.outputPath = out;
    r.config = modLAME::makeConfig(modLAME::bitrateForIndex(o.bitrateIndex),
                                   modLAME::qualityPresetCode(o.qualityIndex));
    r.config.originalFlag = modLAME::flagTrue;
    return r;
}

QStringList lameArguments(const Options& o, const QString& in, const QString& out) {
    const auto q = modLAME::qualitySettings(modLAME::qualityPresetCode(o.qualityIndex));
    QStringList a = {QStringLiteral("--quiet"),
                     QStringLiteral("-b"),
                     QString::number(modLAME::bitrateForIndex(o.bitrateIndex)),
                     QStringLiteral("--cbr"),
                     QStringLiteral("-m"),
                     QStringLiteral("j"),
                     QStringLiteral("-q"),
                     QString::number(q.algorithmicQuality)};
    if (!o.lameReplayGain)
        a << QStringLiteral("--noreplaygain"); // no loudness analysis: not what the program does
    if (q.lowpassHz > 0)
        a << QStringLiteral("--lowpass") << QString::number(q.lowpassHz / 1000.0);
    if (q.highpassHz > 0)
        a << QStringLiteral("--highpass") << QString::number(q.highpassHz / 1000.0);
    return a << in << out;
}

// One file through the program's file job (a worker thread), waited for as the batch does.
EncodeOutcome encodeWithJob(EncodeJob& job, const EncodeRequest& r) {
    job.start(WorkItem{r.sourcePath, r.outputPath});
    eventwait::until(&job, &FileJob::finished, [&job] { return !job.isRunning(); });
    return job.outcome();
}

// Seconds taken by the engine path for `inputs`, one after the other.
Timing timeEngine(const Options& o, const QStringList& inputs, const QString& outDir) {
    EncodeJob encoder([config = requestFor(o, QString(), QString()).config] { return config; });
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    for (const QString& in : inputs) {
        const QString out =
            outDir + QStringLiteral("/engine-") + QFileInfo(in).baseName() + QStringLiteral(".mp3");
        const EncodeOutcome r = encodeWithJob(encoder, requestFor(o, in, out));
        if (r.status != EncodeOutcome::Status::Completed) {
            std::fprintf(stderr, "engine encode failed: %s\n", qPrintable(r.error.description()));
            std::exit(1);
        }
    }
    return {static_cast<double>(t.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_SELF) - cpu0};
}

Timing timeLame(const Options& o, const QStringList& inputs, const QString& outDir) {
    const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    for (const QString& in : inputs) {
        const QString out =
            outDir + QStringLiteral("/cli-") + QFileInfo(in).baseName() + QStringLiteral(".mp3");
        QProcess p;
        p.start(QStringLiteral("lame"), lameArguments(o, in, out));
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "lame failed: %s\n", p.readAllStandardError().constData());
            std::exit(1);
        }
    }
    return {static_cast<double>(t.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpu0};
}

void compare(const char* what, const Options& o, const QStringList& inputs, const QString& outDir) {
    std::vector<double> engine, cli, engineCpu, cliCpu;
    for (int round = 0; round < o.rounds; ++round) {
        // Alternate which goes first, so neither always meets a warm or a cold cache.
        Timing e, c;
        if (round % 2 == 0) {
            e = timeEngine(o, inputs, outDir);
            c = timeLame(o, inputs, outDir);
        } else {
            c = timeLame(o, inputs, outDir);
            e = timeEngine(o, inputs, outDir);
        }
        engine.push_back(e.wall);
        cli.push_back(c.wall);
        engineCpu.push_back(e.cpu);
        cliCpu.push_back(c.cpu);
        std::printf("  round %d: engine %.3f s (cpu %.3f s), lame %.3f s (cpu %.3f s)\n", round + 1,
                    e.wall, e.cpu, c.wall, c.cpu);
        std::fflush(stdout);
    }
    const double e = median(engine), c = median(cli);
    const double ec = median(engineCpu), cc = median(cliCpu);
    std::printf("%s: elapsed median engine %.3f s, lame %.3f s, ratio %.3f; "
                "processor time median engine %.3f s, lame %.3f s, ratio %.3f\n",
                what, e, c, e / c, ec, cc, ec / cc);
    std::fflush(stdout);
}

// Seconds of the file encoder's loop over the CD-format WAV `in` (read in the encoder's
// chunks, encoded, committed, finished), with the loudness meter fed the same samples and
// the tag written after, or without either.
Timing timeEncodeLoop(const Options& o, const QString& in, const QString& out, bool measureAndTag) {
    auto fail = [](const char* what) {
        std::fprintf(stderr, "tag cost: %s failed\n", what);
        std::exit(1);
    };
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    QFile wav(in);
    if (!wav.open(QIODevice::ReadOnly) || !wav.seek(44))
        fail("reading the WAV");
    auto opened = Mp3Output::open(requestFor(o, in, out).config, out, QStringLiteral("bench"));
    if (!opened)
        fail("opening the MP3");
    Mp3Output& mp3 = *opened.value();
    std::unique_ptr<BackgroundMeter> meter;
    if (measureAndTag) {
        auto made = LoudnessMeter::make(2, 44100);
        if (!made)
            fail("making the meter");
        meter = std::make_unique<BackgroundMeter>(std::move(made.value()));
    }
    std::vector<std::int16_t> chunk(mp3.maxSamplesPerCall());
    for (;;) {
        const qint64 got =
            wav.read(reinterpret_cast<char*>(chunk.data()), static_cast<qint64>(chunk.size() * 2));
        if (got <= 0)
            break;
        const auto samples = static_cast<std::uint32_t>(got / 2);
        if (meter)
            meter->add(chunk.data(), samples);
        if (mp3.encode(chunk.data(), samples) || mp3.commit())
            fail("encoding");
    }
    if (mp3.finish())
        fail("finishing the MP3");
    if (measureAndTag) {
        const std::unique_ptr<LoudnessMeter> measured = meter->finish();
        if (!measured)
            fail("metering");
        id3tag::TagFields fields;
        fields.title = QFileInfo(in).completeBaseName();
        setReplayGain(fields, measured->replayGain(), std::nullopt);
        if (!id3tag::writeTag(out, fields))
            fail("tagging");
    }
    return {static_cast<double>(t.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_SELF) - cpu0};
}

void tagCost(const Options& o, const QString& in, const QString& outDir) {
    std::vector<double> plain, tagged, plainCpu, taggedCpu;
    for (int round = 0; round < o.rounds; ++round) {
        const QString out = outDir + QStringLiteral("/tagcost.mp3");
        Timing p, m;
        if (round % 2 == 0) {
            p = timeEncodeLoop(o, in, out, false);
            m = timeEncodeLoop(o, in, out, true);
        } else {
            m = timeEncodeLoop(o, in, out, true);
            p = timeEncodeLoop(o, in, out, false);
        }
        plain.push_back(p.wall);
        tagged.push_back(m.wall);
        plainCpu.push_back(p.cpu);
        taggedCpu.push_back(m.cpu);
        std::printf("  round %d: without %.3f s (cpu %.3f s), with meter and tag %.3f s (cpu "
                    "%.3f s)\n",
                    round + 1, p.wall, p.cpu, m.wall, m.cpu);
        std::fflush(stdout);
    }
    const double p = median(plain), m = median(tagged);
    const double pc = median(plainCpu), mc = median(taggedCpu);
    std::printf("tag cost: elapsed median without %.3f s, with %.3f s: metering and tagging add "
                "%.2f %% of the encode; processor time median without %.3f s, with %.3f s "
                "(%.2f %% more, the meter running on its own thread)\n",
                p, m, (m - p) / p * 100.0, pc, mc, (mc - pc) / pc * 100.0);
}

int memoryChild(const Options& o, const QString& in, const QString& out) {
    const long idle = statusKb("VmHWM");
    const EncodeRequest request = requestFor(o, in, out);
    EncodeJob encoder([config = request.config] { return config; });
    const EncodeOutcome r = encodeWithJob(encoder, request);
    const long peak = statusKb("VmHWM");
    std::printf("%ld %ld %d\n", idle, peak, r.status == EncodeOutcome::Status::Completed ? 1 : 0);
    return r.status == EncodeOutcome::Status::Completed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&] { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QStringLiteral("--rounds"))
            o.rounds = std::max(1, next().toInt());
        else if (a == QStringLiteral("--bitrate-index"))
            o.bitrateIndex = next().toInt();
        else if (a == QStringLiteral("--quality-index"))
            o.qualityIndex = next().toInt();
        else if (a == QStringLiteral("--files"))
            o.batchFiles = std::max(1, next().toInt());
        else if (a == QStringLiteral("--skip-speed"))
            o.speed = false;
        else if (a == QStringLiteral("--skip-memory"))
            o.memory = false;
        else if (a == QStringLiteral("--lame-noreplaygain"))
            o.lameReplayGain = false;
        else if (a == QStringLiteral("--dir"))
            o.dir = next();
        else if (a == QStringLiteral("--tag-cost"))
            o.tagCost = true;
        else if (a == QStringLiteral("--memory-child") && i + 2 < args.size())
            return memoryChild(o, args[i + 1], args[i + 2]);
        else {
            std::fprintf(stderr, "unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }

    QTemporaryDir temp(o.dir.isEmpty() ? QDir::tempPath() + QStringLiteral("/encode_bench-XXXXXX")
                                       : o.dir + QStringLiteral("/encode_bench-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString dir = temp.path();
    const auto q = modLAME::qualitySettings(modLAME::qualityPresetCode(o.qualityIndex));
    std::printf("folder %s; %u kbit/s, joint stereo, algorithmic quality %d, lowpass %d Hz, "
                "highpass %d Hz\n",
                qPrintable(dir), modLAME::bitrateForIndex(o.bitrateIndex), q.algorithmicQuality,
                q.lowpassHz, q.highpassHz);
    std::printf("lame command: lame %s\n",
                qPrintable(lameArguments(o, QStringLiteral("in.wav"), QStringLiteral("out.mp3"))
                               .join(QLatin1Char(' '))));

    if (o.tagCost) {
        const QString in = dir + QStringLiteral("/track1.wav");
        if (!writeMusicWav(in, 240.0, 1)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(in));
            return 1;
        }
        std::printf("one 4-minute file, %d rounds:\n", o.rounds);
        tagCost(o, in, dir);
        return 0;
    }

    if (o.speed) {
        QStringList batch;
        for (int i = 0; i < o.batchFiles; ++i) {
            const QString p = dir + QStringLiteral("/track%1.wav").arg(i + 1);
            if (!writeMusicWav(p, 240.0, static_cast<unsigned>(i + 1))) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(p));
                return 1;
            }
            batch << p;
        }
        std::printf("one 4-minute file, %d rounds:\n", o.rounds);
        compare("single file", o, {batch.first()}, dir);
        std::printf("batch of %d 4-minute files, %d rounds:\n", o.batchFiles, o.rounds);
        compare("batch", o, batch, dir);
    }

    if (o.memory) {
        const QString in = dir + QStringLiteral("/hour.wav");
        if (!writeMusicWav(in, 3600.0, 99)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(in));
            return 1;
        }
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--bitrate-index"), QString::number(o.bitrateIndex),
                     QStringLiteral("--quality-index"), QString::number(o.qualityIndex),
                     QStringLiteral("--memory-child"), in, dir + QStringLiteral("/hour.mp3")});
        QElapsedTimer t;
        t.start();
        child.waitForFinished(-1);
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || f.size() != 3) {
            std::fprintf(stderr, "memory child failed\n");
            return 1;
        }
        const long idle = f[0].toLong(), peak = f[1].toLong();
        std::printf("60-minute file: encoded in %.1f s; peak resident %ld kB idle, %ld kB after, "
                    "%.1f MB above idle (limit 64 MB)\n",
                    static_cast<double>(t.elapsed()) / 1000.0, idle, peak,
                    static_cast<double>(peak - idle) / 1024.0);
    }
    return 0;
}
