#include "engine/library/mirrorjob.h"

#include "engine/formats/outputfile.h"
#include "engine/library/coverart.h"
#include "engine/pipeline/conversion.h"
#include "engine/pipeline/convertjob.h"
#include "engine/pipeline/encodejob.h"
#include "engine/platform/nativepath.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace library {

namespace {

JobResult failed(const QString& reason) {
    JobResult r;
    r.status = JobResult::Status::Failed;
    r.reason = reason;
    return r;
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Removes `path` when it is there; false (errno set) when it is there and stays.
bool removeFile(const QString& path) {
    return ::unlink(nativepath::encode(path).constData()) == 0 || errno == ENOENT;
}

bool unchanged(const QString& path, std::int64_t size, std::int64_t modifiedNs) {
    struct stat info {};
    if (::stat(nativepath::encode(path).constData(), &info) != 0)
        return false;
    const std::int64_t modified =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return info.st_size == size && modified == modifiedNs;
}

bool sameAsPlanned(const MirrorTask& task) {
    return unchanged(task.source, task.sourceSize, task.sourceModifiedNs);
}

// The cover embedded is the one the record names.
bool coverAsPlanned(const MirrorTask& task) {
    return task.cover.isEmpty() || unchanged(task.cover, task.coverSize, task.coverModifiedNs);
}

} // namespace

MirrorJob::MirrorJob(std::shared_ptr<const MirrorWork> work, QObject* parent)
    : WorkerJob(parent), work_(std::move(work)) {}

MirrorJob::~MirrorJob() {
    stopWorker();
}

JobResult MirrorJob::work(const WorkItem& item) {
    const MirrorTask& task = work_->tasks.at(static_cast<std::size_t>(item.index));
    if (task.replaces && !removeFile(task.output)) {
        const int error = errno; // before the message is made
        return failed(
            tr("%1: the older output cannot be removed (%2)").arg(task.output, systemText(error)));
    }
    if (auto refused = work_->record->remember(
            task.outputKey,
            RecordEntry{task.recordKind, task.source, task.sourceSize, task.sourceModifiedNs,
                        task.settings, task.coverSize, task.coverModifiedNs}))
        return failed(refused->description());
    if (!sameAsPlanned(task))
        return failed(tr("%1: changed or went away since the run began").arg(task.source));

    JobResult r = task.kind == MirrorTask::Kind::Convert ? convert(task) : copy(task);
    const QString kept = r.output.isEmpty() ? task.output : r.output;
    if (r.status == JobResult::Status::Completed && r.output != task.output) {
        // The name was taken meanwhile by something else: the record would name another file.
        removeFile(kept);
        return failed(tr("%1: the name was taken by another file while the output "
                         "was written")
                          .arg(task.output));
    }
    if (r.status == JobResult::Status::Completed && !sameAsPlanned(task)) {
        removeFile(kept);
        return failed(tr("%1: changed while it was read; it is made again on the "
                         "next run")
                          .arg(task.source));
    }
    if (r.status == JobResult::Status::Completed && !coverAsPlanned(task)) {
        removeFile(kept);
        return failed(tr("%1: the cover image %2 changed while it was read; the file is made "
                         "again on the next run")
                          .arg(task.source, task.cover));
    }
    if (r.status != JobResult::Status::Completed && !r.output.isEmpty()) {
        removeFile(r.output); // a shorter file is no mirror of its source
        r.output.clear();
    }
    return r;
}

JobResult MirrorJob::convert(const MirrorTask& task) {
    pipeline::ConvertRequest request;
    request.sourcePath = task.source;
    request.outputs.push_back(pipeline::ConvertOutput{work_->format, task.output, work_->settings});
    if (!task.cover.isEmpty())
        if (auto picture = embeddablePicture(task.cover))
            request.pictureWhenNone = picture.value();
    QString shown;
    const pipeline::ConvertOutcome outcome = pipeline::convertFile(
        request, [this] { return cancelled(); },
        [this, &shown](double percent) {
            QString caption = percentCaption(percent);
            if (caption == shown)
                return;
            shown = caption;
            reportProgress(caption, static_cast<int>(percent));
        });
    JobResult r = jobResultOf(outcome, QString());
    r.output = outcome.outputs.empty() ? QString() : outcome.outputs.front().path;
    return r;
}

JobResult MirrorJob::copy(const MirrorTask& task) {
    QFile in;
    int error = 0;
    if (!nativepath::openForReading(in, task.source, &error))
        return failed(QStringLiteral("%1: %2").arg(task.source, systemText(error)));
    auto pending = outputfile::PendingOutput::create(task.output, &error);
    if (!pending)
        return failed(pending.error().description());
    const std::int64_t total = std::max<std::int64_t>(in.size(), 1);
    std::int64_t done = 0;
    int shownPercent = -1;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (cancelled()) {
            JobResult r;
            r.status = JobResult::Status::Cancelled;
            return r; // the pending output is discarded
        }
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return failed(QStringLiteral("%1: %2").arg(task.source, in.errorString()));
        if (n == 0)
            break;
        const char* p = buffer.constData();
        qint64 left = n;
        while (left > 0) {
            const ssize_t w = ::write(pending.value()->fd(), p, static_cast<std::size_t>(left));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return failed(QStringLiteral("%1: %2").arg(task.output, systemText(errno)));
            p += w;
            left -= w;
        }
        done += n;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent != shownPercent) {
            shownPercent = percent;
            reportProgress(percentCaption(percent), percent);
        }
    }
    auto taken = pending.value()->commit(&error);
    if (!taken)
        return failed(taken.error().description());
    JobResult r;
    r.status = JobResult::Status::Completed;
    r.output = taken.value();
    return r;
}

} // namespace library
