#include "engine/platform/audio/wavfilesource.h"

#include "engine/formats/wavreader.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <vector>

namespace audio {

Result<std::unique_ptr<WavFileSource>> WavFileSource::open(const QString& path) {
    const QString source = QStringLiteral("waveaudio");
    if (!QFileInfo(path).isFile())
        return VortanError(
            VortanError::FileNotFound, source,
            QCoreApplication::translate("WavFileSource", "File not found: %1").arg(path));
    const auto wav = readWavFormat(path);
    if (!wav)
        return wav.error();
    const WavFormat& f = wav.value();
    if (!f.isPcm() || (f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.channels < 1 ||
        f.channels > 2 || f.sampleRate == 0 || f.blockAlign != f.channels * f.bitsPerSample / 8)
        return VortanError(VortanError::InvalidArgument, source,
                           QCoreApplication::translate(
                               "WavFileSource", "%1: only 8- and 16-bit PCM in one or two channels "
                                                "can be played")
                               .arg(path));

    std::unique_ptr<WavFileSource> wave(new WavFileSource);
    wave->file_.setFileName(path);
    if (!wave->file_.open(QIODevice::ReadOnly))
        return VortanError(VortanError::PathAccess, source,
                           QStringLiteral("%1: %2").arg(path, wave->file_.errorString()));
    wave->format_ = PcmFormat{static_cast<int>(f.sampleRate), f.channels};
    wave->bytesPerSample_ = f.bitsPerSample / 8;
    wave->dataOffset_ = f.dataOffset;
    wave->frameCount_ = f.frameCount();
    wave->endFrame_ = wave->frameCount_;
    return wave;
}

void WavFileSource::setRange(std::int64_t from, std::int64_t to) {
    nextFrame_ = std::clamp<std::int64_t>(from, 0, frameCount_);
    endFrame_ = std::clamp<std::int64_t>(to, nextFrame_, frameCount_);
}

std::size_t WavFileSource::read(char* buffer, std::size_t capacity) {
    const std::int64_t frameBytes = format_.blockAlign(); // 16-bit, as handed out
    const std::int64_t frames = std::min<std::int64_t>(
        static_cast<std::int64_t>(capacity) / frameBytes, endFrame_ - nextFrame_);
    if (frames <= 0 || !error_.isEmpty())
        return 0;
    const std::int64_t fileFrameBytes = std::int64_t{bytesPerSample_} * format_.channels;
    if (!file_.seek(dataOffset_ + nextFrame_ * fileFrameBytes)) {
        error_ = file_.errorString();
        return 0;
    }
    const std::int64_t wanted = frames * fileFrameBytes;
    // 16-bit data is read straight into place; 8-bit data into the back half, then widened
    // from the front so that no byte is overwritten before it was read.
    char* target = buffer + (bytesPerSample_ == 1 ? wanted : 0);
    const qint64 got = file_.read(target, wanted);
    if (got < fileFrameBytes) {
        if (got < 0)
            error_ = file_.errorString();
        else
            error_ =
                QCoreApplication::translate("WavFileSource", "The file ends before its audio does");
        return 0;
    }
    const std::int64_t gotFrames = got / fileFrameBytes;
    if (bytesPerSample_ == 1) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(target);
        for (std::int64_t i = 0; i < gotFrames * format_.channels; ++i) {
            const auto sample = static_cast<std::int16_t>((bytes[i] - 128) * 256);
            std::memcpy(buffer + 2 * i, &sample, sizeof sample);
        }
    }
    nextFrame_ += gotFrames;
    return static_cast<std::size_t>(gotFrames * frameBytes);
}

} // namespace audio
