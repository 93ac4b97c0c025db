#include "engine/formats/asyncfilewriter.h"

#include "engine/formats/clsfileio.h"

AsyncFileWriter::AsyncFileWriter(clsFileIo& file) : file_(file), thread_([this] { run(); }) {}

AsyncFileWriter::~AsyncFileWriter() {
    finish();
}

bool AsyncFileWriter::append(const void* data, std::size_t size) {
    std::unique_lock lock(mutex_);
    spaceFreed_.wait(lock, [this] { return pending_.size() < maxPending || failed_; });
    if (failed_)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    pending_.insert(pending_.end(), bytes, bytes + size);
    work_.notify_one();
    return true;
}

bool AsyncFileWriter::finish() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        work_.notify_one();
    }
    if (thread_.joinable())
        thread_.join();
    return !failed_;
}

void AsyncFileWriter::run() {
    std::vector<unsigned char> batch;
    std::unique_lock lock(mutex_);
    while (true) {
        work_.wait(lock, [this] { return !pending_.empty() || closing_; });
        if (pending_.empty())
            return; // closing, and everything is written
        batch.swap(pending_);
        lock.unlock();
        const bool ok = file_.WriteBytes(batch.data(), batch.size());
        const int error = ok ? 0 : file_.lastError;
        lock.lock();
        if (ok) {
            written_ += static_cast<std::int64_t>(batch.size());
        } else if (!failed_) {
            failed_ = true;
            error_ = error;
        }
        if (failed_)
            pending_.clear(); // nothing more reaches the file
        batch.clear();
        spaceFreed_.notify_all();
    }
}
