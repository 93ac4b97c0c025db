#include "engine/core/batchrunner.h"

#include "engine/core/eventwait.h"

#include "engine/platform/nativepath.h"

#include <algorithm>

BatchRunner::BatchRunner(JobMaker makeJob, QObject* parent)
    : QObject(parent), makeJob_(std::move(makeJob)) {}

BatchRunner::~BatchRunner() {
    for (Active& active : active_)
        active.job->cancelAndWait();
    active_.clear();
}

void BatchRunner::start(QList<WorkItem> items) {
    if (running_)
        return;
    items_ = std::move(items);
    for (qsizetype i = 0; i < items_.size(); ++i)
        items_[i].index = static_cast<int>(i);
    results_ = QList<JobResult>(items_.size());
    names_ = OutputNames();
    next_ = 0;
    stopped_ = false;
    cancelled_ = false;
    held_ = 0;
    running_ = true;
    advance();
}

bool BatchRunner::run(QList<WorkItem> items) {
    start(std::move(items));
    if (eventwait::until(this, &BatchRunner::finished, [this] { return !running_; }))
        return true;
    endNow();
    return false;
}

void BatchRunner::stop() {
    stopped_ = true;
}

void BatchRunner::cancel() {
    stopped_ = true;
    cancelled_ = true;
    for (Active& active : active_)
        active.job->cancel();
}

void BatchRunner::hold() {
    if (running_)
        ++held_;
}

void BatchRunner::resume() {
    if (held_ > 0 && --held_ == 0)
        advance();
}

// Starts items while there is room; ends the batch when nothing is left to do. Handlers of
// the signals emitted here may let events run and so reach this again: the inner call only
// asks the outer one to look once more.
void BatchRunner::advance() {
    if (held_ > 0)
        return;
    if (advancing_) {
        advanceAgain_ = true;
        return;
    }
    advancing_ = true;
    do {
        advanceAgain_ = false;
        while (running_ && static_cast<int>(active_.size()) < std::max(1, maxParallel) &&
               next_ < items_.size()) {
            if (stopped_ || (stopRequested && stopRequested()) ||
                (mayStart && !mayStart(items_[next_]))) {
                stopped_ = true;
                break;
            }
            startItem(static_cast<int>(next_++));
        }
    } while (advanceAgain_);
    advancing_ = false;
    if (running_ && active_.empty() && reporting_ == 0 && (stopped_ || next_ >= items_.size()))
        finish();
}

void BatchRunner::startItem(int index) {
    if (const QString& source = items_[index].source;
        !source.isEmpty() && !nativepath::isFile(source)) {
        results_[index].status = JobResult::Status::Skipped;
        results_[index].reason = tr("File not found");
        emit itemFinished(items_[index], results_[index]);
        return;
    }
    if (!items_[index].output.isEmpty())
        items_[index].output = names_.claim(items_[index].output);
    emit itemStarted(items_[index]);
    if (cancelled_) {
        // Aborted while its captions went up: the file is not begun at all.
        results_[index].status = JobResult::Status::Cancelled;
        emit itemFinished(items_[index], results_[index]);
        return;
    }

    std::unique_ptr<FileJob> job = makeJob_();
    FileJob* raw = job.get();
    connect(raw, &FileJob::progressChanged, this,
            [this, index](const QString& caption, int percent) {
                emit itemProgress(items_[index], caption, percent);
            });
    // Queued: the job is collected (and destroyed) only once the code that reported its end
    // has returned.
    connect(
        raw, &FileJob::finished, this, [this, raw] { jobFinished(raw); }, Qt::QueuedConnection);
    active_.push_back({std::move(job), index});
    raw->start(items_[index]);
}

void BatchRunner::jobFinished(FileJob* job) {
    const auto at = std::find_if(active_.begin(), active_.end(),
                                 [job](const Active& a) { return a.job.get() == job; });
    if (at == active_.end())
        return; // collected already
    if (maxParallel <= 1) {
        collect(static_cast<std::size_t>(at - active_.begin()));
        advance();
        return;
    }
    // Several at once: the freed place takes its next file before this one's after-steps
    // run (they may wait, letting events run), so the workers never stand idle meanwhile.
    Active done = std::move(*at);
    active_.erase(at);
    takeResult(done);
    ++reporting_;
    advance();
    emit itemFinished(items_[done.index], results_[done.index]);
    --reporting_;
    advance();
}

void BatchRunner::takeResult(const Active& done) {
    results_[done.index] = done.job->result();
    if (!results_[done.index].output.isEmpty())
        items_[done.index].output = results_[done.index].output;
}

// Takes the job at `at` out of the running ones and reports its item.
void BatchRunner::collect(std::size_t at) {
    Active done = std::move(active_[at]);
    active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(at));
    takeResult(done);
    emit itemFinished(items_[done.index], results_[done.index]);
}

void BatchRunner::endNow() {
    stopped_ = true;
    cancelled_ = true;
    while (!active_.empty()) {
        active_.front().job->cancelAndWait();
        collect(0);
    }
    if (running_)
        finish();
}

void BatchRunner::finish() {
    running_ = false;
    held_ = 0;
    emit finished();
}
