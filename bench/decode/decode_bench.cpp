// Decoder control benchmark.
//
// Speed: makes a stereo 44.1 kHz MP3 (default 4 minutes, 128 kbit/s) with libmp3lame, then
// decodes it to WAV alternately with `mpg123 -q -w out.wav in.mp3` and with the decoder
// control, and prints the median of each and their ratio.
// Memory: makes a long MP3 (default 60 minutes) and decodes it in a child process, which
// reports its resident memory when idle and its peak while decoding.
//
// decode_bench [--runs N] [--minutes M] [--memory-minutes M] [--no-memory] [--dir FOLDER]
#include "engine/platform/activemp3/activemp3.h"

#include "procstatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

// A music-like stereo signal: a slowly changing chord over quiet noise, encoded on the fly.
bool makeMp3(const QString& path, double minutes, int kbps) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    lame_global_flags* gf = lame.get();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, 44100);
    lame_set_out_samplerate(gf, 44100);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kbps);
    lame_set_quality(gf, 7);
    if (lame_init_params(gf) < 0)
        return false;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    constexpr int chunk = 44100;
    std::vector<short> pcm(chunk * 2);
    std::vector<unsigned char> mp3(chunk * 5 / 4 + 7200);
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> hiss(-600, 600);
    const auto total = static_cast<long long>(minutes * 60 * 44100);
    const double tones[] = {220.0, 277.18, 329.63, 440.0, 659.25};
    for (long long first = 0; first < total; first += chunk) {
        const int n = static_cast<int>(std::min<long long>(chunk, total - first));
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(first + i) / 44100;
            double l = 0, r = 0;
            for (int k = 0; k < 5; ++k) {
                const double env =
                    0.5 + 0.5 * std::sin(2 * std::numbers::pi * (0.05 + 0.03 * k) * t);
                const double v = env * std::sin(2 * std::numbers::pi * tones[k] * t);
                l += v * (k % 2 ? 0.6 : 1.0);
                r += v * (k % 2 ? 1.0 : 0.6);
            }
            pcm[2 * i] = static_cast<short>(std::clamp(l * 4000 + hiss(noise), -32767.0, 32767.0));
            pcm[2 * i + 1] =
                static_cast<short>(std::clamp(r * 4000 + hiss(noise), -32767.0, 32767.0));
        }
        const int bytes = lame_encode_buffer_interleaved(gf, pcm.data(), n, mp3.data(),
                                                         static_cast<int>(mp3.size()));
        if (bytes < 0 || out.write(reinterpret_cast<const char*>(mp3.data()), bytes) != bytes)
            return false;
    }
    const int tail = lame_encode_flush(gf, mp3.data(), static_cast<int>(mp3.size()));
    if (tail > 0)
        out.write(reinterpret_cast<const char*>(mp3.data()), tail);
    const std::size_t tag = lame_get_lametag_frame(gf, mp3.data(), mp3.size());
    if (tag > 0 && out.seek(0))
        out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<qint64>(tag));
    return true;
}

// Decodes with the control and waits for its end; seconds taken, or -1 when it failed.
double decodeWithControl(const QString& mp3, const QString& wav) {
    ActiveMP3 control;
    QEventLoop loop;
    bool completed = false;
    QObject::connect(&control, &ActiveMP3::decodingFinished, &loop, [&](bool done) {
        completed = done;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    control.setInputFile(mp3);
    if (!control.decodeToFile(wav)) {
        std::fprintf(stderr, "control: %s\n", qPrintable(control.lastError()));
        return -1;
    }
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    return completed ? seconds : -1;
}

double decodeWithCommand(const QString& program, const QString& mp3, const QString& wav) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("-q"), QStringLiteral("-w"), wav, mp3});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Child process: idle resident memory, then the peak while decoding.
int memoryChild(const QString& mp3, const QString& wav) {
    const long idleKb = statusKb("VmRSS");
    {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // resets the peak to the current size
    }
    const double seconds = decodeWithControl(mp3, wav);
    const long peakKb = statusKb("VmHWM");
    std::printf("%ld %ld %.3f\n", idleKb, peakKb, seconds);
    return seconds < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--memory-child"))
        return memoryChild(args[2], args[3]);

    int runs = 5;
    double minutes = 4, memoryMinutes = 60;
    bool memory = true;
    QString folder;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QStringLiteral("--runs")) {
            runs = next.toInt();
            ++i;
        } else if (a == QStringLiteral("--minutes")) {
            minutes = next.toDouble();
            ++i;
        } else if (a == QStringLiteral("--memory-minutes")) {
            memoryMinutes = next.toDouble();
            ++i;
        } else if (a == QStringLiteral("--dir")) {
            folder = next;
            ++i;
        } else if (a == QStringLiteral("--no-memory")) {
            memory = false;
        } else {
            std::fprintf(stderr,
                         "usage: decode_bench [--runs N] [--minutes M] [--memory-minutes M] "
                         "[--no-memory] [--dir FOLDER]\n");
            return 2;
        }
    }
    QTemporaryDir temp(folder.isEmpty() ? QDir::tempPath() + QStringLiteral("/decode_bench-XXXXXX")
                                        : folder + QStringLiteral("/decode_bench-XXXXXX"));
    if (!temp.isValid())
        return 1;
    const QString mp3 = temp.filePath(QStringLiteral("speed.mp3"));
    std::printf("making a %.1f-minute 128 kbit/s MP3...\n", minutes);
    if (!makeMp3(mp3, minutes, 128))
        return 1;
    std::printf("  %lld bytes\n", QFileInfo(mp3).size());

    const QString program = QStandardPaths::findExecutable(QStringLiteral("mpg123"));
    std::vector<double> control, command;
    for (int i = 0; i < runs; ++i) {
        // Alternate which goes first, so neither always meets a warm or cold cache.
        const bool commandFirst = i % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool runCommand = (k == 0) == commandFirst;
            if (runCommand && !program.isEmpty()) {
                const double s =
                    decodeWithCommand(program, mp3, temp.filePath(QStringLiteral("cmd.wav")));
                command.push_back(s);
                std::printf("  run %d mpg123 -w: %.3f s\n", i + 1, s);
            } else if (!runCommand) {
                const double s = decodeWithControl(mp3, temp.filePath(QStringLiteral("ctl.wav")));
                control.push_back(s);
                std::printf("  run %d control:   %.3f s\n", i + 1, s);
            }
        }
    }
    const double c = median(control);
    std::printf("decoder control median: %.3f s\n", c);
    if (!command.empty()) {
        const double m = median(command);
        std::printf("mpg123 -w median:       %.3f s\nratio control / mpg123: %.3f (limit 1.10)\n",
                    m, c / m);
        std::printf("output sizes: control %lld, mpg123 %lld bytes\n",
                    QFileInfo(temp.filePath(QStringLiteral("ctl.wav"))).size(),
                    QFileInfo(temp.filePath(QStringLiteral("cmd.wav"))).size());
        QFile a(temp.filePath(QStringLiteral("ctl.wav"))),
            b(temp.filePath(QStringLiteral("cmd.wav")));
        if (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly))
            std::printf("audio data identical: %s\n",
                        a.readAll().mid(44) == b.readAll().mid(44) ? "yes" : "no");
    } else {
        std::printf("mpg123 not found: no comparison\n");
    }
    QFile::remove(temp.filePath(QStringLiteral("ctl.wav")));
    QFile::remove(temp.filePath(QStringLiteral("cmd.wav")));

    if (memory) {
        const QString longMp3 = temp.filePath(QStringLiteral("long.mp3"));
        std::printf("making a %.0f-minute 128 kbit/s MP3...\n", memoryMinutes);
        if (!makeMp3(longMp3, memoryMinutes, 128))
            return 1;
        QProcess child;
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--memory-child"), longMp3, temp.filePath(QStringLiteral("long.wav"))});
        child.waitForFinished(-1);
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || fields.size() != 3) {
            std::printf("memory run failed\n");
            return 1;
        }
        const long idle = fields[0].toLong(), peak = fields[1].toLong();
        std::printf("%.0f-minute decode: %s s; resident idle %ld kB, peak %ld kB, above idle "
                    "%.1f MB (limit 64 MB)\n",
                    memoryMinutes, fields[2].constData(), idle, peak, (peak - idle) / 1024.0);
    }
    return 0;
}
