#pragma once

#include "engine/core/outputnames.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// One file of a batch.
struct WorkItem {
    QString source; // the file read; one that is gone when its turn comes is skipped
    QString output; // the file to write: the name wanted until the item starts, then the
                    // name claimed for it (see OutputNames); empty: the job names none
    int index = 0;  // position in the batch, from 0
};

// How one item of a batch ended.
struct JobResult {
    enum class Status {
        NotStarted, // the batch was stopped before its turn
        Skipped,    // its source was gone when its turn came (see reason)
        Completed,  // the whole source was converted and the output ended properly
        Cancelled,  // ended early on request; the output is shorter but properly ended
        Failed,     // see reason; an output written up to the failure stays on disk
    };
    Status status = Status::NotStarted;
    QString reason; // readable, for Skipped and Failed
    // The file the job put in place, when that is not the item's output as claimed (the
    // name was taken meanwhile and the next number used); empty otherwise, and when the job
    // kept no output. The runner then gives the item this name.
    QString output;
    // Shown to the user as soon as the item ends, as an error (a track that could not be read:
    // the track, the sector, the CD library's text and what the reader found); empty for
    // most items.
    QString alert;
    // How long the converter itself worked on the file (for measurements).
    std::chrono::milliseconds workTime{0};
};

// The work on one file of a batch: an encode, a decode, a track extraction. A job serves one
// item at a time; the runner hands it no other before finished().
//
// Lives on the GUI thread; the work itself may run on a thread of the job's own.
class FileJob : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Starts converting item.source into item.output and returns at once. finished() is
    // emitted later, never from inside this call.
    virtual void start(const WorkItem& item) = 0;
    // Asks the work under way to end soon, leaving a shorter, properly ended output;
    // finished() still follows. Harmless when idle or done.
    virtual void cancel() = 0;
    // Cancels and waits until the work has ended, without letting events run: for when no
    // event loop can run any more. result() is then final; finished() may not follow.
    virtual void cancelAndWait() = 0;
    // The outcome: final once finished() was emitted or cancelAndWait() returned.
    virtual JobResult result() const = 0;

  signals:
    // The file's progress: the percentage caption to show and the bar's whole percent.
    void progressChanged(const QString& caption, int percent);
    void finished();
};

// The one batch loop of the program. It takes its own copy of the work items when it starts
// (so later changes to the lists they came from never reach it), starts one job at a time
// (or `maxParallel`), advances when a job reports finished, and tells its owner when an item
// starts, ends, and when the batch ends. Before each item it asks `stopRequested`; a source
// that is gone when its turn comes is skipped with a reason; each output is named through
// one OutputNames for the batch, so no output replaces a file.
//
// Each job gets its own request and its own cancel: cancel() ends the files under way early,
// stop() lets them finish.
//
// GUI thread only.
class BatchRunner : public QObject {
    Q_OBJECT
  public:
    using JobMaker = std::function<std::unique_ptr<FileJob>()>;

    explicit BatchRunner(JobMaker makeJob, QObject* parent = nullptr);
    ~BatchRunner() override; // cancels and waits for jobs still under way; emits nothing

    // Asked before each item; true: no further item starts, and the batch ends once the jobs
    // under way have.
    std::function<bool()> stopRequested;
    // Asked next, with the item about to start; false: it does not start, and the batch ends
    // as a stop ends it (the disk-space guard's check before each file).
    std::function<bool(const WorkItem&)> mayStart;
    // Jobs at work at once.
    int maxParallel = 1;

    // Takes `items` and starts the batch; returns at once. The first itemStarted (and the
    // itemFinished of skipped items) may come before this returns. Ignored while running.
    void start(QList<WorkItem> items);
    // start(), then lets events run until the batch has ended. False when the wait was ended
    // from outside (the application is quitting): the jobs under way were then cancelled and
    // collected without events, and the batch has ended too. For tests and tools that have no
    // event loop of their own: the program starts batches and listens for their end.
    bool run(QList<WorkItem> items);
    // Ends every job under way here, without letting events run, and ends the batch: for
    // when no event loop runs again (the application is quitting).
    void endNow();
    // No further item starts.
    void stop();
    // stop(), and the files under way end early.
    void cancel();
    // From an itemFinished handler whose after-file steps take their time (they end later,
    // from the event loop): no further item starts, and the batch does not end, until
    // resume(). stop(), cancel() and endNow() still act meanwhile. Each hold needs a resume.
    void hold();
    void resume();

    bool isRunning() const { return running_; }
    // The items, with their claimed output names, and how each ended (by index).
    const QList<WorkItem>& items() const { return items_; }
    const QList<JobResult>& results() const { return results_; }

  signals:
    // `item`'s turn has come and its output name is claimed; its job starts when the
    // handlers have returned (they may let events run).
    void itemStarted(const WorkItem& item);
    void itemProgress(const WorkItem& item, const QString& caption, int percent);
    // `item` has ended, skipped ones included.
    void itemFinished(const WorkItem& item, const JobResult& result);
    void finished();

  private:
    struct Active {
        std::unique_ptr<FileJob> job;
        int index = 0;
    };

    void advance();
    void startItem(int index);
    void jobFinished(FileJob* job);
    void collect(std::size_t at);
    void takeResult(const Active& done);
    void finish();

    JobMaker makeJob_;
    QList<WorkItem> items_;
    QList<JobResult> results_;
    OutputNames names_;
    std::vector<Active> active_;
    qsizetype next_ = 0;
    bool running_ = false;
    bool stopped_ = false;
    bool cancelled_ = false;
    bool advancing_ = false;
    bool advanceAgain_ = false;
    int reporting_ = 0; // items whose end is being reported: the batch is not over yet
    int held_ = 0;      // after-file steps still at work (hold/resume)
};
