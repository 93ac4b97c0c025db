// mp3vortan-cli convert --mirror over generated libraries:
//  (a) a library of N tiny WAVs in F folders (default 20,000 in 2,000) mirrored to WAV: the
//      first run against `convert --to wav` of the same files in one process (the difference
//      per file is what the walk, the plan and the record add to each conversion), then a
//      second run with nothing to do (its time and peak memory);
//  (b) 200 FLAC files of 30 s to MP3 (-b 128 -j J) against
//      `find | xargs -P J sh -c 'flac -dcs x.flac | lame -b 128 - x.mp3'` on the same tree;
//  (c) the peak memory of the first and second runs at 2,000 files and at N.
//
//   mirror_bench [--files N] [--folders F] [--flacs K] [--seconds S] [--jobs J]
//                [--rounds R] [--dir D] [--skip-library] [--skip-flac] [--mp3-quality NAME]
//
// The program's MP3 quality is the window's choice ("Radio": LAME's algorithm 5 and a
// 15 kHz band, lighter than lame's own default) unless --mp3-quality names one ("Hifi" is
// lame's default algorithm 3 without a band limit).
// Peak memory is the largest resident size of the program (getrusage of a child of a child,
// so no other process counts). The machine may be shared: run it more than once.
#include "benchaudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fcntl.h>

namespace {

struct Options {
    int files = 20000;
    int folders = 2000;
    int flacs = 200;
    double seconds = 30;
    int jobs = 2;
    int rounds = 1;
    QString dir;
    bool library = true;
    bool flac = true;
    QString mp3Quality;
};

struct Measure {
    double wall = 0; // seconds
    long peakKb = 0;
};

double now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs `program` alone to its end, measured in a child of a child of this process.
Measure measured(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& a : arguments)
        words.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int ends[2];
    if (::pipe(ends) != 0)
        benchFail(QStringLiteral("pipe"));
    const pid_t measurer = ::fork();
    if (measurer == 0) {
        ::close(ends[0]);
        const double start = now();
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
        Measure m{now() - start,
                  WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1};
        if (::write(ends[1], &m, sizeof m) != sizeof m)
            ::_exit(1);
        ::_exit(0);
    }
    ::close(ends[1]);
    Measure m{0, -1};
    if (::read(ends[0], &m, sizeof m) != sizeof m)
        m.peakKb = -1;
    ::close(ends[0]);
    ::waitpid(measurer, nullptr, 0);
    if (m.peakKb < 0)
        benchFail(program + QStringLiteral(" ") + arguments.join(QLatin1Char(' ')) +
                  QStringLiteral(" failed"));
    return m;
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
        if (a == QLatin1String("--files"))
            o.files = std::max(1, next().toInt());
        else if (a == QLatin1String("--folders"))
            o.folders = std::max(1, next().toInt());
        else if (a == QLatin1String("--flacs"))
            o.flacs = std::max(1, next().toInt());
        else if (a == QLatin1String("--seconds"))
            o.seconds = std::max(1.0, next().toDouble());
        else if (a == QLatin1String("--jobs"))
            o.jobs = std::max(1, next().toInt());
        else if (a == QLatin1String("--rounds"))
            o.rounds = std::max(1, next().toInt());
        else if (a == QLatin1String("--dir"))
            o.dir = next();
        else if (a == QLatin1String("--skip-library"))
            o.library = false;
        else if (a == QLatin1String("--skip-flac"))
            o.flac = false;
        else if (a == QLatin1String("--mp3-quality"))
            o.mp3Quality = next();
        else
            benchFail(QStringLiteral("unknown argument ") + a);
    }
    return o;
}

// `files` WAVs of 20 ms in `folders` folders two levels deep; returns their paths.
QStringList makeLibrary(const QString& root, int files, int folders) {
    freshFolder(root);
    QStringList made;
    for (int f = 0; f < folders; ++f) {
        const QString folder = root + QStringLiteral("/Artist %1/Album %2")
                                          .arg(f / 20, 3, 10, QLatin1Char('0'))
                                          .arg(f % 20, 2, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const int count = files / folders + (f < files % folders ? 1 : 0);
        for (int t = 0; t < count; ++t) {
            made << folder + QStringLiteral("/%1 Track.wav").arg(t + 1, 2, 10, QLatin1Char('0'));
            writeMusicWav(made.back(), 0.02, static_cast<unsigned>(f * 100 + t));
        }
    }
    return made;
}

void library(const Options& o, const QString& dir, int files, int folders) {
    const QString cli = QStringLiteral(VORTAN_CLI);
    const QString source = dir + QStringLiteral("/library");
    std::printf("Library of %d WAVs of 20 ms in %d folders, -j %d\n", files, folders, o.jobs);
    const QStringList wavs = makeLibrary(source, files, folders);
    const QString jobs = QString::number(o.jobs);
    for (int round = 0; round < o.rounds; ++round) {
        const QString plain = dir + QStringLiteral("/plain");
        freshFolder(plain);
        const Measure convert =
            measured(cli, QStringList{QStringLiteral("convert"), QStringLiteral("--to"),
                                      QStringLiteral("wav"), QStringLiteral("-j"), jobs,
                                      QStringLiteral("-o"), plain}
                              << wavs);
        const QString mirrored = dir + QStringLiteral("/mirror");
        freshFolder(mirrored);
        const QStringList mirror{QStringLiteral("convert"),
                                 QStringLiteral("--mirror"),
                                 source,
                                 QStringLiteral("-o"),
                                 mirrored,
                                 QStringLiteral("--to"),
                                 QStringLiteral("wav"),
                                 QStringLiteral("-j"),
                                 jobs};
        const Measure first = measured(cli, mirror);
        const Measure second = measured(cli, mirror);
        std::printf("  round %d: convert of the files %.2f s (%.0f MB peak); mirror first run "
                    "%.2f s (%.0f MB peak): %+.2f ms a file over the conversions; second run "
                    "%.2f s, %.0f MB peak\n",
                    round + 1, convert.wall, convert.peakKb / 1024.0, first.wall,
                    first.peakKb / 1024.0, (first.wall - convert.wall) * 1000.0 / files,
                    second.wall, second.peakKb / 1024.0);
    }
    std::fflush(stdout);
}

void flacToMp3(const Options& o, const QString& dir) {
    const QString cli = QStringLiteral(VORTAN_CLI);
    const QString flac = toolPath("flac");
    toolPath("lame");
    toolPath("xargs");
    const QString sh = toolPath("sh");
    const QString source = dir + QStringLiteral("/flacs");
    freshFolder(source);
    std::printf("%d FLACs of %.0f s to MP3 -b 128, %d at a time\n", o.flacs, o.seconds, o.jobs);
    for (int i = 0; i < o.flacs; ++i) {
        const QString folder =
            source + QStringLiteral("/Album %1").arg(i / 10, 2, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const QString wav = folder + QStringLiteral("/t.wav");
        writeMusicWav(wav, o.seconds, static_cast<unsigned>(i + 1));
        runPool(
            {{flac,
              {QStringLiteral("-5"), QStringLiteral("-s"), QStringLiteral("-f"),
               QStringLiteral("-o"),
               folder + QStringLiteral("/%1.flac").arg(i % 10 + 1, 2, 10, QLatin1Char('0')), wav}}},
            1);
        QFile::remove(wav);
    }
    const QString script = dir + QStringLiteral("/reference.sh");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        benchFail(script);
    file.write("cd \"$1\" && find . -name '*.flac' -print0 | xargs -0 -P \"$3\" -I{} sh -c "
               "'mkdir -p \"$1/${0%/*}\" && flac -dcs \"$0\" | lame --quiet -b 128 - "
               "\"$1/${0%.flac}.mp3\"' {} \"$2\"\n");
    file.close();
    const QString ours = dir + QStringLiteral("/ours");
    const QString theirs = dir + QStringLiteral("/theirs");
    const QString jobs = QString::number(o.jobs);
    compare({
                "FLAC to MP3",
                [&] {
                    freshFolder(ours);
                    QStringList arguments{QStringLiteral("convert"),
                                          QStringLiteral("--mirror"),
                                          source,
                                          QStringLiteral("-o"),
                                          ours,
                                          QStringLiteral("--to"),
                                          QStringLiteral("mp3"),
                                          QStringLiteral("-b"),
                                          QStringLiteral("128"),
                                          QStringLiteral("-j"),
                                          jobs};
                    if (!o.mp3Quality.isEmpty())
                        arguments << QStringLiteral("-q") << o.mp3Quality;
                    return runPool({{cli, arguments}}, 1);
                },
                [&] {
                    freshFolder(theirs);
                    return runPool({{sh, {script, source, theirs, jobs}}}, 1);
                },
            },
            o.rounds);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Options o = parse(QCoreApplication::arguments());
    QTemporaryDir temp;
    const QString dir = o.dir.isEmpty() ? temp.path() : o.dir;
    // The program reads the settings store: point it at an empty one.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir + QStringLiteral("/config")));
    std::printf("In %s\n", qPrintable(dir));
    if (o.library) {
        if (o.files > 2000)
            library(o, dir, 2000, std::max(1, o.folders * 2000 / o.files));
        library(o, dir, o.files, o.folders);
    }
    if (o.flac)
        flacToMp3(o, dir);
    return 0;
}
