#include "engine/decode/decodejob.h"

#include "engine/decode/form6.h"
#include "engine/platform/activemp3/activemp3.h"

DecodeJob::DecodeJob(QObject* parent) : FileJob(parent) {}

DecodeJob::~DecodeJob() = default; // the window's own destructor unloads it

void DecodeJob::start(const WorkItem& item) {
    if (running_)
        return;
    running_ = true;
    result_ = {};
    began_ = decoded_ = std::chrono::steady_clock::now();
    window_ = std::make_unique<Form6>();
    Form6* window = window_.get();
    window->setFile(item.source, item.output);
    connect(window, &Form6::progressChanged, this, &FileJob::progressChanged);
    connect(window->ActiveMP31, &ActiveMP3::decodingFinished, this,
            [this] { decoded_ = std::chrono::steady_clock::now(); });
    // Queued: a window that unloads at once (nothing to decode) does so inside Form_Load, and
    // the end is never reported from inside start().
    connect(
        window, &Form6::unloaded, this, [this] { collect(true); }, Qt::QueuedConnection);
    window->Form_Load();
}

void DecodeJob::cancel() {
    if (running_ && window_)
        window_->Unload();
}

void DecodeJob::cancelAndWait() {
    cancel(); // the unload stops the control and waits for it
    collect(false);
}

void DecodeJob::collect(bool announce) {
    if (!running_)
        return;
    running_ = false;
    if (const QString written = window_->writtenPath(); written != window_->outputPath())
        result_.output = written;
    if (window_->completed()) {
        result_.status = JobResult::Status::Completed;
    } else if (!window_->failure().isEmpty()) {
        result_.status = JobResult::Status::Failed;
        result_.reason = window_->failure();
    } else {
        result_.status = JobResult::Status::Cancelled;
    }
    if (window_->decodeStarted()) {
        // The control's own report of its end may still be on its way.
        const auto end = decoded_ > began_ ? decoded_ : std::chrono::steady_clock::now();
        result_.workTime = std::chrono::duration_cast<std::chrono::milliseconds>(end - began_);
    }
    if (announce)
        emit finished();
}
