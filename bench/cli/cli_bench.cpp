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
#include "benchaudio.h"
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
            benchFail(QStringLiteral("unknown argument ") + a);
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options o = parse(QCoreApplication::arguments());
    const QString cli = QStringLiteral(VORTAN_CLI);
    const QString lame = toolPath("lame");
    const QString mpg123 = toolPath("mpg123");
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
        writeMusicWav(wavs.back(), o.seconds, static_cast<unsigned>(i + 1));
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
            benchFail(QStringLiteral("missing ") + name);
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
