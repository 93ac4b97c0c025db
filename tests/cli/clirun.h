#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a program as a shell would, and what it said.
struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The environment of a run: no display, the test's own (empty) configuration and data
// folders, and `home` as the home folder.
QProcessEnvironment headlessEnvironment(const QString& home);

// Runs `program` with `arguments` in `folder` and waits for it to end (it must, within two
// minutes).
CliRun runProgram(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment, const QString& folder);
