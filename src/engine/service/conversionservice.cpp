#include "engine/service/conversionservice.h"

#include "engine/core/paths.h"
#include "engine/decode/decodejob.h"
#include "engine/decode/decoding.h"
#include "engine/pipeline/conversion.h"
#include "engine/pipeline/convertjob.h"
#include "engine/pipeline/encodejob.h"
#include "engine/pipeline/source.h"

#include <algorithm>

ConversionService::ConversionService(QObject* parent) : QObject(parent) {}

ConversionService::~ConversionService() = default; // ~BatchRunner cancels and joins

QString ConversionService::outputFor(ConversionKind kind, const QString& destination,
                                     const QString& source) {
    if (kind == ConversionKind::Mp3ToWav)
        return OutputPathFor(destination, source, QLatin1StringView(".mp3"),
                             QLatin1StringView(".wav"));
    return OutputPathFor(destination, source, QLatin1StringView(".wav"), QLatin1StringView(".mp3"));
}

QString ConversionService::outputFor(ConversionKind kind, const ConversionSettings& settings,
                                     const QString& source) {
    if (kind != ConversionKind::AudioConvert)
        return outputFor(kind, settings.destination, source);
    const QString name = FileNameOf(source);
    // A leading "." starts a hidden file's name, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    return settings.destination + QLatin1Char('/') + stem + QLatin1Char('.') +
           pipeline::extensionOf(settings.convertTo);
}

namespace {

// The bytes the output of `sourcePath` takes in `settings.convertTo`; -1 when the source
// cannot be opened or does not say its length.
std::int64_t expectedConvertedBytes(const QString& sourcePath, const ConversionSettings& settings) {
    const auto source = pipeline::openSource(sourcePath);
    if (!source)
        return -1;
    return pipeline::expectedOutputBytes(settings.convertTo, source.value()->format(),
                                         source.value()->announcedFrames(), settings.formats);
}

} // namespace

BatchRunner::JobMaker ConversionService::jobMaker() const {
    if (batch_.makeJob)
        return batch_.makeJob;
    switch (batch_.kind) {
    case ConversionKind::WavToMp3:
        return [config = batch_.settings.encoder] {
            return std::make_unique<EncodeJob>([config] { return config; });
        };
    case ConversionKind::Mp3ToWav:
        return [] { return std::make_unique<DecodeJob>(); };
    case ConversionKind::AudioConvert:
        return [format = batch_.settings.convertTo, settings = batch_.settings.formats] {
            return std::make_unique<ConvertJob>(format, settings);
        };
    case ConversionKind::CdExtraction:
    case ConversionKind::Capture:
        break;
    }
    return {};
}

std::int64_t ConversionService::expectedBytes(const WorkItem& item) const {
    if (batch_.expectedOutputBytes)
        return batch_.expectedOutputBytes(item);
    switch (batch_.kind) {
    case ConversionKind::WavToMp3:
        return expectedMp3Bytes(item.source, batch_.settings.encoder.bitrateKbps);
    case ConversionKind::Mp3ToWav:
        return expectedWavBytes(item.source);
    case ConversionKind::AudioConvert:
        return expectedConvertedBytes(item.source, batch_.settings);
    case ConversionKind::CdExtraction:
    case ConversionKind::Capture:
        break;
    }
    return -1;
}

bool ConversionService::start(ConversionBatch batch) {
    if (runner_)
        return false;
    batch_ = std::move(batch);
    BatchRunner::JobMaker makeJob = jobMaker();
    if (!makeJob)
        return false; // a CD batch without its jobs: nothing could convert its items
    stopped_ = false;
    endedFromOutside_ = false;
    runner_ = std::make_unique<BatchRunner>(std::move(makeJob));
    BatchRunner* runner = runner_.get();
    runner->maxParallel = std::max(1, batch_.settings.filesAtOnce);
    reservations_.clear();
    // Each file that starts keeps its expected output reserved against the free space until
    // it ends, so that files started together are never more than the disk holds.
    runner->mayStart = [this](const WorkItem& item) {
        const std::int64_t expected = expectedBytes(item);
        if (mayStart && !mayStart(item, expected, reservedBytes()))
            return false;
        reservations_[item.index] = {std::max<std::int64_t>(expected, 0), 0};
        return true;
    };
    connect(runner, &BatchRunner::itemStarted, this, &ConversionService::itemStarted);
    connect(runner, &BatchRunner::itemProgress, this,
            [this](const WorkItem& item, const QString& caption, int percent) {
                if (const auto at = reservations_.find(item.index); at != reservations_.end())
                    at->second.percent = std::clamp(percent, 0, 100);
                emit itemProgress(item, caption, percent);
            });
    connect(runner, &BatchRunner::itemFinished, this,
            [this](const WorkItem& item, const JobResult& result) {
                reservations_.erase(item.index);
                emit itemFinished(item, result);
            });
    // Queued: the batch's end is never reported from inside start(), stop() or abort(), and
    // the runner is released only once the code that reported it has returned.
    connect(runner, &BatchRunner::finished, this, &ConversionService::runnerFinished,
            Qt::QueuedConnection);
    runner->start(batch_.items);
    return true;
}

std::int64_t ConversionService::reservedBytes() const {
    std::int64_t still = 0;
    for (const auto& [index, reservation] : reservations_)
        still += reservation.bytes * (100 - reservation.percent) / 100;
    return still;
}

void ConversionService::endNow() {
    if (!runner_)
        return;
    stopped_ = true;
    endedFromOutside_ = true;
    runner_->endNow();
    runnerFinished();
}

void ConversionService::stop() {
    if (!runner_)
        return;
    stopped_ = true;
    runner_->stop();
    // The sound card cannot be recorded ahead of the disc: a recording ends now.
    if (batch_.kind == ConversionKind::Capture)
        runner_->cancel();
}

void ConversionService::holdNext() {
    if (runner_)
        runner_->hold();
}

void ConversionService::resumeNext() {
    if (runner_)
        runner_->resume();
}

void ConversionService::abort() {
    if (!runner_)
        return;
    stopped_ = true;
    runner_->cancel();
}

void ConversionService::runnerFinished() {
    if (!runner_ || runner_->isRunning())
        return;
    ConversionReport report;
    report.kind = batch_.kind;
    report.settings = batch_.settings;
    report.items = runner_->items();
    report.results = runner_->results();
    report.endedFromOutside = endedFromOutside_;
    runner_.reset();
    emit batchFinished(report);
}
