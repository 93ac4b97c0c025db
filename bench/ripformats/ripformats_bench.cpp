// A rip to FLAC and MP3 from one read against what it saves the user: an MP3-only rip, then
// `flac -5` over the WAVs of the same tracks.
//
//   ripformats_bench [--rounds N] [--tracks T] [--minutes M] [--dir FOLDER]
//
// Writes a BIN/CUE image of T (4) tracks of M (4) minutes each; rips it once to WAV (not
// timed) for the reference's FLAC input; then, alternating which goes first, for N (3)
// rounds: `mp3vortan-cli rip --to flac,mp3 -b 128` against `mp3vortan-cli rip --mp3 -b 128`
// followed by one `flac -5` over the WAVs. Prints each round, the medians and the ratio.
#include "benchaudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 3;
    int tracks = 4;
    double minutes = 4;
    QString dirPath;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--tracks"))
            tracks = std::clamp(args[++i].toInt(), 1, 99);
        else if (args[i] == QLatin1String("--minutes"))
            minutes = std::max(0.1, args[++i].toDouble());
        else if (args[i] == QLatin1String("--dir"))
            dirPath = args[++i];
        else
            benchFail(QStringLiteral("unknown argument ") + args[i]);
    }
    QTemporaryDir temp;
    const QString dir = dirPath.isEmpty() ? temp.path() : dirPath;
    // The program reads the settings store: an empty one, whose AccurateRip server is a
    // loopback port nothing listens on, so no run waits on the network.
    const QString config = dir + QStringLiteral("/config");
    QDir().mkpath(config);
    QFile settings(config + QStringLiteral("/MP3 Vortan v2.0.conf"));
    if (!settings.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        settings.write("[Settings]\nAccurateRip%20server=127.0.0.1:9\n") < 0 || !settings.flush())
        benchFail(QStringLiteral("cannot write the settings"));
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());

    const QString cue = dir + QStringLiteral("/disc.cue");
    const int sectors = static_cast<int>(minutes * 60 * 75);
    if (!writeDiscImage(cue, dir + QStringLiteral("/disc.bin"),
                        std::vector<int>(static_cast<std::size_t>(tracks), sectors)))
        benchFail(QStringLiteral("cannot write the disc image"));
    const QString cli = QStringLiteral(VORTAN_CLI);
    const QString flac = toolPath("flac");

    const QString wavs = dir + QStringLiteral("/wav");
    freshFolder(wavs);
    runPool(
        {{cli, {QStringLiteral("rip"), QStringLiteral("--wav"), QStringLiteral("-o"), wavs, cue}}},
        1);
    QStringList flacArguments = {QStringLiteral("-5"), QStringLiteral("-s"), QStringLiteral("-f")};
    for (const QString& name : QDir(wavs).entryList({QStringLiteral("*.wav")}, QDir::Files))
        flacArguments << wavs + QLatin1Char('/') + name;

    const QString ours = dir + QStringLiteral("/ours");
    const QString theirs = dir + QStringLiteral("/theirs");
    std::printf("%d tracks of %.1f minutes, %d rounds, in %s\n", tracks, minutes, rounds,
                qPrintable(dir));
    std::printf("program:   mp3vortan-cli rip --to flac,mp3 -b 128 -o OUT DISC\n");
    std::printf("reference: mp3vortan-cli rip --mp3 -b 128 -o OUT DISC; flac -5 WAV...\n\n");
    const double ratio = compare(
        {"rip to FLAC and MP3",
         [&] {
             freshFolder(ours);
             return runPool(
                 {{cli,
                   {QStringLiteral("rip"), QStringLiteral("--to"), QStringLiteral("flac,mp3"),
                    QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("-o"), ours, cue}}},
                 1);
         },
         [&] {
             freshFolder(theirs);
             const Timing rip =
                 runPool({{cli,
                           {QStringLiteral("rip"), QStringLiteral("--mp3"), QStringLiteral("-b"),
                            QStringLiteral("128"), QStringLiteral("-o"), theirs, cue}}},
                         1);
             const Timing encode = runPool({{flac, flacArguments}}, 1);
             return Timing{rip.wall + encode.wall, rip.cpu + encode.cpu};
         }},
        rounds);
    std::printf("ratio %.3f (target <= 1.10)\n", ratio);
    return 0;
}
