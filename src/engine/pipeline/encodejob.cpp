#include "engine/pipeline/encodejob.h"

#include "engine/core/settings.h"
#include "engine/formats/wavreader.h"

QString percentCaption(double percent) {
    return QStringLiteral("%1%").arg(percent, 4, 'f', 1, QLatin1Char('0'));
}

modLAME::EncoderConfig fileEncoderConfigFor(int bitrateIndex, int qualityIndex) {
    modLAME::EncoderConfig config = modLAME::makeConfig(modLAME::bitrateForIndex(bitrateIndex),
                                                        modLAME::qualityPresetCode(qualityIndex));
    config.privateFlag = modLAME::flagFalse;
    config.crcFlag = modLAME::flagFalse;
    config.copyrightFlag = modLAME::flagFalse;
    config.originalFlag = modLAME::flagTrue;
    return config;
}

static_assert(maxFilesAtOnce <= modLAME::maxStreams,
              "every file a batch converts at once needs an encoder stream of its own");

std::int64_t expectedMp3Bytes(const QString& wavPath, std::uint32_t bitrateKbps) {
    const Result<WavFormat> wav = readWavFormat(wavPath);
    if (!wav)
        return -1;
    constexpr std::int64_t tagRoom = 4096;
    return wav->durationMs(wav->dataLength) * bitrateKbps / 8 + tagRoom;
}

EncodeJob::EncodeJob(std::function<modLAME::EncoderConfig()> configure, QObject* parent)
    : WorkerJob(parent), configure_(std::move(configure)) {}

EncodeJob::~EncodeJob() {
    stopWorker();
}

void EncodeJob::prepare(const WorkItem&) {
    config_ = configure_ ? configure_() : modLAME::makeConfig(160, 0);
}

JobResult EncodeJob::work(const WorkItem& item) {
    EncodeRequest request;
    request.sourcePath = item.source;
    request.outputPath = item.output;
    request.config = config_;
    workerOutcome_ = encodeWavToMp3(
        request, [this] { return cancelled(); },
        [this](double percent) {
            reportProgress(percentCaption(percent), static_cast<int>(percent));
        });
    JobResult r;
    if (workerOutcome_.outputPath != item.output)
        r.output = workerOutcome_.outputPath;
    switch (workerOutcome_.status) {
    case EncodeOutcome::Status::Completed:
        r.status = JobResult::Status::Completed;
        break;
    case EncodeOutcome::Status::Cancelled:
        r.status = JobResult::Status::Cancelled;
        break;
    case EncodeOutcome::Status::Failed:
        r.status = JobResult::Status::Failed;
        r.reason = workerOutcome_.error.description();
        break;
    }
    return r;
}
