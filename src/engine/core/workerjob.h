#pragma once

#include "engine/core/batchrunner.h"
#include "engine/platform/callposter.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

// A file job whose work runs on a worker thread of its own: the shape of every job that
// converts a file without a window (an encode, a track extraction). Subclasses do the work
// in work(), which asks cancelled() between units of work and may call reportProgress();
// both are safe from the worker. The end and the progress reach the GUI thread through queued
// calls; a late report of an earlier start is dropped.
//
// The object lives on the GUI thread.
class WorkerJob : public FileJob {
    Q_OBJECT
  public:
    explicit WorkerJob(QObject* parent = nullptr) : FileJob(parent), calls_(new CallPoster(this)) {}
    // Subclasses call stopWorker() in their destructor, so that the worker never runs on a
    // half-destroyed object.

    void start(const WorkItem& item) final;
    void cancel() final;
    void cancelAndWait() final;
    JobResult result() const final;

    bool isRunning() const { return running_; }

    // Called on the worker thread of every worker job at each of its progress reports,
    // before the report is posted: the job has done `percent` of `item` and goes on once the
    // hook returns. For tests, which hold a job there while they act (tests/support's
    // ProgressGate); none by default. Safe to set at any time from any thread.
    using ProgressHook = std::function<void(const WorkItem& item, int percent)>;
    static void setProgressHook(ProgressHook hook);

  protected:
    // On the GUI thread, as the item starts and before the worker does: take what the work
    // needs from the window's state (settings, choices) as plain values, so that the worker
    // never reads or writes state the GUI thread shares.
    virtual void prepare(const WorkItem& item) { (void)item; }
    // On the worker thread: converts `item` and says how it ended (workTime is filled in).
    virtual JobResult work(const WorkItem& item) = 0;
    // On the GUI thread, once work() has returned and before finished(): take over what the
    // worker left for the GUI side.
    virtual void collected() {}

    bool cancelled() const { return cancel_.load(); }
    void reportProgress(const QString& caption, int percent);
    // Cancels the work under way and waits for the worker.
    void stopWorker();

  private:
    void collect(std::uint64_t generation);
    void join();

    CallPoster* calls_; // the worker's reports to this job's thread
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    std::uint64_t generation_ = 0; // counts starts
    WorkItem workerItem_;          // the item the worker converts; set before it starts
    JobResult result_;
    JobResult workerResult_; // written by the worker, read after joining it
};
