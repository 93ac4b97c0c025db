// The encoders behind makeEncoder: WAV (wavencoder.cpp), MP3 over the LAME binding's
// Mp3Output, FLAC over libFLAC and Opus over libopusenc.
#include "engine/pipeline/encoder.h"

#include "engine/encode/mp3output.h"
#include "engine/formats/clsfileio.h"
#include "engine/pipeline/filesink.h"
#include "engine/pipeline/wavencoder.h"
#include "engine/platform/flac/flacencoder.h"
#include "engine/platform/opus/opusencoder.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pipeline {

namespace {

// A library's error told of the file it was writing.
VortanError naming(const QString& path, const VortanError& error) {
    return VortanError(error.number(), error.source(),
                       QStringLiteral("%1: %2").arg(path, error.description()));
}

std::optional<VortanError> naming(const QString& path, std::optional<VortanError> error) {
    if (error)
        return naming(path, *error);
    return error;
}

// The first failure of an output, kept for finish().
class FirstFailure {
  public:
    std::optional<VortanError> operator()(std::optional<VortanError> error) {
        if (error && !first_)
            first_ = std::move(error);
        return first_;
    }
    const std::optional<VortanError>& first() const { return first_; }

  private:
    std::optional<VortanError> first_;
};

// ---- MP3 ----

const QString lameSource = QStringLiteral("Lame"); // modLAME::lameError's

class Mp3Encoder final : public Encoder {
  public:
    Mp3Encoder(std::unique_ptr<Mp3Output> output, const AudioFormat& input,
               const EncoderTarget& target)
        : output_(std::move(output)), input_(input), targetFd_(target.fd), path_(target.path) {}

    std::optional<VortanError> write(const AudioBlock& block) override {
        if (failure_.first())
            return failure_.first();
        const auto channels = static_cast<std::size_t>(input_.channels);
        const std::size_t framesPerCall = output_->maxSamplesPerCall() / channels;
        const std::int32_t* in = block.samples;
        auto left = static_cast<std::size_t>(block.frames);
        while (left > 0) {
            const std::size_t n = std::min(left, framesPerCall);
            const auto count = static_cast<std::uint32_t>(n * channels);
            // The binding takes full scale as the whole range of its 16- or 32-bit entry: a
            // narrower sample moved to the top bits encodes exactly as at its own width.
            // Samples of up to 16 bits go as 16-bit ones, half the memory to pass.
            std::optional<VortanError> error;
            if (input_.bitsPerSample <= 16)
                error = output_->encode(atTop(in, count, shorts_), count);
            else
                error = output_->encode(atTop(in, count, scaled_), count);
            if (error)
                return failure_(namingCodec(std::move(error)));
            if (auto error = output_->commit())
                return failure_(std::move(error));
            in += n * channels;
            left -= n;
        }
        return std::nullopt;
    }

    std::optional<VortanError> finish() override {
        if (finished_)
            return failure_.first();
        finished_ = true;
        return failure_(namingCodec(output_->finish()));
    }

    // The MP3 is written by a writer thread of its own: what the file holds is what it took.
    std::int64_t bytesWritten() const override {
        struct stat st {};
        return ::fstat(targetFd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
    }

  private:
    // The `count` samples at the input's width moved to the top of `Wide` integers.
    template <typename Wide>
    const Wide* atTop(const std::int32_t* in, std::uint32_t count, std::vector<Wide>& out) const {
        const int shift = static_cast<int>(sizeof(Wide) * 8) - input_.bitsPerSample;
        out.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<Wide>(static_cast<std::uint32_t>(in[i]) << shift);
        return out.data();
    }

    // The encoder's own errors are told of the file; the file's name it already.
    std::optional<VortanError> namingCodec(std::optional<VortanError> error) const {
        if (error && error->source() == lameSource)
            return naming(path_, *error);
        return error;
    }

    std::unique_ptr<Mp3Output> output_;
    AudioFormat input_;
    int targetFd_;
    QString path_;
    std::vector<std::int16_t> shorts_;
    std::vector<std::int32_t> scaled_;
    FirstFailure failure_;
    bool finished_ = false;
};

Result<std::unique_ptr<Encoder>> makeMp3Encoder(const AudioFormat& input,
                                                const EncoderSettings& settings,
                                                const EncoderTarget& target) {
    const QString source = QStringLiteral("MP3");
    if (input.channels > 2)
        return VortanError(VortanError::InvalidArgument, source,
                           QCoreApplication::translate(
                               "Encoder", "%1: MP3 holds at most two channels; the audio has %2")
                               .arg(target.path)
                               .arg(input.channels));
    modLAME::EncoderConfig config = settings.mp3;
    config.inputSampleRate = static_cast<std::uint32_t>(input.sampleRate);
    config.inputChannels = static_cast<std::uint32_t>(input.channels);
    // Mp3Output closes the descriptor it is given: it gets a duplicate.
    const int fd = target.fd >= 0 ? ::fcntl(target.fd, F_DUPFD_CLOEXEC, 0) : -1;
    if (fd < 0)
        return VortanError(VortanError::PathAccess, source,
                           QStringLiteral("%1: %2").arg(
                               target.path, fileErrorText(target.fd >= 0 ? errno : EBADF)));
    auto opened = Mp3Output::open(config, fd, target.path, source);
    if (!opened) {
        if (opened.error().source() != lameSource)
            return opened.error();
        return VortanError(opened.error().number(), lameSource,
                           QCoreApplication::translate(
                               "Encoder", "%1: the MP3 encoder refused %2 channels at %3 Hz (%4)")
                               .arg(target.path)
                               .arg(input.channels)
                               .arg(input.sampleRate)
                               .arg(opened.error().description()));
    }
    return std::unique_ptr<Encoder>(
        std::make_unique<Mp3Encoder>(std::move(opened.value()), input, target));
}

// An encoder that hands its bytes to a FileSink: the first failure kept, the end once, a
// write the file refused taking precedence over what the library says of it (libopusenc even
// carries on past a refused page, so the file's state is looked at after every call).
class SinkEncoder : public Encoder {
  public:
    SinkEncoder(std::unique_ptr<FileSink> sink, QString path)
        : sink_(std::move(sink)), path_(std::move(path)) {}

    std::optional<VortanError> finish() final {
        if (finished_)
            return failure_.first();
        finished_ = true;
        if (!failure_.first())
            failed(endStream());
        return failure_(sink_->close());
    }

    std::int64_t bytesWritten() const final { return sink_->bytesWritten(); }
    FileSink& sink() { return *sink_; }

  protected:
    // Ends the library's stream (finish() does the rest).
    virtual std::optional<VortanError> endStream() = 0;

    std::optional<VortanError> failed(std::optional<VortanError> error) {
        if (sink_->failure())
            return failure_(sink_->failure());
        return failure_(naming(path_, std::move(error)));
    }
    std::optional<VortanError> firstFailure() const { return failure_.first(); }

  private:
    std::unique_ptr<FileSink> sink_;
    QString path_;
    FirstFailure failure_;
    bool finished_ = false;
};

// ---- FLAC ----

class FlacOutput final : public flac::EncodedOutput {
  public:
    explicit FlacOutput(FileSink& sink) : sink_(sink) {}
    bool write(const unsigned char* data, std::size_t bytes) override {
        return sink_.write(data, bytes);
    }
    bool seek(std::uint64_t offset) override { return sink_.seek(offset); }
    std::uint64_t position() const override { return sink_.position(); }

  private:
    FileSink& sink_;
};

class FlacEncoder final : public SinkEncoder {
  public:
    FlacEncoder(std::unique_ptr<FileSink> sink, QString path)
        : SinkEncoder(std::move(sink), std::move(path)),
          output_(std::make_unique<FlacOutput>(this->sink())) {}

    // Called once the library's encoder exists (it writes the header through output_).
    void setEncoder(std::unique_ptr<flac::StreamEncoder> encoder) { encoder_ = std::move(encoder); }
    FlacOutput& output() { return *output_; }

    std::optional<VortanError> write(const AudioBlock& block) override {
        if (auto first = firstFailure())
            return first;
        return failed(encoder_->encode(block.samples, block.frames));
    }

  private:
    std::optional<VortanError> endStream() override { return encoder_->finish(); }

    std::unique_ptr<FlacOutput> output_;
    std::unique_ptr<flac::StreamEncoder> encoder_; // last: destroyed before its output
};

Result<std::unique_ptr<Encoder>> makeFlacEncoder(const AudioFormat& input,
                                                 const EncoderSettings& settings,
                                                 const EncoderTarget& target) {
    const QString source = QStringLiteral("FLAC");
    auto sink = FileSink::open(target.fd, target.path, source);
    if (!sink)
        return sink.error();
    auto encoder = std::make_unique<FlacEncoder>(std::move(sink.value()), target.path);
    flac::EncoderParameters parameters;
    parameters.sampleRate = input.sampleRate;
    parameters.channels = input.channels;
    parameters.bitsPerSample = input.bitsPerSample;
    parameters.compressionLevel = settings.flacLevel;
    parameters.expectedFrames = target.expectedFrames;
    auto made = flac::StreamEncoder::create(parameters, encoder->output());
    if (!made) {
        if (const auto& fileFailure = encoder->sink().failure())
            return *fileFailure;
        return naming(target.path, made.error());
    }
    encoder->setEncoder(std::move(made.value()));
    return std::unique_ptr<Encoder>(std::move(encoder));
}

// ---- Opus ----

class OpusOutput final : public opus::EncodedOutput {
  public:
    explicit OpusOutput(FileSink& sink) : sink_(sink) {}
    bool write(const unsigned char* data, std::size_t bytes) override {
        return sink_.write(data, bytes);
    }

  private:
    FileSink& sink_;
};

class OpusEncoder final : public SinkEncoder {
  public:
    OpusEncoder(std::unique_ptr<FileSink> sink, const AudioFormat& input, QString path)
        : SinkEncoder(std::move(sink), std::move(path)),
          output_(std::make_unique<OpusOutput>(this->sink())), input_(input) {}

    void setEncoder(std::unique_ptr<opus::StreamEncoder> encoder) { encoder_ = std::move(encoder); }
    OpusOutput& output() { return *output_; }

    std::optional<VortanError> write(const AudioBlock& block) override {
        if (auto first = firstFailure())
            return first;
        const auto count =
            static_cast<std::size_t>(block.frames) * static_cast<std::size_t>(input_.channels);
        std::optional<VortanError> error;
        if (input_.bitsPerSample <= 16) {
            // Up to 16 bits the samples are passed exactly, as 16-bit integers.
            const int shift = 16 - input_.bitsPerSample;
            shorts_.resize(count);
            for (std::size_t i = 0; i < count; ++i)
                shorts_[i] = static_cast<std::int16_t>(static_cast<std::uint32_t>(block.samples[i])
                                                       << shift);
            error = encoder_->encode(shorts_.data(), block.frames);
        } else {
            const float scale = 1.0f / static_cast<float>(1LL << (input_.bitsPerSample - 1));
            floats_.resize(count);
            for (std::size_t i = 0; i < count; ++i)
                floats_[i] = static_cast<float>(block.samples[i]) * scale;
            error = encoder_->encode(floats_.data(), block.frames);
        }
        return failed(std::move(error));
    }

  private:
    std::optional<VortanError> endStream() override { return encoder_->finish(); }

    std::unique_ptr<OpusOutput> output_;
    AudioFormat input_;
    std::vector<std::int16_t> shorts_;
    std::vector<float> floats_;
    std::unique_ptr<opus::StreamEncoder> encoder_; // last: destroyed before its output
};

Result<std::unique_ptr<Encoder>> makeOpusEncoder(const AudioFormat& input,
                                                 const EncoderSettings& settings,
                                                 const EncoderTarget& target) {
    const QString source = QStringLiteral("Opus");
    auto sink = FileSink::open(target.fd, target.path, source);
    if (!sink)
        return sink.error();
    auto encoder = std::make_unique<OpusEncoder>(std::move(sink.value()), input, target.path);
    opus::EncoderParameters parameters;
    parameters.sampleRate = input.sampleRate;
    parameters.channels = input.channels;
    parameters.bitrateKbps = settings.opusBitrateKbps;
    auto made = opus::StreamEncoder::create(parameters, encoder->output());
    if (!made)
        return naming(target.path, made.error());
    encoder->setEncoder(std::move(made.value()));
    return std::unique_ptr<Encoder>(std::move(encoder));
}

} // namespace

Result<std::unique_ptr<Encoder>> makeEncoder(OutputFormat format, const AudioFormat& input,
                                             const EncoderSettings& settings,
                                             const EncoderTarget& target) {
    if (!input.valid())
        return VortanError(
            VortanError::InvalidArgument, displayNameOf(format),
            QCoreApplication::translate(
                "Encoder", "%1: the audio's format is not valid (%2 Hz, %3 channels, %4 bits)")
                .arg(target.path)
                .arg(input.sampleRate)
                .arg(input.channels)
                .arg(input.bitsPerSample));
    switch (format) {
    case OutputFormat::Wav:
        return makeWavEncoder(input, target);
    case OutputFormat::Mp3:
        return makeMp3Encoder(input, settings, target);
    case OutputFormat::Flac:
        return makeFlacEncoder(input, settings, target);
    case OutputFormat::Opus:
        return makeOpusEncoder(input, settings, target);
    }
    return VortanError(
        VortanError::InvalidArgument, QStringLiteral("Encoder"),
        QCoreApplication::translate("Encoder", "%1: no encoder for this format").arg(target.path));
}

} // namespace pipeline
