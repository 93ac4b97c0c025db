#include "engine/cd/ripcompletion.h"

#include "engine/cd/recordlookup.h"
#include "engine/cd/ripcue.h"
#include "engine/core/settings.h"
#include "engine/platform/callposter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

bool RipEnding::mismatch() const {
    const std::vector<riplog::Verdict> verdicts = log.verdicts();
    return std::any_of(verdicts.begin(), verdicts.end(), [](const riplog::Verdict& verdict) {
        return verdict.match.kind == accuraterip::TrackMatch::Mismatch;
    });
}

namespace {

VortanError programEnded() {
    return VortanError(
        VortanError::InvalidArgument, QStringLiteral("AccurateRip"),
        QCoreApplication::translate("RipCompletion", "the program ended before it answered"));
}

// The cue sheet's FILE type of `format`: what a player opens a sheet's file as. FLAC and Opus
// have no type of their own; players that take such sheets read them as "WAVE".
QString cueFileType(pipeline::OutputFormat format) {
    return format == pipeline::OutputFormat::Mp3 ? QStringLiteral("MP3") : QStringLiteral("WAVE");
}

} // namespace

RipCompletion::RipCompletion(std::shared_ptr<ExtractionPlan> plan, Steps steps, QObject* parent)
    : QObject(parent), plan_(std::move(plan)), steps_(std::move(steps)),
      calls_(new CallPoster(this)) {}

RipCompletion::~RipCompletion() {
    finishNow();
}

void RipCompletion::start(const QList<WorkItem>& items, const QList<JobResult>& results,
                          bool askDatabase) {
    if (stage_ != Stage::Idle)
        return;
    items_ = items;
    results_ = results;
    askDatabase_ = askDatabase;
    stage_ = Stage::Placing;
    onWorker([this] { ending_.unfinished = plan_->finishOutputs(results_); }, [this] { placed(); });
}

void RipCompletion::abandonDatabase(const VortanError& reason) {
    if (stage_ == Stage::Done || stage_ == Stage::Writing)
        return;
    abandoned_ = reason;
    if (stage_ != Stage::Waiting)
        return;
    delete lookup_; // its answer never comes
    lookup_ = nullptr;
    ending_.log.accurateRip = reason;
    writeAll();
}

void RipCompletion::finishNow() {
    if (stage_ == Stage::Idle || stage_ == Stage::Done)
        return;
    joinWorker(); // the worker's posted end is dropped with afterWorker_
    afterWorker_ = nullptr;
    if (stage_ == Stage::Placing) {
        ending_.log = plan_->log(items_, results_);
        if (askDatabase_ && ending_.log.hasCheckableTracks())
            ending_.log.accurateRip = abandoned_.value_or(programEnded());
    } else if (stage_ == Stage::Waiting) {
        delete lookup_;
        lookup_ = nullptr;
        ending_.log.accurateRip = abandoned_.value_or(programEnded());
    }
    if (stage_ != Stage::Writing)
        writeFiles(ending_);
    stage_ = Stage::Done;
}

void RipCompletion::placed() {
    if (steps_.outputsPlaced)
        steps_.outputsPlaced(ending_.unfinished);
    ending_.log = plan_->log(items_, results_);
    askOrWrite();
}

void RipCompletion::askOrWrite() {
    if (!askDatabase_ || !ending_.log.hasCheckableTracks()) {
        writeAll();
        return;
    }
    if (abandoned_) {
        ending_.log.accurateRip = *abandoned_;
        writeAll();
        return;
    }
    // A fast rip's record of the disc is the one the rip was checked against: the same
    // question is not asked twice.
    if (auto known = plan_->databaseRecord()) {
        ending_.log.accurateRip = std::move(*known);
        ending_.databaseAnswered = true;
        writeAll();
        return;
    }
    stage_ = Stage::Waiting;
    lookup_ = new accuraterip::RecordLookup(this);
    accuraterip::LookupRequest request;
    request.key = ending_.log.accurateRipKey();
    request.server = AccurateRipServer;
    lookup_->start(request,
                   [this](const accuraterip::RecordLookup::Result& answer) { answered(answer); });
    emit filesSettled();
}

void RipCompletion::answered(const Result<accuraterip::Record>& answer) {
    lookup_->deleteLater(); // it is still in its own call
    lookup_ = nullptr;
    ending_.log.accurateRip = answer;
    ending_.databaseAnswered = true;
    writeAll();
}

void RipCompletion::writeAll() {
    stage_ = Stage::Writing;
    onWorker([this] { writeFiles(ending_); }, [this] { ended(); });
}

void RipCompletion::ended() {
    stage_ = Stage::Done;
    if (steps_.written)
        steps_.written(ending_);
    emit filesSettled();
    emit finished();
}

void RipCompletion::writeFiles(RipEnding& ending) const {
    if (ending.log.tracks.empty())
        return;
    const QString folder = QFileInfo(items_.front().output).absolutePath();
    bool filesLeft = false;
    for (qsizetype i = 0; i < items_.size() && !filesLeft; ++i)
        filesLeft = !plan_->outputsOf(static_cast<int>(i)).isEmpty();
    if (plan_->savesCover() && filesLeft) {
        ending.coverFile = cover::saveBeside(folder, *plan_->cover());
        const Result<cover::SavedFile>& saved = *ending.coverFile;
        ending.log.coverFile =
            !saved ? QStringLiteral("not written: %1").arg(saved.error().description())
            : saved->skipped
                ? QStringLiteral("not written: %1 is there already; it was kept").arg(saved->path)
                : saved->path;
    }
    ending.logPath = riplog::write(folder, ending.log);
    // The cue sheets are named after the log, even one that could not be written.
    const QString logPath =
        *ending.logPath ? ending.logPath->value() : QDir(folder).filePath(ending.log.fileName());
    const std::vector<pipeline::OutputFormat> formats = plan_->outputFormats();
    for (std::size_t k = 0; k < formats.size(); ++k) {
        QString named = logPath;
        if (k > 0) {
            if (named.endsWith(QLatin1String(".log")))
                named.chop(4);
            named += QLatin1Char('.') + pipeline::extensionOf(formats[k]) + QStringLiteral(".log");
        }
        ending.cueSheets.push_back(
            ripcue::write(named, plan_->logOfFormat(ending.log, k), cueFileType(formats[k])));
    }
}

void RipCompletion::onWorker(std::function<void()> work, std::function<void()> then) {
    joinWorker();
    afterWorker_ = std::move(then);
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        calls_->post([this] {
            joinWorker();
            if (auto then = std::exchange(afterWorker_, nullptr))
                then();
        });
    });
}

void RipCompletion::joinWorker() {
    if (worker_.joinable())
        worker_.join();
}
