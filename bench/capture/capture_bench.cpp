// Two-step capture benchmark: records the default input for a while through the media-control
// layer ("open new type waveaudio", "set ... folder", "record", "stop", "save"), as the capture
// job does, and prints the process's peak resident memory (VmHWM) with the recording's length
// and the time the save took.
//
// Without PULSE_SERVER it starts a private PulseAudio server with a null sink (the tests'
// fixture script) and stops it at the end. Real time: --minutes 10 takes ten minutes.
//
// capture_bench [--minutes M] [--dir FOLDER]
#include "engine/platform/mci/mci.h"

#include "procstatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

bool fixture(const char* action, const QString& folder) {
    return QProcess::execute(QStringLiteral(VORTAN_PULSE_FIXTURE),
                             {QString::fromLatin1(action), folder}) == 0;
}

bool ok(const QString& command) {
    const mci::Reply reply = mci::send(command);
    if (reply.code == mci::Success)
        return true;
    std::fprintf(stderr, "%s: error %u\n", qPrintable(command), reply.code);
    return false;
}

int record(double minutes, const QString& folder) {
    const long idleKb = statusKb("VmRSS");
    if (!ok(QStringLiteral("open new type waveaudio alias capture")))
        return 1;
    // As the capture job does: the recording is made where it is saved.
    mci::send(QStringLiteral("set capture folder ") + folder);
    if (!ok(QStringLiteral("record capture overwrite")))
        return 1;
    QElapsedTimer clock;
    clock.start();
    const auto wantedMs = static_cast<qint64>(minutes * 60000);
    while (clock.elapsed() < wantedMs) {
        QThread::msleep(
            static_cast<unsigned long>(std::min<qint64>(1000, wantedMs - clock.elapsed())));
        if (clock.elapsed() / 1000 % 60 == 0)
            std::fprintf(stderr, "%lld s recorded, peak %ld kB\r",
                         static_cast<long long>(clock.elapsed() / 1000), statusKb("VmHWM"));
    }
    if (!ok(QStringLiteral("stop capture")))
        return 1;
    const QString length = mci::send(QStringLiteral("status capture length")).text;
    QElapsedTimer saving;
    saving.start();
    const mci::Reply saved =
        mci::send(QStringLiteral("save capture ") + folder + QStringLiteral("/capture.wav"));
    const qint64 saveMs = saving.elapsed();
    ok(QStringLiteral("close capture"));
    if (saved.code != mci::Success) {
        std::fprintf(stderr, "save: error %u\n", saved.code);
        return 1;
    }
    std::printf("recorded %s ms, file %lld bytes, save %lld ms\n", qPrintable(length),
                static_cast<long long>(QFileInfo(saved.text).size()),
                static_cast<long long>(saveMs));
    std::printf("memory: idle %ld kB, peak (VmHWM) %ld kB\n", idleKb, statusKb("VmHWM"));
    QFile::remove(saved.text);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    double minutes = 10;
    QString folder;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--minutes"))
            minutes = args[i + 1].toDouble();
        else if (args[i] == QStringLiteral("--dir"))
            folder = args[i + 1];
    }
    QTemporaryDir scratch;
    if (folder.isEmpty())
        folder = scratch.path();

    // A private server, unless one is named.
    QTemporaryDir serverDir(QStringLiteral("/tmp/vortan-bench-XXXXXX"));
    const bool ownServer = qEnvironmentVariableIsEmpty("PULSE_SERVER");
    if (ownServer) {
        if (!fixture("start", serverDir.path()))
            return 1;
        qputenv("PULSE_SERVER", "unix:" + serverDir.path().toUtf8() + "/pulse/native");
    }
    const int result = record(minutes, folder);
    if (ownServer)
        fixture("stop", serverDir.path());
    return result;
}
