#include "engine/decode/decodejob.h"

#include "engine/pipeline/conversion.h"
#include "engine/pipeline/convertjob.h"
#include "engine/platform/nativepath.h"

#include <QTimer>

#include <cmath>

DecodeJob::DecodeJob(QObject* parent) : WorkerJob(parent), progressTick_(new QTimer(this)) {
    progressTick_->setInterval(progressInterval);
    connect(progressTick_, &QTimer::timeout, this, &DecodeJob::showProgress);
}

DecodeJob::~DecodeJob() {
    stopWorker();
}

void DecodeJob::prepare(const WorkItem&) {
    percent_ = -1;
    progressTick_->start();
}

JobResult DecodeJob::work(const WorkItem& item) {
    JobResult r;
    r.status = JobResult::Status::Failed;
    if (!nativepath::isFile(item.source)) {
        r.reason = tr("File not found");
        return r;
    }
    if (nativepath::fileSize(item.source) <= 99) {
        r.reason = tr("The file is too short to hold MPEG audio");
        return r;
    }
    pipeline::ConvertRequest request;
    request.sourcePath = item.source;
    request.outputs.push_back(
        pipeline::ConvertOutput{pipeline::OutputFormat::Wav, item.output, {}});
    request.sourceOpener = pipeline::openMp3Source;
    // The WAV holds the audio alone: its header and its samples.
    request.carryTags = false;
    const pipeline::ConvertOutcome outcome = pipeline::convertFile(
        request, [this] { return cancelled(); }, [this](double percent) { percent_ = percent; });

    return jobResultOf(outcome, item.output);
}

void DecodeJob::showProgress() {
    const double percent = percent_.load();
    if (!isRunning() || percent < 0)
        return; // nothing to measure against yet
    const int shown = static_cast<int>(std::nearbyint(percent));
    emit progressChanged(QString::number(shown) + QLatin1Char('%'), shown);
}

void DecodeJob::collected() {
    progressTick_->stop();
    if (result().status == JobResult::Status::Completed)
        emit progressChanged(QStringLiteral("100 %"), 100);
}
