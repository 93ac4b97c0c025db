#include "engine/decode/decodejob.h"

#include "engine/platform/activemp3/activemp3.h"
#include "engine/platform/nativepath.h"

#include <QTimer>

#include <cmath>

DecodeJob::DecodeJob(QObject* parent)
    : FileJob(parent), control_(new ActiveMP3(this)), progressTick_(new QTimer(this)) {
    progressTick_->setInterval(progressInterval);
    connect(progressTick_, &QTimer::timeout, this, &DecodeJob::showProgress);
    connect(control_, &ActiveMP3::decodingFinished, this, &DecodeJob::decoded);
}

DecodeJob::~DecodeJob() = default; // the control's own destructor stops it

void DecodeJob::start(const WorkItem& item) {
    if (running_)
        return;
    running_ = true;
    started_ = false;
    result_ = {};
    failure_.clear();
    output_ = item.output;
    began_ = decoded_ = std::chrono::steady_clock::now();
    if (!nativepath::isFile(item.source))
        return failNow(QStringLiteral("File not found"));
    if (nativepath::fileSize(item.source) <= 99)
        return failNow(QStringLiteral("The file is too short to hold MPEG audio"));
    control_->setInputFile(item.source);
    started_ = control_->decodeToFile(item.output);
    if (!started_)
        return failNow(control_->lastError());
    progressTick_->start();
}

// Nothing will ever finish this file: its end is reported from the event loop.
void DecodeJob::failNow(const QString& reason) {
    failure_ = reason;
    QTimer::singleShot(0, this, [this] { collect(true); });
}

void DecodeJob::showProgress() {
    const std::int64_t total = control_->total();
    if (!running_ || !control_->busy() || total <= 0)
        return; // nothing to measure against yet
    const int percent =
        static_cast<int>(std::nearbyint(static_cast<double>(control_->position()) / total * 100.0));
    emit progressChanged(QString::number(percent) + QLatin1Char('%'), percent);
}

void DecodeJob::decoded() {
    if (!running_)
        return;
    decoded_ = std::chrono::steady_clock::now();
    switch (control_->lastEnd()) {
    case ActiveMP3::DecodeEnd::Completed:
        emit progressChanged(QStringLiteral("100 %"), 100);
        break;
    case ActiveMP3::DecodeEnd::Failed:
        failure_ = control_->lastError();
        break;
    default:
        break;
    }
    collect(true);
}

void DecodeJob::cancel() {
    if (!running_ || !started_)
        return;
    control_->stop(); // the WAV is ended properly before this returns
    QTimer::singleShot(0, this, [this] { collect(true); });
}

void DecodeJob::cancelAndWait() {
    if (started_)
        control_->stop();
    collect(false);
}

void DecodeJob::collect(bool announce) {
    if (!running_)
        return;
    running_ = false;
    progressTick_->stop();
    if (started_) {
        if (const QString written = control_->lastOutput(); written != output_)
            result_.output = written;
        // The control's own report of its end may still be on its way.
        const auto end = decoded_ > began_ ? decoded_ : std::chrono::steady_clock::now();
        result_.workTime = std::chrono::duration_cast<std::chrono::milliseconds>(end - began_);
    }
    if (started_ && control_->lastEnd() == ActiveMP3::DecodeEnd::Failed && failure_.isEmpty())
        failure_ = control_->lastError();
    if (started_ && control_->lastEnd() == ActiveMP3::DecodeEnd::Completed) {
        result_.status = JobResult::Status::Completed;
    } else if (!failure_.isEmpty()) {
        result_.status = JobResult::Status::Failed;
        result_.reason = failure_;
    } else {
        result_.status = JobResult::Status::Cancelled;
    }
    if (announce)
        emit finished();
}
