#include "encode/encodejob.h"

#include "app/paths.h"
#include "app/settings.h"

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

QString mp3PathFor(const QString& sourcePath) {
    return DecodePath + QLatin1Char('/') + BaseName(sourcePath) + QStringLiteral(".mp3");
}

EncodeJob::EncodeJob(std::function<modLAME::EncoderConfig()> configure, QObject* parent)
    : WorkerJob(parent), configure_(std::move(configure)) {}

EncodeJob::~EncodeJob() {
    stopWorker();
}

JobResult EncodeJob::work(const WorkItem& item) {
    EncodeRequest request;
    request.sourcePath = item.source;
    request.outputPath = item.output;
    if (configure_)
        request.config = configure_();
    workerOutcome_ = encodeWavToMp3(
        request, [this] { return cancelled(); },
        [this](double percent) {
            reportProgress(percentCaption(percent), static_cast<int>(percent));
        });
    JobResult r;
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
