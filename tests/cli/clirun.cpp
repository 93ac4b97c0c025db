#include "clirun.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

QProcessEnvironment headlessEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // The test entry points these at the test's own temporary folders.
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        env.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    env.insert(QStringLiteral("HOME"), home);
    return env;
}

CliRun runProgram(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment, const QString& folder) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    // Waits in an event loop, so servers of the test's own thread (a stand-in web service)
    // answer the program meanwhile.
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    CliRun run;
    if (process.waitForStarted())
        loop.exec();
    if (process.state() != QProcess::NotRunning || process.error() == QProcess::FailedToStart) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "did not end: " << program.toStdString() << " "
                      << arguments.join(QLatin1Char(' ')).toStdString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
