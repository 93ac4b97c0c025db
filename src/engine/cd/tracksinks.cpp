#include "engine/cd/tracksinks.h"

#include "engine/cd/ripcheck.h"
#include "engine/encode/mp3tagging.h"
#include "engine/platform/id3tag/audiotags.h"

#include <utility>

namespace {

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

class EncoderSink final : public TrackSink {
  public:
    EncoderSink(std::unique_ptr<pipeline::Encoder> encoder, pipeline::OutputFormat format, int fd,
                QString path, id3tag::TagFields tags)
        : encoder_(std::move(encoder)), format_(format), fd_(fd), path_(std::move(path)),
          tags_(std::move(tags)) {}

    std::optional<VortanError> write(const pipeline::AudioBlock& block) override {
        return encoder_->write(block);
    }

    std::optional<VortanError> finish(const std::optional<ReplayGain>& gain) override {
        if (auto error = encoder_->finish())
            return error;
        switch (format_) {
        case pipeline::OutputFormat::Wav:
            return std::nullopt;
        case pipeline::OutputFormat::Mp3: {
            id3tag::TagFields tags = tags_;
            setReplayGain(tags, gain, std::nullopt);
            if (const auto tagged = id3tag::writeTag(fd_, path_, tags); !tagged)
                return tagged.error();
            return std::nullopt;
        }
        case pipeline::OutputFormat::Flac:
        case pipeline::OutputFormat::Opus:
            break;
        }
        audiotags::AudioTags tags = audiotags::fromTagFields(tags_);
        if (gain)
            tags.trackGain = audiotags::Gain{gain->gainDb, gain->peak};
        return audiotags::write(fd_, path_, containerOf(format_), tags);
    }

  private:
    std::unique_ptr<pipeline::Encoder> encoder_;
    pipeline::OutputFormat format_;
    int fd_; // the pending output's, for the tags
    QString path_;
    id3tag::TagFields tags_;
};

} // namespace

Result<std::unique_ptr<TrackSink>> openTrackSink(const ExtractRequest& request,
                                                 pipeline::OutputFormat format, int fd,
                                                 const QString& path, std::int32_t totalFrames) {
    pipeline::AudioFormat cd;
    cd.sampleRate = 44100;
    cd.channels = 2;
    cd.bitsPerSample = 16;
    pipeline::EncoderSettings settings = request.formatSettings;
    settings.mp3 = request.config;
    pipeline::EncoderTarget target;
    target.fd = fd;
    target.path = path;
    target.expectedFrames = static_cast<std::int64_t>(totalFrames) * ripcheck::samplesPerSector;
    auto made = pipeline::makeEncoder(format, cd, settings, target);
    if (!made)
        return made.error();
    return std::unique_ptr<TrackSink>(
        std::make_unique<EncoderSink>(std::move(made.value()), format, fd, path, request.tags));
}
