#include "engine/pipeline/convertjob.h"

#include "engine/pipeline/encodejob.h"

ConvertJob::ConvertJob(pipeline::OutputFormat format, const pipeline::EncoderSettings& settings,
                       QObject* parent)
    : WorkerJob(parent), format_(format), settings_(settings) {}

ConvertJob::~ConvertJob() {
    stopWorker();
}

JobResult ConvertJob::work(const WorkItem& item) {
    pipeline::ConvertRequest request;
    request.sourcePath = item.source;
    request.outputs.push_back(pipeline::ConvertOutput{format_, item.output, settings_});
    // A report goes out only when its caption changes: a source is read in thousands of
    // blocks, and each report wakes the GUI thread.
    QString shown;
    workerOutcome_ = pipeline::convertFile(
        request, [this] { return cancelled(); },
        [this, &shown](double percent) {
            QString caption = percentCaption(percent);
            if (caption == shown)
                return;
            shown = caption;
            reportProgress(caption, static_cast<int>(percent));
        });
    JobResult r;
    const QString& taken = workerOutcome_.outputs.front().path;
    if (!taken.isEmpty() && taken != item.output)
        r.output = taken;
    switch (workerOutcome_.status) {
    case pipeline::ConvertOutcome::Status::Completed:
        r.status = JobResult::Status::Completed;
        break;
    case pipeline::ConvertOutcome::Status::Cancelled:
        r.status = JobResult::Status::Cancelled;
        break;
    case pipeline::ConvertOutcome::Status::Failed:
        r.status = JobResult::Status::Failed;
        r.reason = workerOutcome_.error.description();
        break;
    }
    return r;
}
