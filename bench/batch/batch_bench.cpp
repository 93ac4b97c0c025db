// Runs the main window's two batches as the action button does, over 20 files each: 20 WAVs
// encoded to MP3 from "Selected WAV Files", then those 20 MP3s decoded back to WAV from
// "Selected MP3 Files". Reports, per file, the time spent outside the encoder and the
// decoder themselves: captions, locking, output naming, deleting the source, listing the new
// file, and the waits the program makes on purpose (listing a new file first waits 0.3 s;
// deleting a source waits 0.2 s; the decoder window looks at the decoder every 0.5 s, so a
// decode is seen to end up to 0.5 s after it did).
//
// Usage: batch_bench [seconds of audio per file, default 5]
// Runs offscreen with its own settings and folders; touches nothing of the user's.
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "window/main/form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int fileCount = 20;

QByteArray sineWav(double seconds, double hz) {
    const int frames = static_cast<int>(seconds * 44100);
    QByteArray data(frames * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<std::int16_t*>(data.data());
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / 44100));
        out[2 * i] = out[2 * i + 1] = v;
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

struct Figures {
    double totalMs = 0;
    double workMs = 0;
    double pollWaitMs = 0; // decoder window: from each decode's end to its next look
    int completed = 0;
};

constexpr double pollMs = 500;

Figures runBatch(Form1& window, const QString& group) {
    window.tree().setSelectedNode(window.tree().findByText(group));
    QElapsedTimer clock;
    clock.start();
    window.CmdSelectAction_Click();
    // The click starts the batch and returns; the batch runs on in the event loop.
    while (window.isJobRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    Figures f;
    f.totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    for (const JobResult& r : window.lastBatch().results) {
        const auto work = static_cast<double>(r.workTime.count());
        f.workMs += work;
        f.pollWaitMs += std::ceil(std::max(work, 1.0) / pollMs) * pollMs - work;
        f.completed += r.status == JobResult::Status::Completed ? 1 : 0;
    }
    return f;
}

// `waitsMs`: the program's own waits per file.
void report(const char* what, const Figures& f, double waitsMs, const char* waits) {
    const double outside = (f.totalMs - f.workMs) / fileCount;
    std::printf("%s: %d of %d files, %.0f ms in all, %.0f ms converting\n", what, f.completed,
                fileCount, f.totalMs, f.workMs);
    std::printf("  outside the converter: %.0f ms per file, of which the program's own waits "
                "(%s) %.0f ms\n",
                outside, waits, waitsMs);
    std::printf("  beyond those waits: %.1f ms per file\n", outside - waitsMs);
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
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 5.0;

    QTemporaryDir sources, dest;
    if (!home.isValid() || !sources.isValid() || !dest.isValid()) {
        std::fprintf(stderr, "cannot make temporary folders\n");
        return 1;
    }
    WriteSetting(SettingKey::DecodePath, dest.path());
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("1")); // as a new user has it
    WriteSetting(SettingKey::EncodingBitrate, QStringLiteral("8"));

    QStringList wavs;
    for (int i = 0; i < fileCount; ++i) {
        const QString path = sources.filePath(QStringLiteral("take %1.wav").arg(i + 1));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(sineWav(seconds, 220 + 40 * i)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        wavs << path;
    }

    Form1 window;
    window.Form_Load();
    std::printf("%d files of %.1f s of CD audio each\n", fileCount, seconds);

    window.tree().List5.setItems(wavs);
    const Figures encode = runBatch(window, SourceTree::SelectedWavText);
    report("WAV to MP3", encode, 500, "0.3 s listing the MP3, 0.2 s deleting the source");

    QStringList mp3s;
    for (const WorkItem& item : window.lastBatch().items)
        mp3s << item.output;
    window.tree().List4.setItems(mp3s);
    const Figures decode = runBatch(window, SourceTree::SelectedMp3Text);
    report("MP3 to WAV", decode, 300 + decode.pollWaitMs / fileCount,
           "0.3 s listing the WAV, the wait for the decoder window's next look");
    return encode.completed == fileCount && decode.completed == fileCount ? 0 : 1;
}
