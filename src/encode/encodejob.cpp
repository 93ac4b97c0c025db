#include "encode/encodejob.h"

#include <QMetaObject>

QString percentCaption(double percent) {
    return QStringLiteral("%1%").arg(percent, 4, 'f', 1, QLatin1Char('0'));
}

EncodeJob::EncodeJob(std::function<modLAME::EncoderConfig()> configure, QObject* parent)
    : FileJob(parent), configure_(std::move(configure)) {}

EncodeJob::~EncodeJob() {
    cancel_ = true;
    join(); // before the QObject goes: no report can be queued to it afterwards
}

void EncodeJob::join() {
    if (worker_.joinable())
        worker_.join();
}

void EncodeJob::start(const WorkItem& item) {
    if (running_)
        return;
    join();
    EncodeRequest request;
    request.sourcePath = item.source;
    request.outputPath = item.output;
    if (configure_)
        request.config = configure_();
    running_ = true;
    cancel_ = false;
    outcome_ = {};
    const std::uint64_t generation = ++generation_;
    worker_ = std::thread([this, request, generation] {
        const auto began = std::chrono::steady_clock::now();
        workerOutcome_ = encodeWavToMp3(
            request, [this] { return cancel_.load(); },
            [this](double percent) {
                QMetaObject::invokeMethod(
                    this,
                    [this, percent] {
                        emit progressChanged(percentCaption(percent), static_cast<int>(percent));
                    },
                    Qt::QueuedConnection);
            });
        workerTime_ = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - began);
        QMetaObject::invokeMethod(
            this, [this, generation] { collect(generation); }, Qt::QueuedConnection);
    });
}

void EncodeJob::collect(std::uint64_t generation) {
    if (!running_ || generation != generation_)
        return; // collected already by cancelAndWait()
    join();
    outcome_ = workerOutcome_;
    workTime_ = workerTime_;
    running_ = false;
    emit finished();
}

void EncodeJob::cancel() {
    cancel_ = true;
}

void EncodeJob::cancelAndWait() {
    cancel_ = true;
    if (!running_)
        return;
    join();
    outcome_ = workerOutcome_;
    workTime_ = workerTime_;
    running_ = false;
}

JobResult EncodeJob::result() const {
    JobResult r;
    r.workTime = workTime_;
    switch (outcome_.status) {
    case EncodeOutcome::Status::Completed:
        r.status = JobResult::Status::Completed;
        break;
    case EncodeOutcome::Status::Cancelled:
        r.status = JobResult::Status::Cancelled;
        break;
    case EncodeOutcome::Status::Failed:
        r.status = JobResult::Status::Failed;
        r.reason = outcome_.error.description();
        break;
    }
    return r;
}
