#include "engine/pipeline/mp3fileencoder.h"

#include "engine/formats/wavreader.h"
#include "engine/pipeline/conversion.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

const QString source() {
    return QStringLiteral("EncodeFile");
}

QString codingName(const WavFormat& wav) {
    if (wav.formatTag == WavFormat::extensibleTag)
        return QStringLiteral("%1, subformat %2").arg(wav.formatTag).arg(wav.subFormatTag);
    return QString::number(wav.formatTag);
}

// The source's format when the MP3 encoder can take its audio; else why not, naming the file.
// `audioBytes` gets the audio's length in whole sample frames.
Result<WavFormat> acceptedSource(const QString& path, std::int64_t& audioBytes) {
    Result<WavFormat> format = readWavFormat(path);
    if (!format)
        return VortanError(VortanError::InvalidArgument, source(), format.error().description());
    const WavFormat& wav = format.value();
    if (wav.sampleType() == WavSampleType::Unsupported || wav.channels > 2)
        return VortanError(VortanError::InvalidArgument, source(),
                           QCoreApplication::translate(
                               "mp3fileencoder",
                               "%1: only PCM (8-, 16-, 24- or 32-bit) or floating-point (32- or "
                               "64-bit) audio in one or two channels can be encoded (this file "
                               "holds %2-bit audio in %3 channels, format %4)")
                               .arg(path)
                               .arg(wav.bitsPerSample)
                               .arg(wav.channels)
                               .arg(codingName(wav)));
    // A trailing piece of a sample frame is not audio.
    audioBytes = wav.dataLength - wav.dataLength % wav.blockAlign;
    if (audioBytes == 0)
        return VortanError(
            VortanError::InvalidArgument, source(),
            QCoreApplication::translate("mp3fileencoder", "%1: the file holds no audio to encode")
                .arg(path));
    return format;
}

// The encoder binding refusing the configuration record is reported as the binding's own
// error (its number and text), as every caller of the binding reports it.
VortanError reported(const pipeline::ConvertedOutput& output, const VortanError& error) {
    if (!output.begun && error.source() == modLAME::lameError(0).source())
        return modLAME::lameError(static_cast<std::uint32_t>(error.number()));
    return error;
}

} // namespace

EncodeOutcome encodeWavToMp3(const EncodeRequest& request, const std::function<bool()>& cancelled,
                             const std::function<void(double)>& progress) {
    EncodeOutcome out;
    const Result<WavFormat> format = acceptedSource(request.sourcePath, out.audioBytes);
    if (!format) {
        out.error = format.error();
        return out;
    }

    pipeline::ConvertRequest conversion;
    conversion.sourcePath = request.sourcePath;
    pipeline::ConvertOutput mp3;
    mp3.format = pipeline::OutputFormat::Mp3;
    mp3.path = request.outputPath;
    mp3.settings.mp3 = request.config;
    conversion.outputs.push_back(mp3);
    conversion.sourceOpener = pipeline::openWavSource;
    // One block is one chunk of the encoder binding: a cancel and a progress report each
    // follow a whole chunk.
    conversion.blockFrames = std::int64_t{modLAME::framesPerChunk} * modLAME::samplesPerMpegFrame;
    conversion.lockSource = true;
    conversion.defaultTitle = QFileInfo(request.sourcePath).completeBaseName();

    const pipeline::ConvertOutcome converted =
        pipeline::convertFile(conversion, cancelled, progress);
    const pipeline::ConvertedOutput& written = converted.outputs.front();
    out.bytesEncoded = converted.framesRead * format.value().blockAlign;
    out.bytesWritten = written.bytesWritten;
    out.outputCreated = written.begun;
    out.outputPath = written.path;
    switch (converted.status) {
    case pipeline::ConvertOutcome::Status::Completed:
        out.status = EncodeOutcome::Status::Completed;
        break;
    case pipeline::ConvertOutcome::Status::Cancelled:
        out.status = EncodeOutcome::Status::Cancelled;
        break;
    case pipeline::ConvertOutcome::Status::Failed:
        out.status = EncodeOutcome::Status::Failed;
        out.error = reported(written, converted.error);
        break;
    }
    return out;
}
