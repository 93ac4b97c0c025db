#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The outcome of a command-line tool run by a test.
struct ToolRun {
    bool started = false;
    int exitCode = -1; // -1 when it did not start or ended by a signal
    QByteArray out;    // standard output
    QByteArray err;    // standard error
    bool ok() const { return started && exitCode == 0; }
};

// True when `program` is found on PATH.
bool haveTool(const QString& program);

// Runs `program` (found on PATH) with `arguments` in `workingDirectory` (empty: this one) to
// its end, `input` on its standard input, and collects both outputs. The child is made with a
// real fork() and exec: the thread sanitizer follows a fork, whereas a spawn that shares the
// test's memory until the exec (as QProcess may do) corrupts its view of the test's threads
// and locks.
ToolRun runTool(const QString& program, const QStringList& arguments,
                const QString& workingDirectory = {}, const QByteArray& input = {});
