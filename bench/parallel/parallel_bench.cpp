// Runs the main window's two batches (offscreen, as the action button does) over the same
// files with "Files converted at once" 1 and 2, and the reference tools over them one after
// the other: 8 CD-format WAVs of four minutes to MP3 (lame, the window's bitrate and
// quality), then those MP3s back to WAV (mpg123 -w). Prints elapsed times and ratios.
//
// Usage: parallel_bench [seconds of audio per file, default 240] [files, default 8]
// Runs with its own settings and folders; touches nothing of the user's.
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/encode/modlame.h"
#include "window/main/form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace {

constexpr int bitrateIndex = 8; // 128 kbit/s

QByteArray sineWav(double seconds, double hz) {
    const int frames = static_cast<int>(seconds * 44100);
    QByteArray data(frames * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<std::int16_t*>(data.data());
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / 44100));
        out[2 * i] = v;
        out[2 * i + 1] = static_cast<std::int16_t>(v / 2);
    }
    auto le = [](QByteArray& b, std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k)
            b.append(static_cast<char>(v >> (8 * k)));
    };
    QByteArray h("RIFF");
    le(h, static_cast<std::uint32_t>(data.size() + 36), 4);
    h.append("WAVEfmt ");
    le(h, 16, 4);
    le(h, 1, 2);
    le(h, 2, 2);
    le(h, 44100, 4);
    le(h, 44100 * 4, 4);
    le(h, 4, 2);
    le(h, 16, 2);
    h.append("data");
    le(h, static_cast<std::uint32_t>(data.size()), 4);
    return h + data;
}

// lame at the window's choices: constant bitrate, joint stereo, the quality's algorithm and
// filters.
QStringList lameArguments(const QString& in, const QString& out) {
    const auto q = modLAME::qualitySettings(modLAME::qualityPresetCode(EncodingQuality));
    QStringList a = {QStringLiteral("--quiet"),
                     QStringLiteral("-b"),
                     QString::number(modLAME::bitrateForIndex(bitrateIndex)),
                     QStringLiteral("--cbr"),
                     QStringLiteral("-m"),
                     QStringLiteral("j"),
                     QStringLiteral("-q"),
                     QString::number(q.algorithmicQuality)};
    if (q.lowpassHz > 0)
        a << QStringLiteral("--lowpass") << QString::number(q.lowpassHz / 1000.0);
    if (q.highpassHz > 0)
        a << QStringLiteral("--highpass") << QString::number(q.highpassHz / 1000.0);
    return a << in << out;
}

// Seconds the tool takes over `inputs`, one after the other; -1 when a run fails.
double runTool(const QString& program, const QStringList& inputs,
               const std::function<QStringList(const QString&)>& arguments) {
    QElapsedTimer clock;
    clock.start();
    for (const QString& in : inputs) {
        QProcess p;
        p.start(program, arguments(in));
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                         p.readAllStandardError().constData());
            return -1;
        }
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Seconds the window's batch of `group` takes with `atOnce` files at once; the outputs.
double runWindow(Form1& window, const QString& group, int atOnce, QStringList& outputs) {
    WriteSetting(SettingKey::FilesAtOnce, static_cast<std::int16_t>(atOnce));
    window.tree().setSelectedNode(window.tree().findByText(group));
    QElapsedTimer clock;
    clock.start();
    window.CmdSelectAction_Click();
    // The click starts the batch and returns; the batch runs on in the event loop.
    while (window.isJobRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    outputs.clear();
    if (window.lastBatch().items.isEmpty())
        return -1;
    for (qsizetype i = 0; i < window.lastBatch().items.size(); ++i) {
        if (window.lastBatch().results[i].status != JobResult::Status::Completed)
            return -1;
        outputs << window.lastBatch().items[i].output;
    }
    return seconds;
}

void removeAll(const QStringList& files) {
    for (const QString& f : files)
        QFile::remove(f);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.filePath(QStringLiteral("config")));
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 240.0;
    const int files = argc > 2 ? std::max(2, std::atoi(argv[2])) : 8;

    QTemporaryDir sources, dest, reference;
    if (!home.isValid() || !sources.isValid() || !dest.isValid() || !reference.isValid()) {
        std::fprintf(stderr, "cannot make temporary folders\n");
        return 1;
    }
    WriteSetting(SettingKey::DecodePath, dest.path());
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0")); // the sources serve every run
    WriteSetting(SettingKey::EncodingBitrate, static_cast<std::int16_t>(bitrateIndex));
    LoadSettings();

    QStringList wavs;
    for (int i = 0; i < files; ++i) {
        const QString path = sources.filePath(QStringLiteral("take %1.wav").arg(i + 1));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(sineWav(seconds, 220 + 40 * i)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        wavs << path;
    }
    std::printf("%d files of %.0f s of CD audio each; %d processor cores\n", files, seconds,
                QThread::idealThreadCount());

    Form1 window;
    window.Form_Load();

    // Encoding.
    const double lame = runTool(QStringLiteral("lame"), wavs, [&](const QString& in) {
        return lameArguments(
            in, reference.filePath(QFileInfo(in).completeBaseName() + QStringLiteral(".mp3")));
    });
    QStringList mp3s;
    window.tree().List5.setItems(wavs);
    const double encode1 = runWindow(window, SourceTree::SelectedWavText, 1, mp3s);
    removeAll(mp3s);
    window.tree().List5.setItems(wavs);
    const double encode2 = runWindow(window, SourceTree::SelectedWavText, 2, mp3s);
    if (lame < 0 || encode1 < 0 || encode2 < 0)
        return 1;
    std::printf("WAV to MP3: lame one after another %.2f s; window 1 at once %.2f s (ratio "
                "%.3f), 2 at once %.2f s (ratio %.3f)\n",
                lame, encode1, encode1 / lame, encode2, encode2 / lame);

    // Decoding the window's MP3s.
    const double mpg123 = runTool(QStringLiteral("mpg123"), mp3s, [&](const QString& in) {
        return QStringList{
            QStringLiteral("-q"), QStringLiteral("-w"),
            reference.filePath(QFileInfo(in).completeBaseName() + QStringLiteral(".wav")), in};
    });
    QStringList decoded;
    window.tree().List4.setItems(mp3s);
    const double decode1 = runWindow(window, SourceTree::SelectedMp3Text, 1, decoded);
    removeAll(decoded);
    window.tree().List4.setItems(mp3s);
    const double decode2 = runWindow(window, SourceTree::SelectedMp3Text, 2, decoded);
    if (mpg123 < 0 || decode1 < 0 || decode2 < 0)
        return 1;
    std::printf("MP3 to WAV: mpg123 -w one after another %.2f s; window 1 at once %.2f s "
                "(ratio %.3f), 2 at once %.2f s (ratio %.3f)\n",
                mpg123, decode1, decode1 / mpg123, decode2, decode2 / mpg123);
    return 0;
}
