#include "engine/platform/audio/pulsestream.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstring>

namespace audio {

namespace {

const QString errorSource = QStringLiteral("PulseAudio");

// Holds the library's lock for a scope. The lock is recursive, so a destructor that takes it
// again inside such a scope does not block.
class LoopLock {
  public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

// How much audio the server holds ahead of the sink. A stop drops what it holds, so it is
// heard at once whatever this is; what it buys is room for a busy machine (150 ms ran dry
// now and then on a loaded two-core machine: the sound paused a moment, and a capture of the
// disc recorded the pause). It is kept short of more because the server's clock of what was
// played, which a stop keeps as the position, runs ahead of the sound by about half of it.
constexpr pa_usec_t playbackBufferUs = 250 * 1000;
// How often recorded audio is handed over. The server counts the recorded audio in its
// reports as it hands it over, a fragment at a time, so a recording's stream time is no finer
// than a fragment: with 40 ms fragments a capture of a disc track was placed up to 20 ms off,
// with 5 ms ones within a tenth of a millisecond.
constexpr pa_usec_t recordFragmentUs = 5 * 1000;

} // namespace

void PulseMainloopDeleter::operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop); // joins the library's thread; does nothing if not started
    pa_threaded_mainloop_free(loop);
}

void PulseContextDeleter::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void PulseStreamDeleter::operator()(pa_stream* stream) const {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) != PA_STREAM_UNCONNECTED)
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

Result<std::unique_ptr<PulseStream>> PulseStream::connect() {
    std::unique_ptr<PulseStream> self(new PulseStream);
    self->loop_.reset(pa_threaded_mainloop_new());
    if (!self->loop_)
        return VortanError(PA_ERR_INTERNAL, errorSource,
                           QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL)));
    pa_threaded_mainloop* loop = self->loop_.get();
    if (pa_threaded_mainloop_start(loop) < 0)
        return VortanError(PA_ERR_INTERNAL, errorSource,
                           QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL)));

    LoopLock lock(loop);
    self->context_.reset(pa_context_new(pa_threaded_mainloop_get_api(loop), "MP3 Vortan"));
    if (!self->context_)
        return VortanError(PA_ERR_INTERNAL, errorSource,
                           QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL)));
    pa_context* context = self->context_.get();
    pa_context_set_state_callback(context, &PulseStream::contextStateChanged, self.get());
    // No autospawn: without a running server the program has no sound, it does not start one.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return VortanError(pa_context_errno(context), errorSource, self->libraryError());

    pa_time_event* timeout =
        pa_context_rttime_new(context, pa_rtclock_now() + pa_usec_t{connectTimeoutMs} * 1000,
                              &PulseStream::connectTimedOut, self.get());
    const bool ready =
        self->waitFor([context] { return pa_context_get_state(context) == PA_CONTEXT_READY; });
    pa_threaded_mainloop_get_api(loop)->time_free(timeout);
    if (!ready)
        return self->streamError();
    return self;
}

Result<bool> PulseStream::checkServer() {
    auto connection = connect();
    if (!connection)
        return connection.error();
    return true;
}

Result<std::unique_ptr<PulseStream>> PulseStream::open(Direction direction, const PcmFormat& format,
                                                       const QString& name) {
    pa_sample_spec sampleSpec{};
    sampleSpec.format = PA_SAMPLE_S16LE;
    sampleSpec.rate = static_cast<std::uint32_t>(std::max(format.sampleRate, 0));
    sampleSpec.channels = static_cast<std::uint8_t>(std::clamp(format.channels, 0, 255));
    if (!pa_sample_spec_valid(&sampleSpec) || sampleSpec.channels != format.channels)
        return VortanError(PA_ERR_INVALID, errorSource,
                           QString::fromUtf8(pa_strerror(PA_ERR_INVALID)));

    auto connected = connect();
    if (!connected)
        return connected.error();
    std::unique_ptr<PulseStream> self = std::move(connected.value());
    self->direction_ = direction;
    self->frameBytes_ = pa_frame_size(&sampleSpec);
    pa_threaded_mainloop* loop = self->loop_.get();
    pa_context* context = self->context_.get();

    LoopLock lock(loop);
    self->stream_.reset(pa_stream_new(context, name.toUtf8().constData(), &sampleSpec, nullptr));
    if (!self->stream_)
        return VortanError(pa_context_errno(context), errorSource, self->libraryError());
    pa_stream* stream = self->stream_.get();
    pa_stream_set_state_callback(stream, &PulseStream::streamNotify, self.get());

    pa_buffer_attr attr;
    std::memset(&attr, 0xFF, sizeof attr); // (uint32_t)-1: the server's choice
    int result = 0;
    if (direction == Direction::Playback) {
        pa_stream_set_write_callback(stream, &PulseStream::streamRequest, self.get());
        attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(playbackBufferUs, &sampleSpec));
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        result = pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr);
    } else {
        pa_stream_set_read_callback(stream, &PulseStream::streamRequest, self.get());
        attr.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(recordFragmentUs, &sampleSpec));
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        result = pa_stream_connect_record(stream, nullptr, &attr, flags);
    }
    if (result < 0)
        return VortanError(pa_context_errno(context), errorSource, self->libraryError());

    pa_time_event* timeout =
        pa_context_rttime_new(context, pa_rtclock_now() + pa_usec_t{connectTimeoutMs} * 1000,
                              &PulseStream::connectTimedOut, self.get());
    const bool ready =
        self->waitFor([stream] { return pa_stream_get_state(stream) == PA_STREAM_READY; });
    pa_threaded_mainloop_get_api(loop)->time_free(timeout);
    if (!ready)
        return self->streamError();
    return self;
}

PulseStream::~PulseStream() {
    if (loop_) {
        LoopLock lock(loop_.get());
        stream_.reset(); // a fragment still taken is dropped with the stream
        context_.reset();
    }
    loop_.reset();
}

QString PulseStream::libraryError() const {
    return QString::fromUtf8(
        pa_strerror(context_ ? pa_context_errno(context_.get()) : PA_ERR_INTERNAL));
}

VortanError PulseStream::streamError() const {
    const int number = timedOut_ ? PA_ERR_TIMEOUT : pa_context_errno(context_.get());
    return VortanError(number, errorSource, error_.isEmpty() ? libraryError() : error_);
}

void PulseStream::fail(const QString& why) {
    if (error_.isEmpty())
        error_ = why;
}

bool PulseStream::checkGood() {
    if (timedOut_) {
        fail(QString::fromUtf8(pa_strerror(PA_ERR_TIMEOUT)));
        return false;
    }
    if (!context_ || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_.get())) ||
        (stream_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_.get())))) {
        fail(libraryError());
        return false;
    }
    return error_.isEmpty();
}

template <typename Done> bool PulseStream::waitFor(Done done) {
    for (;;) {
        if (interrupted_ || !checkGood())
            return false;
        if (done())
            return true;
        pa_threaded_mainloop_wait(loop_.get());
    }
}

bool PulseStream::write(const char* data, std::size_t bytes) {
    LoopLock lock(loop_.get());
    pa_stream* stream = stream_.get();
    while (bytes > 0) {
        std::size_t room = 0;
        if (!waitFor([&] {
                room = pa_stream_writable_size(stream);
                return room > 0 && room != static_cast<std::size_t>(-1);
            }))
            return false;
        std::size_t chunk = std::min(room, bytes);
        if (chunk >= frameBytes_)
            chunk -= chunk % frameBytes_;
        if (pa_stream_write(stream, data, chunk, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            fail(libraryError());
            return false;
        }
        data += chunk;
        bytes -= chunk;
    }
    return true;
}

bool PulseStream::drain() {
    LoopLock lock(loop_.get());
    drained_ = false;
    // The server starts a stream still short of its start threshold when asked to drain it.
    pa_operation* operation = pa_stream_drain(stream_.get(), &PulseStream::drainDone, this);
    if (!operation) {
        fail(libraryError());
        return false;
    }
    const bool done = waitFor([this] { return drained_; });
    if (!done)
        pa_operation_cancel(operation); // its callback is not called after this
    pa_operation_unref(operation);
    return done && checkGood();
}

std::size_t PulseStream::read(char* buffer, std::size_t capacity) {
    LoopLock lock(loop_.get());
    pa_stream* stream = stream_.get();
    capacity -= capacity % frameBytes_;
    while (capacity > 0) {
        if (fragmentTaken_) {
            const std::size_t count = std::min(capacity, fragmentBytes_ - fragmentOffset_);
            if (fragment_)
                std::memcpy(buffer, fragment_ + fragmentOffset_, count);
            else // a gap in the recording
                std::memset(buffer, 0, count);
            fragmentOffset_ += count;
            if (fragmentOffset_ == fragmentBytes_) {
                pa_stream_drop(stream);
                fragmentTaken_ = false;
            }
            return count;
        }
        if (!waitFor([stream] {
                const std::size_t readable = pa_stream_readable_size(stream);
                return readable > 0 && readable != static_cast<std::size_t>(-1);
            }))
            return 0;
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0) {
            fail(libraryError());
            return 0;
        }
        if (bytes == 0)
            continue;
        fragmentTaken_ = true;
        fragment_ = static_cast<const char*>(data);
        fragmentBytes_ = bytes;
        fragmentOffset_ = 0;
    }
    return 0;
}

void PulseStream::interrupt() {
    LoopLock lock(loop_.get());
    interrupted_ = true;
    pa_threaded_mainloop_signal(loop_.get(), 0);
}

std::int64_t PulseStream::streamTimeUs() const {
    LoopLock lock(loop_.get());
    if (!stream_)
        return 0;
    pa_stream* stream = stream_.get();
    // The next reading starts from a report as fresh as the server can give.
    if (pa_operation* update = pa_stream_update_timing_info(stream, nullptr, nullptr))
        pa_operation_unref(update);
    // The server's own report, carried on by the time since it was made: the index of the
    // stream's audio the sink has taken (playback) or the source has given (record) at that
    // moment, less the sink's buffer. The library's interpolated time smooths the reports over
    // seconds; after a stream starts it runs tens of milliseconds off for a second or more,
    // and the two directions drift apart by as much again, too far to tell which recorded
    // sample a played one became.
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    const bool record = direction_ == Direction::Record;
    if (!info || (record ? info->write_index_corrupt : info->read_index_corrupt))
        return lastStreamTimeUs_; // no report yet, or one a seek made stale
    const std::int64_t index =
        std::max<std::int64_t>(record ? info->write_index : info->read_index, 0);
    auto us = static_cast<std::int64_t>(pa_bytes_to_usec(static_cast<std::uint64_t>(index),
                                                         pa_stream_get_sample_spec(stream))) -
              static_cast<std::int64_t>(info->sink_usec);
    if (record)
        us += static_cast<std::int64_t>(info->source_usec);
    // The stream ran on since the report, unless it was a playback that had stopped playing.
    if (record || info->playing) {
        timeval now{};
        pa_gettimeofday(&now);
        if (pa_timeval_cmp(&now, &info->timestamp) > 0)
            us += static_cast<std::int64_t>(pa_timeval_diff(&now, &info->timestamp));
    }
    // Never back: a report may place the stream a little behind where the last one was
    // carried to.
    lastStreamTimeUs_ = std::max(lastStreamTimeUs_, us);
    return lastStreamTimeUs_;
}

QString PulseStream::errorText() const {
    LoopLock lock(loop_.get());
    return error_;
}

void PulseStream::contextStateChanged(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->loop_.get(), 0);
}

void PulseStream::streamNotify(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->loop_.get(), 0);
}

void PulseStream::streamRequest(pa_stream*, std::size_t, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->loop_.get(), 0);
}

void PulseStream::drainDone(pa_stream*, int success, void* self) {
    auto* stream = static_cast<PulseStream*>(self);
    stream->drained_ = true;
    if (!success)
        stream->fail(stream->libraryError());
    pa_threaded_mainloop_signal(stream->loop_.get(), 0);
}

void PulseStream::connectTimedOut(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto* stream = static_cast<PulseStream*>(self);
    stream->timedOut_ = true;
    pa_threaded_mainloop_signal(stream->loop_.get(), 0);
}

} // namespace audio
