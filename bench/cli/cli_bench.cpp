// mp3vortan-cli's batches against what a shell user would run in their place.
//
//   cli_bench [--rounds N] [--files N] [--seconds S] [--jobs J] [--bitrate-index I]
//             [--quality-index Q] [--lame-noreplaygain] [--decode-only] [--reference-sync]
//             [--dir FOLDER]
//
// Makes N (8) CD-format WAVs of S (240) seconds of music-like material, then, alternating
// which goes first, for R (5) rounds:
//  - encode: `mp3vortan-cli encode -j J` over the files against J `lame` processes at a
//    time over the same files (a new one starting as one ends, as `xargs -P J` does), at the
//    same bitrate, joint stereo, algorithmic quality and band limits;
//  - decode: `mp3vortan-cli decode -j J` over the MP3s the program made against J
//    `mpg123 -q -w` processes at a time. The program syncs each WAV to the disk before it calls
//    it done; mpg123 does not. With --reference-sync each mpg123 run is followed by
//    `sync -d` of its WAV, so both sides do the same work.
// Prints each round, the medians and the ratios (program / reference).
#include "engine/encode/modlame.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

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
#include <vector>

namespace {

struct Options {
    int rounds = 5;
    int files = 8;
    double seconds = 240;
    int jobs = 2;
    int bitrateIndex = 8;       // 128 kbit/s
    int qualityIndex = 1;       // "Normal"
    bool lameReplayGain = true; // lame analyses loudness as the program does
    bool decodeOnly = false;    // the encoding only makes the MP3s, once
    bool referenceSync = false;
    QString dir;
};

[[noreturn]] void die(const QString& why) {
    std::fprintf(stderr, "cli_bench: %s\n", qPrintable(why));
    std::exit(1);
}

// A CD-format WAV of a few drifting tones over noise, written a second at a time.
void writeWav(const QString& path, double seconds, unsigned seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        die(QStringLiteral("cannot write ") + path);
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
        die(QStringLiteral("cannot write ") + path);
}

struct Timing {
    double wall = 0; // seconds from the first start to the last end
    double cpu = 0;  // processor seconds (user and system) of the commands
};

// Processor seconds of this process's waited-for children.
double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the commands J at a time, a new one starting as soon as one ends.
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
                                     die(raw->program() + QStringLiteral(" failed: ") +
                                         QString::fromLocal8Bit(raw->readAllStandardError()));
                                 --running;
                                 startNext();
                                 if (running == 0 && next == commands.size())
                                     loop.quit();
                             });
            raw->start(commands[next].first, commands[next].second);
            if (!raw->waitForStarted())
                die(QStringLiteral("cannot start ") + commands[next].first);
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
    return values[values.size() / 2];
}

void freshFolder(const QString& path) {
    QDir(path).removeRecursively();
    if (!QDir().mkpath(path))
        die(QStringLiteral("cannot make ") + path);
}

struct Comparison {
    const char* what;
    std::function<Timing()> program;
    std::function<Timing()> reference;
};

void compare(const Comparison& c, int rounds) {
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
}

Options parse(const QStringList& args) {
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&]() -> QString {
            if (i + 1 >= args.size())
                die(a + QStringLiteral(" needs a value"));
            return args[++i];
        };
        if (a == QLatin1String("--rounds"))
            o.rounds = std::max(1, next().toInt());
        else if (a == QLatin1String("--files"))
            o.files = std::max(1, next().toInt());
        else if (a == QLatin1String("--seconds"))
            o.seconds = std::max(1.0, next().toDouble());
        else if (a == QLatin1String("--jobs"))
            o.jobs = std::max(1, next().toInt());
        else if (a == QLatin1String("--bitrate-index"))
            o.bitrateIndex = next().toInt();
        else if (a == QLatin1String("--quality-index"))
            o.qualityIndex = next().toInt();
        else if (a == QLatin1String("--lame-noreplaygain"))
            o.lameReplayGain = false;
        else if (a == QLatin1String("--decode-only"))
            o.decodeOnly = true;
        else if (a == QLatin1String("--reference-sync"))
            o.referenceSync = true;
        else if (a == QLatin1String("--dir"))
            o.dir = next();
        else
            die(QStringLiteral("unknown argument ") + a);
    }
    return o;
}

QString tool(const char* name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        die(QStringLiteral("%1 not found").arg(QLatin1String(name)));
    return path;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options o = parse(QCoreApplication::arguments());
    const QString cli = QStringLiteral(VORTAN_CLI);
    const QString lame = tool("lame");
    const QString mpg123 = tool("mpg123");
    QTemporaryDir temp;
    const QString dir = o.dir.isEmpty() ? temp.path() : o.dir;
    // The program reads the settings store: point it at an empty one.
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toLocal8Bit());

    const QString kbps = QString::number(modLAME::bitrateForIndex(o.bitrateIndex));
    const QString quality = modLAME::qualityNames().value(o.qualityIndex, QStringLiteral("Normal"));
    const auto band = modLAME::qualitySettings(modLAME::qualityPresetCode(o.qualityIndex));
    QStringList lameFlags = {QStringLiteral("--quiet"),
                             QStringLiteral("-b"),
                             kbps,
                             QStringLiteral("--cbr"),
                             QStringLiteral("-m"),
                             QStringLiteral("j"),
                             QStringLiteral("-q"),
                             QString::number(band.algorithmicQuality)};
    if (!o.lameReplayGain)
        lameFlags << QStringLiteral("--noreplaygain");
    if (band.lowpassHz > 0)
        lameFlags << QStringLiteral("--lowpass") << QString::number(band.lowpassHz / 1000.0);
    if (band.highpassHz > 0)
        lameFlags << QStringLiteral("--highpass") << QString::number(band.highpassHz / 1000.0);

    std::printf("%d files of %.0f s, %d at a time, %d rounds, in %s\n", o.files, o.seconds, o.jobs,
                o.rounds, qPrintable(dir));
    QStringList wavs;
    for (int i = 0; i < o.files; ++i) {
        wavs << dir + QStringLiteral("/track%1.wav").arg(i + 1);
        writeWav(wavs.back(), o.seconds, static_cast<unsigned>(i + 1));
    }
    const QString jobs = QString::number(o.jobs);
    std::printf("program:   mp3vortan-cli encode -j %s -b %s -q %s -o OUT FILE...\n",
                qPrintable(jobs), qPrintable(kbps), qPrintable(quality));
    std::printf("reference: lame %s IN OUT, %d at a time\n\n",
                qPrintable(lameFlags.join(QLatin1Char(' '))), o.jobs);

    const QString ours = dir + QStringLiteral("/ours");
    const QString theirs = dir + QStringLiteral("/theirs");
    // One run of the program over `inputs`, and the reference tool run once per input, J at
    // a time, each into a fresh output folder.
    auto program = [&](const QString& command, const QStringList& flags,
                       const QStringList& inputs) {
        return [&, command, flags, inputs] {
            freshFolder(ours);
            return runPool({{cli, QStringList{command, QStringLiteral("-j"), jobs}
                                      << flags << QStringLiteral("-o") << ours << inputs}},
                           1);
        };
    };
    using Arguments = std::function<QStringList(const QString& input, const QString& output)>;
    auto reference = [&](const QString& tool, const Arguments& arguments, const QStringList& inputs,
                         const QString& extension) {
        return [&, tool, arguments, inputs, extension] {
            freshFolder(theirs);
            std::vector<std::pair<QString, QStringList>> commands;
            for (const QString& input : inputs)
                commands.push_back(
                    {tool, arguments(input, theirs + QLatin1Char('/') +
                                                QFileInfo(input).completeBaseName() + extension)});
            return runPool(commands, o.jobs);
        };
    };
    auto encodeOurs = program(QStringLiteral("encode"),
                              {QStringLiteral("-b"), kbps, QStringLiteral("-q"), quality}, wavs);
    auto encodeTheirs = reference(
        lame,
        [&lameFlags](const QString& in, const QString& out) {
            return QStringList(lameFlags) << in << out;
        },
        wavs, QStringLiteral(".mp3"));
    if (o.decodeOnly)
        encodeOurs();
    else
        compare({"encode", encodeOurs, encodeTheirs}, o.rounds);

    // The decoding batch reads the program's own MP3s, kept apart from the next outputs.
    const QString mp3Folder = dir + QStringLiteral("/mp3");
    freshFolder(mp3Folder);
    QStringList mp3s;
    for (const QString& wav : wavs) {
        const QString name = QFileInfo(wav).completeBaseName() + QStringLiteral(".mp3");
        mp3s << mp3Folder + QLatin1Char('/') + name;
        if (!QFile::copy(ours + QLatin1Char('/') + name, mp3s.back()))
            die(QStringLiteral("missing ") + name);
    }
    std::printf("program:   mp3vortan-cli decode -j %s -o OUT FILE...\n", qPrintable(jobs));
    std::printf("reference: mpg123 -q -w OUT IN%s, %d at a time\n\n",
                o.referenceSync ? " && sync -d OUT" : "", o.jobs);
    auto decodeOurs = program(QStringLiteral("decode"), {}, mp3s);
    auto decodeTheirs =
        o.referenceSync
            ? reference(
                  QStringLiteral("sh"),
                  [mpg123](const QString& in, const QString& out) {
                      return QStringList{
                          QStringLiteral("-c"),
                          QStringLiteral("\"$0\" -q -w \"$1\" \"$2\" && sync -d \"$1\""), mpg123,
                          out, in};
                  },
                  mp3s, QStringLiteral(".wav"))
            : reference(
                  mpg123,
                  [](const QString& in, const QString& out) {
                      return QStringList{QStringLiteral("-q"), QStringLiteral("-w"), out, in};
                  },
                  mp3s, QStringLiteral(".wav"));
    compare({"decode", decodeOurs, decodeTheirs}, o.rounds);
    return 0;
}
