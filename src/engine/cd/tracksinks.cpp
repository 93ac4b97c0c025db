#include "engine/cd/tracksinks.h"

#include "engine/cd/modakrip32.h"
#include "engine/core/displaytext.h"
#include "engine/encode/mp3output.h"
#include "engine/encode/mp3tagging.h"
#include "engine/formats/asyncfilewriter.h"
#include "engine/formats/clsfileio.h"
#include "engine/platform/id3tag/audiotags.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <unistd.h>

namespace {

constexpr std::size_t samplesPerFrame = akrip::cdFrameBytes / sizeof(std::int16_t); // 1176

VortanError fileError(const QString& path, int error, const QString& source) {
    return VortanError(VortanError::PathAccess, source,
                       QStringLiteral("%1: %2").arg(path, fileErrorText(error)));
}

// A CD-format WAV, byte for byte the file ExtractTrackToWav writes.
class WavSink final : public TrackSink {
  public:
    static Result<std::unique_ptr<TrackSink>> open(int fd, const QString& path,
                                                   std::int32_t totalFrames) {
        const QString source = QStringLiteral("ExtractTrackToWav");
        auto sink = std::unique_ptr<WavSink>(new WavSink(path));
        const int own = ::dup(fd);
        if (own < 0 || !sink->file_.adopt(own, path))
            return fileError(path, own < 0 ? errno : sink->file_.lastError, source);
        sink->wholeTrack_ = static_cast<std::uint64_t>(totalFrames) * akrip::cdFrameBytes;
        if (sink->wholeTrack_ > clsFileIo::maxWavDataLength)
            return VortanError(
                VortanError::Overflow, source,
                QStringLiteral("%1: the track is too long for a WAV file").arg(path));
        if (!sink->file_.writeWavHeader(static_cast<std::int32_t>(sink->wholeTrack_)))
            return fileError(path, sink->file_.lastError, source);
        sink->writer_ = std::make_unique<AsyncFileWriter>(sink->file_);
        return std::unique_ptr<TrackSink>(std::move(sink));
    }
    ~WavSink() override {
        writer_.reset();
        file_.CloseFile();
    }

    std::optional<VortanError> write(const std::vector<unsigned char>& audio,
                                     std::int32_t) override {
        if (writer_->append(audio.data(), audio.size()))
            return std::nullopt;
        return fileError(path_, writer_->error(), QStringLiteral("ExtractTrackToWav"));
    }
    std::optional<VortanError> finish(std::int32_t framesDone,
                                      const std::optional<ReplayGain>&) override {
        const QString source = QStringLiteral("ExtractTrackToWav");
        const bool flushed = writer_->finish();
        const int writeError = writer_->error();
        writer_.reset();
        if (!flushed) {
            file_.CloseFile();
            return fileError(path_, writeError, source);
        }
        // The header announces what the file holds.
        const auto written = static_cast<std::uint64_t>(framesDone) * akrip::cdFrameBytes;
        bool ended = true;
        if (written != wholeTrack_) {
            const WavHeaderBytes header = makeCdWavHeader(static_cast<std::uint32_t>(written));
            ended = file_.WriteBytesAt(0, header.bytes, sizeof header.bytes);
        }
        const int endError = ended ? 0 : file_.lastError;
        if (!file_.CloseFile() || !ended)
            return fileError(path_, ended ? file_.lastError : endError, source);
        return std::nullopt;
    }

  private:
    explicit WavSink(QString path) : path_(std::move(path)) {}
    QString path_;
    clsFileIo file_;
    std::unique_ptr<AsyncFileWriter> writer_;
    std::uint64_t wholeTrack_ = 0;
};

// An MP3, byte for byte the file ExtractTrackToMp3 writes, tag included.
class Mp3Sink final : public TrackSink {
  public:
    static Result<std::unique_ptr<TrackSink>> open(const ExtractRequest& request, int fd,
                                                   const QString& path) {
        const int own = ::dup(fd);
        if (own < 0)
            return fileError(path, errno, QStringLiteral("ExtractTrackToMp3"));
        auto opened =
            Mp3Output::open(request.config, own, path, QStringLiteral("ExtractTrackToMp3"));
        if (!opened)
            return opened.error();
        return std::unique_ptr<TrackSink>(
            new Mp3Sink(std::move(opened.value()), fd, path, request.tags));
    }

    std::optional<VortanError> write(const std::vector<unsigned char>& audio,
                                     std::int32_t frames) override {
        const auto* samples = reinterpret_cast<const std::int16_t*>(audio.data());
        for (std::int32_t frame = 0; frame < frames; ++frame)
            if (auto failure = mp3_->encode(samples + frame * samplesPerFrame,
                                            static_cast<std::uint32_t>(samplesPerFrame)))
                return failure;
        return mp3_->commit();
    }
    std::optional<VortanError> finish(std::int32_t,
                                      const std::optional<ReplayGain>& gain) override {
        if (auto error = mp3_->finish())
            return error;
        id3tag::TagFields tags = tags_;
        setReplayGain(tags, gain, std::nullopt);
        if (const auto tagged = id3tag::writeTag(fd_, path_, tags); !tagged)
            return tagged.error();
        return std::nullopt;
    }

  private:
    Mp3Sink(std::unique_ptr<Mp3Output> mp3, int fd, QString path, id3tag::TagFields tags)
        : mp3_(std::move(mp3)), fd_(fd), path_(std::move(path)), tags_(std::move(tags)) {}
    std::unique_ptr<Mp3Output> mp3_;
    int fd_; // the pending output's, for the tag
    QString path_;
    id3tag::TagFields tags_;
};

audiotags::Container containerOf(pipeline::OutputFormat format) {
    switch (format) {
    case pipeline::OutputFormat::Mp3:
        return audiotags::Container::Mp3;
    case pipeline::OutputFormat::Flac:
        return audiotags::Container::Flac;
    case pipeline::OutputFormat::Opus:
        return audiotags::Container::Opus;
    case pipeline::OutputFormat::Wav:
        break;
    }
    return audiotags::Container::Wav;
}

std::optional<audiotags::Gain> gainOf(const std::optional<ReplayGain>& gain) {
    if (!gain)
        return std::nullopt;
    return audiotags::Gain{gain->gainDb, gain->peak};
}

// FLAC or Opus through the conversion pipeline's encoder, tagged in its own convention.
class PipelineSink final : public TrackSink {
  public:
    static Result<std::unique_ptr<TrackSink>> open(const ExtractRequest& request,
                                                   pipeline::OutputFormat format, int fd,
                                                   const QString& path, std::int32_t totalFrames) {
        pipeline::AudioFormat cd;
        cd.sampleRate = 44100;
        cd.channels = 2;
        cd.bitsPerSample = 16;
        pipeline::EncoderTarget target;
        target.fd = fd;
        target.path = path;
        target.expectedFrames = static_cast<std::int64_t>(totalFrames) * ripcheck::samplesPerSector;
        auto made = pipeline::makeEncoder(format, cd, request.formatSettings, target);
        if (!made)
            return made.error();
        return std::unique_ptr<TrackSink>(
            new PipelineSink(std::move(made.value()), format, fd, path, request.tags));
    }

    std::optional<VortanError> write(const std::vector<unsigned char>& audio,
                                     std::int32_t frames) override {
        const std::size_t count = static_cast<std::size_t>(frames) * samplesPerFrame;
        samples_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::int16_t sample = 0;
            std::memcpy(&sample, audio.data() + i * sizeof sample, sizeof sample);
            samples_[i] = sample;
        }
        return encoder_->write(pipeline::AudioBlock{
            samples_.data(), static_cast<std::int64_t>(frames) * ripcheck::samplesPerSector});
    }
    std::optional<VortanError> finish(std::int32_t,
                                      const std::optional<ReplayGain>& gain) override {
        if (auto error = encoder_->finish())
            return error;
        audiotags::AudioTags tags = audiotags::fromTagFields(tags_);
        tags.trackGain = gainOf(gain);
        return audiotags::write(fd_, path_, containerOf(format_), tags);
    }

  private:
    PipelineSink(std::unique_ptr<pipeline::Encoder> encoder, pipeline::OutputFormat format, int fd,
                 QString path, id3tag::TagFields tags)
        : encoder_(std::move(encoder)), format_(format), fd_(fd), path_(std::move(path)),
          tags_(std::move(tags)) {}
    std::unique_ptr<pipeline::Encoder> encoder_;
    pipeline::OutputFormat format_;
    int fd_; // the pending output's, for the tags
    QString path_;
    id3tag::TagFields tags_;
    std::vector<std::int32_t> samples_;
};

} // namespace

Result<std::unique_ptr<TrackSink>> openTrackSink(const ExtractRequest& request,
                                                 pipeline::OutputFormat format, int fd,
                                                 const QString& path, std::int32_t totalFrames) {
    switch (format) {
    case pipeline::OutputFormat::Wav:
        return WavSink::open(fd, path, totalFrames);
    case pipeline::OutputFormat::Mp3:
        return Mp3Sink::open(request, fd, path);
    case pipeline::OutputFormat::Flac:
    case pipeline::OutputFormat::Opus:
        break;
    }
    return PipelineSink::open(request, format, fd, path, totalFrames);
}
