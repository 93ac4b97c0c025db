#include "engine/platform/audio/pcmplayer.h"

#include "engine/platform/audio/pulsestream.h"

#include <algorithm>
#include <vector>

namespace audio {

Result<std::unique_ptr<PcmPlayer>>
PcmPlayer::start(const PcmFormat& format, std::shared_ptr<PcmSource> source, const QString& name) {
    auto stream = PulseStream::open(PulseStream::Direction::Playback, format, name);
    if (!stream)
        return stream.error();
    return std::unique_ptr<PcmPlayer>(
        new PcmPlayer(format, std::move(stream.value()), std::move(source)));
}

PcmPlayer::PcmPlayer(const PcmFormat& format, std::unique_ptr<PulseStream> stream,
                     std::shared_ptr<PcmSource> source)
    : format_(format), stream_(std::move(stream)), source_(std::move(source)),
      thread_([this] { run(); }) {}

PcmPlayer::~PcmPlayer() {
    stop();
}

std::int64_t PcmPlayer::framesPlayedNow() const {
    const std::int64_t leadInUs = std::int64_t{leadInMs} * 1000;
    const std::int64_t sourceUs = std::max<std::int64_t>(stream_->streamTimeUs() - leadInUs, 0);
    return std::min(sourceUs * format_.sampleRate / 1'000'000, writtenFrames_.load());
}

void PcmPlayer::run() {
    // About 40 ms a call: the source is asked often enough for a stop to end it at once.
    const std::size_t block = static_cast<std::size_t>(format_.blockAlign());
    const std::size_t chunk =
        std::max(block, static_cast<std::size_t>(format_.bytesPerSecond() / 25) / block * block);
    std::vector<char> buffer(chunk, 0);
    const std::int64_t leadInBytes =
        std::int64_t{leadInMs} * format_.sampleRate / 1000 * format_.blockAlign();
    bool written = true;
    for (std::int64_t left = leadInBytes; left > 0 && written;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(left, chunk));
        written = stream_->write(buffer.data(), count); // still zero-filled
        left -= static_cast<std::int64_t>(count);
    }
    bool ended = false;
    while (written && !stopping_.load(std::memory_order_relaxed)) {
        const std::size_t count = source_->read(buffer.data(), buffer.size());
        if (count == 0) {
            ended = true;
            break;
        }
        if (!stream_->write(buffer.data(), count))
            break;
        writtenFrames_.fetch_add(static_cast<std::int64_t>(count / block),
                                 std::memory_order_relaxed);
    }
    const bool drained = ended && stream_->drain();
    std::int64_t expected = -1; // stop() may have fixed the played time already
    finalFrames_.compare_exchange_strong(expected,
                                         drained ? writtenFrames_.load() : framesPlayedNow());
    if (!stopping_.load()) {
        QString why = source_->errorText();
        if (why.isEmpty())
            why = stream_->errorText();
        std::lock_guard lock(errorMutex_);
        error_ = why;
    }
    finished_.store(true, std::memory_order_release);
}

void PcmPlayer::wait() {
    if (thread_.joinable())
        thread_.join();
}

void PcmPlayer::stop() {
    if (thread_.joinable()) {
        if (!finished()) {
            std::int64_t expected = -1; // where the sound is now, not after the buffer ran out
            finalFrames_.compare_exchange_strong(expected, framesPlayedNow());
            stopping_.store(true);
            stream_->interrupt();
        }
        thread_.join();
    }
    stream_.reset(); // the sound stops here: what the server still holds is dropped
    source_.reset();
}

std::int64_t PcmPlayer::playedFrames() const {
    const std::int64_t final = finalFrames_.load();
    return final >= 0 ? final : framesPlayedNow();
}

QString PcmPlayer::errorText() const {
    std::lock_guard lock(errorMutex_);
    return error_;
}

} // namespace audio
