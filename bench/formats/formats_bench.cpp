// mp3vortan-cli convert against the reference tools a shell user would run in its place, side
// by side in one run:
//  - WAV to FLAC: `convert --to flac -j J` against J parallel `flac -5`, and against J
//    parallel `flac -5 -V`, which verifies its frames by decoding them as the program does;
//  - WAV to Opus: `convert --to opus -b 128 -j J` against J parallel `opusenc --bitrate 128`;
//  - FLAC to MP3: `convert --to mp3 -b 128 -j J` over the FLACs against J parallel
//    `flac -dcs x.flac | lame -b 128 - x.mp3`;
//  - peak memory (the largest resident size of the process, getrusage of its children) of
//    one conversion of a file of M minutes to FLAC and to MP3, beside `flac -5`'s.
//
//   formats_bench [--rounds N] [--files N] [--seconds S] [--jobs J] [--minutes M]
//                 [--mp3-quality NAME] [--dir D]
//
// Defaults: 3 rounds (alternating which side goes first), 4 files of 240 s, J = 2, M = 60
// (0 leaves the memory out). The program's MP3 quality is the window's choice ("Radio":
// LAME's algorithm 5 and a 15 kHz band, lighter than lame's own default) unless
// --mp3-quality names one ("Hifi" is lame's default algorithm 3 without a band limit).
// Prints each round, the medians and the ratios (program / reference). The program flushes
// each output to the disk before it calls it done; the tools do not.
#include "benchaudio.h"

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
#include <fcntl.h>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    int rounds = 3;
    int files = 4;
    double seconds = 240;
    int jobs = 2;
    double minutes = 60;
    QString mp3Quality;
    QString dir;
};

using Command = std::pair<QString, QStringList>;

// The peak resident size in kB of `program` run alone to its end: measured in a child of a
// child of this process, so that no other process's peak counts.
long peakKb(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& a : arguments)
        words.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        benchFail(QStringLiteral("pipe"));
    const pid_t measurer = ::fork();
    if (measurer == 0) {
        ::close(pipeEnds[0]);
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        rusage usage{};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        const long kb = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
        if (::write(pipeEnds[1], &kb, sizeof kb) != sizeof kb)
            ::_exit(1);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    long kb = -1;
    if (::read(pipeEnds[0], &kb, sizeof kb) != sizeof kb)
        kb = -1;
    ::close(pipeEnds[0]);
    ::waitpid(measurer, nullptr, 0);
    if (kb < 0)
        benchFail(program + QStringLiteral(" failed"));
    return kb;
}

Options parse(const QStringList& args) {
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&]() -> QString {
            if (i + 1 >= args.size())
                benchFail(a + QStringLiteral(" needs a value"));
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
        else if (a == QLatin1String("--minutes"))
            o.minutes = std::max(0.0, next().toDouble());
        else if (a == QLatin1String("--mp3-quality"))
            o.mp3Quality = next();
        else if (a == QLatin1String("--dir"))
            o.dir = next();
        else
            benchFail(QStringLiteral("unknown argument ") + a);
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options o = parse(QCoreApplication::arguments());
    const QString cli = QStringLiteral(VORTAN_CLI);
    const QString flac = toolPath("flac");
    const QString opusenc = toolPath("opusenc");
    const QString lame = toolPath("lame");
    const QString sh = toolPath("sh");
    QTemporaryDir temp;
    const QString dir = o.dir.isEmpty() ? temp.path() : o.dir;
    // The program reads the settings store: point it at an empty one.
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toLocal8Bit());

    std::printf("%d files of %.0f s, %d at a time, %d rounds, in %s\n\n", o.files, o.seconds,
                o.jobs, o.rounds, qPrintable(dir));
    QStringList wavs;
    for (int i = 0; i < o.files; ++i) {
        wavs << dir + QStringLiteral("/track%1.wav").arg(i + 1);
        writeMusicWav(wavs.back(), o.seconds, static_cast<unsigned>(i + 1));
    }
    const QString jobs = QString::number(o.jobs);
    const QString ours = dir + QStringLiteral("/ours");
    const QString theirs = dir + QStringLiteral("/theirs");
    auto program = [&](const QStringList& flags, const QStringList& inputs) {
        return [&, flags, inputs] {
            freshFolder(ours);
            return runPool({{cli, QStringList{QStringLiteral("convert"), QStringLiteral("-j"), jobs}
                                      << flags << QStringLiteral("-o") << ours << inputs}},
                           1);
        };
    };
    using Arguments = std::function<Command(const QString& input, const QString& output)>;
    auto reference = [&](const Arguments& command, const QStringList& inputs,
                         const QString& extension) {
        return [&, command, inputs, extension] {
            freshFolder(theirs);
            std::vector<Command> commands;
            for (const QString& input : inputs)
                commands.push_back(command(input, theirs + QLatin1Char('/') +
                                                      QFileInfo(input).completeBaseName() +
                                                      extension));
            return runPool(commands, o.jobs);
        };
    };

    std::printf("WAV to FLAC: mp3vortan-cli convert --to flac -j %s against flac -5, %d at a "
                "time\n",
                qPrintable(jobs), o.jobs);
    compare(
        {
            "WAV to FLAC",
            program({QStringLiteral("--to"), QStringLiteral("flac")}, wavs),
            reference(
                [&flac](const QString& in, const QString& out) {
                    return Command{flac,
                                   {QStringLiteral("-5"), QStringLiteral("-s"),
                                    QStringLiteral("-f"), QStringLiteral("-o"), out, in}};
                },
                wavs, QStringLiteral(".flac")),
        },
        o.rounds);

    std::printf("WAV to FLAC: mp3vortan-cli convert --to flac -j %s against flac -5 -V, %d at a "
                "time\n",
                qPrintable(jobs), o.jobs);
    compare(
        {
            "WAV to FLAC (both verifying)",
            program({QStringLiteral("--to"), QStringLiteral("flac")}, wavs),
            reference(
                [&flac](const QString& in, const QString& out) {
                    return Command{flac,
                                   {QStringLiteral("-5"), QStringLiteral("-V"),
                                    QStringLiteral("-s"), QStringLiteral("-f"),
                                    QStringLiteral("-o"), out, in}};
                },
                wavs, QStringLiteral(".flac")),
        },
        o.rounds);

    std::printf("WAV to Opus: mp3vortan-cli convert --to opus -b 128 -j %s against opusenc "
                "--bitrate 128, %d at a time\n",
                qPrintable(jobs), o.jobs);
    compare(
        {
            "WAV to Opus",
            program({QStringLiteral("--to"), QStringLiteral("opus"), QStringLiteral("-b"),
                     QStringLiteral("128")},
                    wavs),
            reference(
                [&opusenc](const QString& in, const QString& out) {
                    return Command{opusenc,
                                   {QStringLiteral("--quiet"), QStringLiteral("--bitrate"),
                                    QStringLiteral("128"), in, out}};
                },
                wavs, QStringLiteral(".opus")),
        },
        o.rounds);

    // The FLACs the reference made are the sources of the MP3s.
    const QString flacFolder = dir + QStringLiteral("/flac");
    freshFolder(flacFolder);
    QStringList flacs;
    for (const QString& wav : wavs) {
        flacs << flacFolder + QLatin1Char('/') + QFileInfo(wav).completeBaseName() +
                     QStringLiteral(".flac");
        runPool({{flac,
                  {QStringLiteral("-5"), QStringLiteral("-s"), QStringLiteral("-f"),
                   QStringLiteral("-o"), flacs.back(), wav}}},
                1);
    }
    QStringList mp3Flags{QStringLiteral("--to"), QStringLiteral("mp3"), QStringLiteral("-b"),
                         QStringLiteral("128")};
    if (!o.mp3Quality.isEmpty())
        mp3Flags << QStringLiteral("-q") << o.mp3Quality;
    std::printf("FLAC to MP3: mp3vortan-cli convert %s -j %s against "
                "flac -dcs x.flac | lame -b 128 - x.mp3, %d at a time\n",
                qPrintable(mp3Flags.join(QLatin1Char(' '))), qPrintable(jobs), o.jobs);
    compare(
        {
            "FLAC to MP3",
            program(mp3Flags, flacs),
            reference(
                [&](const QString& in, const QString& out) {
                    return Command{sh,
                                   {QStringLiteral("-c"),
                                    QStringLiteral("\"$0\" -dcs \"$2\" | \"$1\" --quiet -b 128 - "
                                                   "\"$3\""),
                                    flac, lame, in, out}};
                },
                flacs, QStringLiteral(".mp3")),
        },
        o.rounds);

    if (o.minutes <= 0)
        return 0;
    const QString longWav = dir + QStringLiteral("/long.wav");
    writeMusicWav(longWav, o.minutes * 60, 7);
    const QString longFlac = dir + QStringLiteral("/long-ref.flac");
    const long flacKb =
        peakKb(flac, {QStringLiteral("-5"), QStringLiteral("-s"), QStringLiteral("-f"),
                      QStringLiteral("-o"), longFlac, longWav});
    freshFolder(ours);
    const long toFlacKb =
        peakKb(cli, {QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("flac"),
                     QStringLiteral("-o"), ours, longWav});
    const long toMp3Kb = peakKb(cli, {QStringLiteral("convert"), QStringLiteral("--to"),
                                      QStringLiteral("mp3"), QStringLiteral("-b"),
                                      QStringLiteral("128"), QStringLiteral("-o"), ours, longFlac});
    std::printf("Peak memory of one %.0f-minute file: mp3vortan-cli convert WAV to FLAC %.1f MB, "
                "FLAC to MP3 %.1f MB; flac -5 %.1f MB (ratio %.2f)\n",
                o.minutes, toFlacKb / 1024.0, toMp3Kb / 1024.0, flacKb / 1024.0,
                static_cast<double>(toFlacKb) / static_cast<double>(flacKb));
    return 0;
}
