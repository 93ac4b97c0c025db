#include "window/main/encodefile.h"

#include "engine/core/jobstate.h"
#include "engine/core/settings.h"
#include "engine/platform/dialogs.h"
#include "engine/service/conversionservice.h"
#include "engine/service/windowbatch.h"

#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

modLAME::EncoderConfig fileEncoderConfig() {
    // The stored index is re-read at every file, as LoadSettings reads it: a text that is
    // not a number leaves the variable as it was.
    const QString stored = settings::readText(SettingKey::EncodingBitrate,
                                              settings::defaultText(SettingKey::EncodingBitrate));
    if (const auto index = settings::toInt16(stored))
        EncodingBitrate = *index;
    return fileEncoderConfigFor(EncodingBitrate, EncodingQuality);
}

namespace {

bool sourceFound(const QString& sourcePath) {
    QCoreApplication::processEvents();
    if (nativepath::isFile(sourcePath))
        return true;
    dialogs::msgBox(QStringLiteral("File not found..."), dialogs::Buttons::Ok,
                    dialogs::Icon::Critical, QStringLiteral("Critical Error"));
    return false;
}

EncodeFileOutcome encodeFound(const QString& sourcePath, const EncodeFileControls& window,
                              const modLAME::EncoderConfig& config) {
    CancelRequested = false;
    if (window.Command2)
        window.Command2->setVisible(true);
    if (window.Disablem)
        window.Disablem();

    ConversionBatch work;
    work.kind = ConversionKind::WavToMp3;
    work.settings.destination = DecodePath;
    work.settings.encoder = config;
    work.items = {
        WorkItem{sourcePath, ConversionService::outputFor(work.kind, DecodePath, sourcePath)}};
    WindowBatch batch;
    batch.verb = QStringLiteral("encoded");
    if (window.mayStart)
        batch.mayStart = [&window](const WorkItem&, std::int64_t expected) {
            return window.mayStart(expected);
        };
    batch.itemStarted = [&window](const WorkItem& item) {
        if (window.outputNamed)
            window.outputNamed(item.output);
    };
    const QString title = window.window ? window.window->windowTitle() : QString();
    batch.progress = [&window, title](const QString& caption, int percent) {
        if (window.window)
            window.window->setWindowTitle(progressTitle(caption, title));
        if (window.Label33)
            window.Label33->setText(caption);
        if (window.ProgressBar1)
            window.ProgressBar1->setValue(percent);
    };
    // A batch of its own: the caller's batch may be running (a recording's encode).
    ConversionService service;
    const BatchReport report = runWindowBatch(service, std::move(batch), std::move(work));

    if (window.Enablem)
        window.Enablem();
    EncodeFileOutcome out;
    out.mp3Path = report.items.front().output;
    switch (report.results.front().status) {
    case JobResult::Status::Completed:
        out.result = EncodeFileResult::Completed;
        break;
    case JobResult::Status::Cancelled:
        out.result = EncodeFileResult::Cancelled;
        break;
    case JobResult::Status::NotStarted:
    case JobResult::Status::Skipped:
        out.result = EncodeFileResult::NotStarted;
        out.mp3Path.clear();
        break;
    case JobResult::Status::Failed:
        out.result = EncodeFileResult::Failed;
        break;
    }
    return out;
}

} // namespace

EncodeFileOutcome EncodeFile(const QString& sourcePath, const EncodeFileControls& window) {
    if (!sourceFound(sourcePath))
        return {};
    return encodeFound(sourcePath, window, fileEncoderConfig());
}

EncodeFileOutcome EncodeFile(const QString& sourcePath, const EncodeFileControls& window,
                             const modLAME::EncoderConfig& config) {
    if (!sourceFound(sourcePath))
        return {};
    return encodeFound(sourcePath, window, config);
}
