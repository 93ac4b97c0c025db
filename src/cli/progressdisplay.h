#pragma once

#include "engine/core/batchrunner.h"
#include "engine/core/batchshare.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace cli {

// A batch that is one step of a larger run: what the steps before it did, and what the whole
// run holds (as counted before it began), so that the bar shows the run rather than the step.
struct RunShare {
    int itemsBefore = 0;
    int itemsAll = 0;
    qint64 bytesBefore = 0;
    qint64 bytesAll = 0;
    QElapsedTimer clock; // started with the run
};

// What a batch shows on standard error while it runs, and what it prints on standard output.
//
// On a terminal (`live`) one line is redrawn in place: a bar with the batch's share done, the
// files ended of all, the megabytes of source done of all, the speed (megabytes of source a
// second), the time since the start and the time still to go at that speed, and the files
// under way. Otherwise each item that
// ends gets one line. Either way a file that fails is named at once with the reason, and the
// path of each output written completely goes to standard output.
//
// GUI thread (the thread of the batch's runner).
class ProgressDisplay {
  public:
    // `weights`: one per item (bytes of its source); `label` names an item for the user.
    ProgressDisplay(bool live, std::vector<qint64> weights,
                    std::function<QString(const WorkItem&)> label);

    void itemStarted(const WorkItem& item);
    void itemProgress(const WorkItem& item, int percent);
    void itemFinished(const WorkItem& item, const JobResult& result);
    // Clears the bar.
    void end();
    // The bar shows `run`, of which this batch is a step.
    void partOf(const RunShare& run) { run_ = run; }

    // "label: reason", unless the reason names the item's source, or begins with its label,
    // already.
    QString problem(const WorkItem& item, const JobResult& result) const;

    // Whether the path of each completed output goes to standard output as its item ends;
    // off for a batch whose outputs take their names only once it has ended (a rip's).
    bool printsOutputs = true;

  private:
    void draw(bool now);
    void clearLine();
    QString barLine(int width) const;

    bool live_;
    BatchShare share_;
    std::optional<RunShare> run_;
    std::function<QString(const WorkItem&)> label_;
    QList<WorkItem> running_;
    QElapsedTimer clock_;
    qint64 lastDrawMs_ = -1;
    int itemCount_ = 0;
    int itemsEnded_ = 0;
    bool lineShown_ = false;
};

// The terminal's width in columns; 80 when standard error is not a terminal that tells.
int terminalColumns();

} // namespace cli
