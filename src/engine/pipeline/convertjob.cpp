#include "engine/pipeline/convertjob.h"

#include "engine/encode/encodejob.h"

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
    workerOutcome_ = pipeline::convertFile(
        request, [this] { return cancelled(); },
        [this](double percent) {
            reportProgress(percentCaption(percent), static_cast<int>(percent));
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
