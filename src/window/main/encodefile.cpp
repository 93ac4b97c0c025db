#include "window/main/encodefile.h"

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

// Hands `outcome` to `done` from the event loop.
void deliverLater(ConversionService& service, EncodeFileDone done, EncodeFileOutcome outcome) {
    QMetaObject::invokeMethod(
        &service, [done = std::move(done), outcome] { done(outcome); }, Qt::QueuedConnection);
}

EncodeFileOutcome outcomeOf(const BatchReport& report) {
    EncodeFileOutcome out;
    if (report.items.isEmpty() || report.results.isEmpty())
        return out;
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

void encodeFound(ConversionService& service, const QString& sourcePath,
                 const EncodeFileControls& controls, const modLAME::EncoderConfig& config,
                 EncodeFileDone done) {
    // The batch's reactions outlive this call: they keep their own copy of the elements.
    auto window = std::make_shared<const EncodeFileControls>(controls);
    if (window->Command2)
        window->Command2->setVisible(true);
    if (window->Disablem)
        window->Disablem();

    ConversionBatch work;
    work.kind = ConversionKind::WavToMp3;
    work.settings.destination = DecodePath;
    work.settings.encoder = config;
    work.items = {
        WorkItem{sourcePath, ConversionService::outputFor(work.kind, DecodePath, sourcePath)}};
    WindowBatch batch;
    batch.verb = QCoreApplication::translate("encodefile", "encoded");
    if (window->mayStart)
        batch.mayStart = [window](const WorkItem&, std::int64_t expected, std::int64_t) {
            return window->mayStart(expected); // a batch of one: nothing else is under way
        };
    batch.itemStarted = [window](const WorkItem& item) {
        if (window->outputNamed)
            window->outputNamed(item.output);
    };
    const QString title = window->window ? window->window->windowTitle() : QString();
    batch.progress = [window, title](const QString& caption, int percent) {
        if (window->window)
            window->window->setWindowTitle(progressTitle(caption, title));
        if (window->Label33)
            window->Label33->setText(caption);
        if (window->ProgressBar1)
            window->ProgressBar1->setValue(percent);
    };
    batch.ended = [window, done](const BatchReport& report) {
        if (window->Enablem)
            window->Enablem();
        done(outcomeOf(report));
    };
    if (!startWindowBatch(service, std::move(batch), std::move(work))) {
        if (window->Enablem)
            window->Enablem();
        deliverLater(service, std::move(done), {});
    }
}

} // namespace

void EncodeFile(ConversionService& service, const QString& sourcePath,
                const EncodeFileControls& window, EncodeFileDone done) {
    EncodeFile(service, sourcePath, window, fileEncoderConfig(), std::move(done));
}

void EncodeFile(ConversionService& service, const QString& sourcePath,
                const EncodeFileControls& window, const modLAME::EncoderConfig& config,
                EncodeFileDone done) {
    if (nativepath::isFile(sourcePath)) {
        encodeFound(service, sourcePath, window, config, std::move(done));
        return;
    }
    dialogs::msgBox(QCoreApplication::translate("encodefile", "File not found..."),
                    dialogs::Buttons::Ok, dialogs::Icon::Critical,
                    QCoreApplication::translate("encodefile", "Critical Error"));
    deliverLater(service, std::move(done), {});
}
