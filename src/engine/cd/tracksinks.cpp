#include "engine/cd/tracksinks.h"

#include "engine/cd/ripcheck.h"
#include "engine/encode/mp3tagging.h"
#include "engine/formats/clsfileio.h"
#include "engine/platform/id3tag/audiotags.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include <unistd.h>

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

// An output's encoder and its tags.
class EncoderOutput {
  public:
    EncoderOutput(std::unique_ptr<pipeline::Encoder> encoder, pipeline::OutputFormat format, int fd,
                  QString path, id3tag::TagFields tags, std::vector<audiotags::Picture> pictures)
        : encoder_(std::move(encoder)), format_(format), fd_(fd), path_(std::move(path)),
          tags_(std::move(tags)), pictures_(std::move(pictures)) {}

    std::optional<VortanError> write(const std::vector<std::int32_t>& samples) {
        if (auto error = encoder_->write(pipeline::AudioBlock{
                samples.data(), static_cast<std::int64_t>(samples.size() / 2)}))
            return error;
        // What the file has taken goes to the disk every few megabytes while the disc is read,
        // rather than all at once when the output is put in place (the MP3's own writer
        // flushes every chunk already).
        if (format_ == pipeline::OutputFormat::Mp3 ||
            encoder_->bytesWritten() - flushedBytes_ < flushEveryBytes)
            return std::nullopt;
        flushedBytes_ = encoder_->bytesWritten();
        if (::fdatasync(fd_) != 0)
            return VortanError(VortanError::PathAccess, QStringLiteral("Rip"),
                               QStringLiteral("%1: %2").arg(path_, fileErrorText(errno)));
        return std::nullopt;
    }

    std::optional<VortanError> finish(const std::optional<ReplayGain>& gain) {
        if (auto error = encoder_->finish())
            return error;
        switch (format_) {
        case pipeline::OutputFormat::Wav:
            return std::nullopt;
        case pipeline::OutputFormat::Mp3: {
            id3tag::TagFields tags = tags_;
            setReplayGain(tags, gain, std::nullopt);
            if (!pictures_.empty()) {
                // The same frames, with the pictures (APIC) beside them.
                audiotags::AudioTags withPictures = audiotags::fromTagFields(tags);
                withPictures.pictures = pictures_;
                return audiotags::write(fd_, path_, audiotags::Container::Mp3, withPictures);
            }
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
        tags.pictures = pictures_;
        return audiotags::write(fd_, path_, containerOf(format_), tags);
    }

  private:
    static constexpr std::int64_t flushEveryBytes = 4 << 20;

    std::unique_ptr<pipeline::Encoder> encoder_;
    std::int64_t flushedBytes_ = 0;
    pipeline::OutputFormat format_;
    int fd_; // the pending output's, for the tags
    QString path_;
    id3tag::TagFields tags_;
    std::vector<audiotags::Picture> pictures_;
};

// An output encoded on a thread of its own from a queue of chunks.
class ThreadedSink final : public TrackSink {
  public:
    explicit ThreadedSink(std::unique_ptr<EncoderOutput> output)
        : output_(std::move(output)), thread_([this] { run(); }) {}
    ~ThreadedSink() override {
        {
            std::lock_guard lock(mutex_);
            queue_.clear(); // what is left is not wanted: the file stays as it is
        }
        end();
    }
    ThreadedSink(const ThreadedSink&) = delete;
    ThreadedSink& operator=(const ThreadedSink&) = delete;

    std::optional<VortanError> write(TrackSamples samples) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < maxQueued || failure_; });
        if (failure_)
            return failure_;
        queue_.push_back(std::move(samples));
        changed_.notify_all();
        return std::nullopt;
    }

    std::optional<VortanError> finish(const std::optional<ReplayGain>& gain) override {
        end(); // once the queue is encoded
        if (failure_)
            return failure_;
        return output_->finish(gain);
    }

  private:
    static constexpr std::size_t maxQueued = 32; // chunks, about 4 MB

    void end() {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    void run() {
        while (true) {
            TrackSamples next;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return !queue_.empty() || ending_; });
                if (queue_.empty())
                    return;
                next = std::move(queue_.front());
                queue_.pop_front();
            }
            changed_.notify_all();
            if (auto error = output_->write(*next)) {
                std::lock_guard lock(mutex_);
                failure_ = std::move(error);
                queue_.clear();
                changed_.notify_all();
                return;
            }
        }
    }

    std::unique_ptr<EncoderOutput> output_; // the thread's until it has ended
    std::mutex mutex_;
    std::condition_variable changed_; // a chunk was queued or taken, a failure, the end
    std::deque<TrackSamples> queue_;
    std::optional<VortanError> failure_;
    bool ending_ = false;
    std::thread thread_; // last: starts once everything above exists
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
        std::make_unique<ThreadedSink>(std::make_unique<EncoderOutput>(
            std::move(made.value()), format, fd, path, request.tags, request.pictures)));
}
