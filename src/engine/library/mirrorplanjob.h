#pragma once

#include "engine/core/workerjob.h"
#include "engine/library/mirrorrun.h"

#include <QStringList>

#include <memory>

namespace library {

// A mirror's first steps on a worker thread, for a window that must not wait on the walk:
// open() (the destination made and held, its record read) and plan(). What the run says
// meanwhile is kept in problems() and listing() rather than shown. cancel() ends the walk
// between two folders (the job is then Cancelled). Once finished() was emitted, the run
// belongs to the GUI thread again, for the steps that follow.
//
// The object lives on the GUI thread; the steps run on the worker thread it starts.
class MirrorPlanJob final : public WorkerJob {
    Q_OBJECT
  public:
    explicit MirrorPlanJob(MirrorRequest request, QObject* parent = nullptr);
    ~MirrorPlanJob() override;

    // Final once finished() was emitted.
    const std::shared_ptr<MirrorRun>& run() const { return run_; }
    const QStringList& problems() const { return problems_; }

    // Starts the steps; finished() follows.
    void begin() { start(WorkItem{}); }

  protected:
    JobResult work(const WorkItem& item) override;
    void collected() override { problems_ = workerProblems_; }

  private:
    std::shared_ptr<MirrorRun> run_;
    QStringList problems_;
    QStringList workerProblems_; // written by the worker, read once it has ended
};

} // namespace library
