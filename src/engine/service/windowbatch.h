#pragma once

#include "engine/core/batchrunner.h"
#include "engine/core/displaytext.h"
#include "engine/platform/dialogs.h"
#include "engine/service/conversionservice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

struct BatchReport;

// What a window does around one batch of the conversion service: its captions when an item
// starts, the progress display, the after-file steps, one message at the end, and its own
// steps once the batch has ended. GUI thread.
struct WindowBatch {
    // The end of "...could not be encoded": "encoded", "decoded".
    QString verb;
    // Asked before each item: false keeps it and every later one from starting (the
    // disk-space guard). `expectedBytes` is what the batch expects its output to take, -1
    // when that is unknown; `reservedBytes` what the files under way are still expected to
    // write (ConversionService::mayStart).
    std::function<bool(const WorkItem&, std::int64_t expectedBytes, std::int64_t reservedBytes)>
        mayStart;
    // Captions and locks when an item's turn has come; its output name is claimed.
    std::function<void(const WorkItem&)> itemStarted;
    // The file's progress: caption and whole percent.
    std::function<void(const QString& caption, int percent)> progress;
    // The after-file steps. Returns a problem to report at the end ("could not be deleted:
    // ..."), or nothing.
    std::function<std::optional<QString>(const WorkItem&, const JobResult&)> itemFinished;
    // After-file steps that end later, from the event loop (a recording's encode), run once
    // itemFinished has: the next item waits until `done` is called, once, with a problem to
    // report at the end or nothing.
    using StepsDone = std::function<void(std::optional<QString> problem)>;
    std::function<void(const WorkItem&, const JobResult&, StepsDone done)> itemFinishedLater;

    // With several files at once (the batch's filesAtOnce), `progress` shows the batch's
    // share done (each file weighted by its source's size in bytes) rather than one file's,
    // and `runningChanged` names the files in progress whenever one starts or ends.
    std::function<void(const QList<WorkItem>& running)> runningChanged;

    // Asked once the batch has ended: true names the files an abort ended early in the end
    // message, as cut short and not converted; false or unset: the abort the user asked for
    // is not reported.
    std::function<bool()> nameCutFiles;
    // Why the batch stopped before its end when it was not the user's choice (the disk-space
    // guard), asked once it has ended; empty: no such reason. Every file it left unstarted
    // is then named in the end message with this reason.
    std::function<QString()> stopReason;

    // Once the batch has ended and its message (if any) was shown: the window's own end.
    std::function<void(const BatchReport&)> ended;
};

// The window caption and progress line for the files in progress of a batch of `count`:
// "Encoding a.wav, b.wav" and "Encoding #1, #2 of 8 files" (`action` "Encoding"; each source
// named by its file name).
struct RunningCaptions {
    QString title;
    QString progress;
};
RunningCaptions runningCaptions(const QString& action, const QList<WorkItem>& running,
                                qsizetype count);

struct BatchReport {
    QList<WorkItem> items; // with the output names claimed
    QList<JobResult> results;
    QStringList problems;          // after-file steps that failed, one line each
    bool endedFromOutside = false; // the application quit during the batch
    bool nameCutFiles = false;     // as the batch's WindowBatch::nameCutFiles
    QString stopReason;            // as WindowBatch::stopReason gave it; empty: none
};

// Starts `work` on `service` with `window`'s reactions and returns at once; false when the
// service is busy with another batch (nothing starts). When the batch has ended, one message
// (see failureMessage) is shown unless the application is quitting, then `window.ended` runs.
bool startWindowBatch(ConversionService& service, WindowBatch window, ConversionBatch work);

// The one message at the end of a batch: every file that was not converted and why (failed,
// gone when its turn came, cut short by an abort when the batch names such files, left
// unstarted when the batch stopped for a reason of its own), and every problem of the
// after-file steps. A run of one file says what went wrong with it in the encoder's own words
// ("File not found..." for a source that is gone). A message without a failure (only files
// cut or left unstarted) is a warning. Empty when there is nothing to say.
std::optional<dialogs::Message> failureMessage(const BatchReport& report, const QString& verb);
