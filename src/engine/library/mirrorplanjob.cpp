#include "engine/library/mirrorplanjob.h"

namespace library {

MirrorPlanJob::MirrorPlanJob(MirrorRequest request, QObject* parent) : WorkerJob(parent) {
    MirrorNotes notes;
    notes.problem = [this](const QString& text) { workerProblems_ << text; };
    run_ = std::make_shared<MirrorRun>(std::move(request), std::move(notes));
}

MirrorPlanJob::~MirrorPlanJob() {
    stopWorker();
}

JobResult MirrorPlanJob::work(const WorkItem&) {
    JobResult r;
    if (auto refused = run_->open()) {
        r.status = JobResult::Status::Failed;
        r.reason = refused->description();
        return r;
    }
    r.status = run_->plan([this] { return cancelled(); }) ? JobResult::Status::Completed
                                                          : JobResult::Status::Cancelled;
    return r;
}

} // namespace library
