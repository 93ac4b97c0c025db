#include "encode/encodefile.h"

#include "app/jobstate.h"
#include "app/paths.h"
#include "app/settings.h"
#include "encode/mp3fileencoder.h"
#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
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
    modLAME::EncoderConfig config = modLAME::makeConfig(
        modLAME::bitrateForIndex(EncodingBitrate), modLAME::qualityPresetCode(EncodingQuality));
    config.privateFlag = modLAME::flagFalse;
    config.crcFlag = modLAME::flagFalse;
    config.copyrightFlag = modLAME::flagFalse;
    config.originalFlag = modLAME::flagTrue;
    return config;
}

QString mp3PathFor(const QString& sourcePath) {
    return DecodePath + QLatin1Char('/') + BaseName(sourcePath) + QStringLiteral(".mp3");
}

QString percentCaption(double percent) {
    return QStringLiteral("%1%").arg(percent, 4, 'f', 1, QLatin1Char('0'));
}

namespace {

bool sourceFound(const QString& sourcePath) {
    QCoreApplication::processEvents();
    if (QFileInfo(sourcePath).isFile())
        return true;
    dialogs::msgBox(QStringLiteral("File not found..."), dialogs::Buttons::Ok,
                    dialogs::Icon::Critical, QStringLiteral("Critical Error"));
    return false;
}

EncodeFileResult encodeFound(const QString& sourcePath, const EncodeFileControls& window,
                             const modLAME::EncoderConfig& config) {
    CancelRequested = false;
    if (window.Command2)
        window.Command2->setVisible(true);
    if (window.Disablem)
        window.Disablem();

    Mp3FileEncoder encoder;
    QObject::connect(&encoder, &Mp3FileEncoder::progressChanged, &encoder,
                     [&window](double percent) {
                         if (window.Label33)
                             window.Label33->setText(percentCaption(percent));
                         if (window.ProgressBar1)
                             window.ProgressBar1->setValue(static_cast<int>(percent));
                     });
    EncodeRequest request;
    request.sourcePath = sourcePath;
    request.outputPath = mp3PathFor(sourcePath);
    request.config = config;
    const EncodeOutcome outcome = encoder.run(request);

    if (outcome.status == EncodeOutcome::Status::Failed)
        dialogs::msgBox(outcome.error.description(), dialogs::Buttons::Ok, dialogs::Icon::Critical,
                        QStringLiteral("Critical error..."));
    if (window.Enablem)
        window.Enablem();
    switch (outcome.status) {
    case EncodeOutcome::Status::Completed:
        return EncodeFileResult::Completed;
    case EncodeOutcome::Status::Cancelled:
        return EncodeFileResult::Cancelled;
    case EncodeOutcome::Status::Failed:
        break;
    }
    return EncodeFileResult::Failed;
}

} // namespace

EncodeFileResult EncodeFile(const QString& sourcePath, const EncodeFileControls& window) {
    if (!sourceFound(sourcePath))
        return EncodeFileResult::NotStarted;
    return encodeFound(sourcePath, window, fileEncoderConfig());
}

EncodeFileResult EncodeFile(const QString& sourcePath, const EncodeFileControls& window,
                            const modLAME::EncoderConfig& config) {
    if (!sourceFound(sourcePath))
        return EncodeFileResult::NotStarted;
    return encodeFound(sourcePath, window, config);
}
