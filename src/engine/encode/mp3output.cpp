#include "engine/encode/mp3output.h"

#include "engine/formats/asyncfilewriter.h"
#include "engine/formats/clsfileio.h"

#include <unistd.h>

Mp3Output::Mp3Output(modLAME::StreamHandle stream, std::uint32_t samplesPerChunk,
                     std::uint32_t outputBytes, QString path, QString errorSource)
    : stream_(stream), samplesPerChunk_(samplesPerChunk), output_(outputBytes),
      path_(std::move(path)), errorSource_(std::move(errorSource)),
      file_(std::make_unique<clsFileIo>()) {}

Mp3Output::~Mp3Output() {
    writer_.reset();
    if (stream_)
        modLAME::beCloseStream(stream_);
}

VortanError Mp3Output::fileError(int error) const {
    return VortanError(VortanError::PathAccess, errorSource_,
                       QStringLiteral("%1: %2").arg(path_, fileErrorText(error)));
}

Result<std::unique_ptr<Mp3Output>> Mp3Output::open(const modLAME::EncoderConfig& config,
                                                   const QString& path,
                                                   const QString& errorSource) {
    std::uint32_t samplesPerChunk = 0, outputBytes = 0;
    modLAME::StreamHandle stream = 0;
    if (const auto code = modLAME::beInitStream(config, samplesPerChunk, outputBytes, stream))
        return modLAME::lameError(code);
    std::unique_ptr<Mp3Output> out(
        new Mp3Output(stream, samplesPerChunk, outputBytes, path, errorSource));
    if (!out->file_->OpenFile(path, FileUse::Write))
        return out->fileError(out->file_->lastError);
    out->writer_ = std::make_unique<AsyncFileWriter>(*out->file_);
    return out;
}

Result<std::unique_ptr<Mp3Output>> Mp3Output::open(const modLAME::EncoderConfig& config, int fd,
                                                   const QString& path,
                                                   const QString& errorSource) {
    std::uint32_t samplesPerChunk = 0, outputBytes = 0;
    modLAME::StreamHandle stream = 0;
    if (const auto code = modLAME::beInitStream(config, samplesPerChunk, outputBytes, stream)) {
        if (fd >= 0)
            ::close(fd);
        return modLAME::lameError(code);
    }
    std::unique_ptr<Mp3Output> out(
        new Mp3Output(stream, samplesPerChunk, outputBytes, path, errorSource));
    if (!out->file_->adopt(fd, path))
        return out->fileError(out->file_->lastError);
    out->writer_ = std::make_unique<AsyncFileWriter>(*out->file_);
    return out;
}

template <typename Sample, typename EncodeChunk>
std::optional<VortanError> Mp3Output::encodeWith(EncodeChunk encodeChunk, const Sample* samples,
                                                 std::uint32_t sampleCount) {
    std::uint32_t produced = 0;
    if (const auto code = encodeChunk(stream_, sampleCount, samples, output_.data(), produced)) {
        modLAME::beCloseStream(stream_);
        stream_ = 0;
        return modLAME::lameError(code);
    }
    staged_.insert(staged_.end(), output_.data(), output_.data() + produced);
    return std::nullopt;
}

std::optional<VortanError> Mp3Output::encode(const std::int16_t* samples,
                                             std::uint32_t sampleCount) {
    return encodeWith(modLAME::beEncodeChunk, samples, sampleCount);
}

std::optional<VortanError> Mp3Output::encode(const std::int32_t* samples,
                                             std::uint32_t sampleCount) {
    return encodeWith(modLAME::beEncodeChunkInt32, samples, sampleCount);
}

std::optional<VortanError> Mp3Output::encode(const float* samples, std::uint32_t sampleCount) {
    return encodeWith(modLAME::beEncodeChunkFloat, samples, sampleCount);
}

std::optional<VortanError> Mp3Output::commit() {
    if (staged_.empty())
        return std::nullopt;
    const bool ok = writer_->append(staged_.data(), staged_.size());
    staged_.clear();
    if (!ok)
        return fileError(writer_->error());
    return std::nullopt;
}

std::optional<VortanError> Mp3Output::finish() {
    if (finished_)
        return std::nullopt;
    finished_ = true;
    // A failing write is what the user must hear about first: the MP3 is then incomplete.
    std::optional<VortanError> failure;
    if (stream_) {
        std::uint32_t produced = 0;
        if (const auto code = modLAME::beDeinitStream(stream_, output_.data(), produced))
            failure = modLAME::lameError(code);
        else
            staged_.insert(staged_.end(), output_.data(), output_.data() + produced);
    }
    if (const auto writeFailure = commit())
        failure = writeFailure;
    const bool written = writer_->finish();
    bytesWritten_ = writer_->bytesWritten();
    if (!written) {
        failure = fileError(writer_->error());
    } else if (stream_) {
        // The LAME/Info frame, complete only now, takes the place of the blank first frame.
        std::uint32_t tagBytes = 0;
        if (const auto code = modLAME::beInfoTagFrame(stream_, output_.data(), tagBytes)) {
            if (!failure)
                failure = modLAME::lameError(code);
        } else if (tagBytes > 0 && !file_->WriteBytesAt(0, output_.data(), tagBytes)) {
            if (!failure)
                failure = fileError(file_->lastError);
        }
    }
    if (!file_->CloseFile() && !failure)
        failure = fileError(file_->lastError);
    return failure;
}
