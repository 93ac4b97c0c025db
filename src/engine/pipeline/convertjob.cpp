#include "engine/pipeline/convertjob.h"

#include "engine/pipeline/encodejob.h"

JobResult jobResultOf(const pipeline::ConvertOutcome& outcome, const QString& wanted) {
    JobResult r;
    const QString taken = outcome.outputs.empty() ? QString() : outcome.outputs.front().path;
    if (!taken.isEmpty() && taken != wanted)
        r.output = taken;
    switch (outcome.status) {
    case pipeline::ConvertOutcome::Status::Completed:
        r.status = JobResult::Status::Completed;
        break;
    case pipeline::ConvertOutcome::Status::Cancelled:
        r.status = JobResult::Status::Cancelled;
        break;
    case pipeline::ConvertOutcome::Status::Failed:
        r.status = JobResult::Status::Failed;
        r.reason = outcome.error.description();
        break;
    }
    return r;
}

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
    return jobResultOf(workerOutcome_, item.output);
}
