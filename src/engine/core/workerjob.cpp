#include "engine/core/workerjob.h"

#include <mutex>

namespace {

std::mutex progressHookMutex;
WorkerJob::ProgressHook progressHook; // guarded by progressHookMutex

} // namespace

void WorkerJob::setProgressHook(ProgressHook hook) {
    const std::lock_guard lock(progressHookMutex);
    progressHook = std::move(hook);
}

void WorkerJob::join() {
    if (worker_.joinable())
        worker_.join();
}

void WorkerJob::stopWorker() {
    cancel_ = true;
    join();
}

void WorkerJob::start(const WorkItem& item) {
    if (running_)
        return;
    join();
    running_ = true;
    cancel_ = false;
    result_ = {};
    prepare(item);
    workerItem_ = item;
    const std::uint64_t generation = ++generation_;
    worker_ = std::thread([this, item, generation] {
        const auto began = std::chrono::steady_clock::now();
        JobResult r = work(item);
        r.workTime = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - began);
        workerResult_ = r;
        calls_->post([this, generation] { collect(generation); });
    });
}

void WorkerJob::reportProgress(const QString& caption, int percent) {
    ProgressHook hook;
    {
        const std::lock_guard lock(progressHookMutex);
        hook = progressHook;
    }
    if (hook)
        hook(workerItem_, percent);
    calls_->post([this, caption, percent] { emit progressChanged(caption, percent); });
}

void WorkerJob::collect(std::uint64_t generation) {
    if (!running_ || generation != generation_)
        return; // collected already by cancelAndWait()
    join();
    result_ = workerResult_;
    running_ = false;
    collected();
    emit finished();
}

void WorkerJob::cancel() {
    cancel_ = true;
}

void WorkerJob::cancelAndWait() {
    cancel_ = true;
    if (!running_)
        return;
    join();
    result_ = workerResult_;
    running_ = false;
    collected();
}

JobResult WorkerJob::result() const {
    return result_;
}
