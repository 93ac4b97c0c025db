#include "clirun.h"

#include <QProcess>
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
    process.start(program, arguments);
    CliRun run;
    if (!process.waitForFinished(120000)) {
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
