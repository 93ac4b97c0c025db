#include "engine/platform/activemp3/mpg123stream.h"

#include "engine/platform/nativepath.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <QCoreApplication>

namespace {

const QString errorSource = QStringLiteral("ActiveMP3");

VortanError libraryError(const char* text) {
    return VortanError(VortanError::InvalidArgument, errorSource, QString::fromUtf8(text));
}

VortanError notMpegAudio(const QString& why) {
    return VortanError(VortanError::InvalidArgument, errorSource, why);
}

} // namespace

void Mpg123HandleDeleter::operator()(mpg123_handle_struct* handle) const {
    mpg123_delete(handle); // also closes a stream still open
}

Result<Mpg123Handle> makeMpg123Handle() {
    static std::once_flag initialised;
    static int initResult = MPG123_OK;
    std::call_once(initialised, [] { initResult = mpg123_init(); });
    if (initResult != MPG123_OK)
        return libraryError(mpg123_plain_strerror(initResult));

    int error = MPG123_OK;
    Mpg123Handle handle(mpg123_new(nullptr, &error));
    if (!handle)
        return libraryError(mpg123_plain_strerror(error));
    mpg123_handle* h = handle.get();
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_GAPLESS, 0.0);
    // WAV data is little-endian whatever the host is.
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_FORCE_ENDIAN, 0.0);
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_BIG_ENDIAN, 0.0);

    // Only 16-bit output, at every rate MPEG audio has, in the stream's own channel count:
    // the library then never resamples or converts channels.
    if (mpg123_format_none(h) != MPG123_OK)
        return libraryError(mpg123_strerror(h));
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return handle;
}

Result<std::unique_ptr<Mpg123Stream>> Mpg123Stream::open(const QString& path) {
    auto handle = makeMpg123Handle();
    if (!handle)
        return handle.error();
    std::unique_ptr<Mpg123Stream> stream(new Mpg123Stream(std::move(handle.value())));
    mpg123_handle* h = stream->handle_.get();
    if (mpg123_open(h, nativepath::encode(path).constData()) != MPG123_OK)
        return libraryError(mpg123_strerror(h));
    auto probed = stream->probe();
    if (!probed)
        return probed.error();
    // Damage inside an accepted stream is skipped rather than ending the decode.
    mpg123_param(h, MPG123_RESYNC_LIMIT, resyncLimitBytes, 0.0);
    const off_t length = mpg123_length(h);
    stream->expectedFrames_ = length > 0 ? static_cast<std::int64_t>(length) : 0;
    // Only a LAME/Info frame records the encoder delay: its frame count is then exact.
    long delay = -1;
    stream->lengthRecorded_ = length > 0 &&
                              mpg123_getstate(h, MPG123_ENC_DELAY, &delay, nullptr) == MPG123_OK &&
                              delay >= 0;
    return stream;
}

Result<bool> Mpg123Stream::probe() {
    mpg123_handle* h = handle_.get();
    int frames = 0;
    off_t nextFramePos = -1; // where the next frame must start for the stream to be whole
    for (;;) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        const int result = mpg123_decode_frame(h, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            if (mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK ||
                encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || channels < 1 || channels > 2)
                return notMpegAudio(
                    QCoreApplication::translate("Mpg123Stream", "Unsupported audio format"));
            if (format_.valid() && (format_.sampleRate != rate || format_.channels != channels))
                return notMpegAudio(
                    QCoreApplication::translate("Mpg123Stream", "The audio format changes"));
            format_ = PcmFormat{static_cast<int>(rate), channels};
            continue;
        }
        if (result == MPG123_DONE) {
            if (frames == 0 || !format_.valid())
                return notMpegAudio(
                    QCoreApplication::translate("Mpg123Stream", "No MPEG audio frame found"));
            ended_ = true;
            return true;
        }
        if (result != MPG123_OK)
            return notMpegAudio(frames == 0 ? QCoreApplication::translate(
                                                  "Mpg123Stream", "No MPEG audio frame found")
                                            : QString::fromUtf8(mpg123_strerror(h)));
        if (!format_.valid())
            return notMpegAudio(
                QCoreApplication::translate("Mpg123Stream", "No MPEG audio frame found"));

        mpg123_frameinfo2 info{};
        if (mpg123_info2(h, &info) != MPG123_OK || info.framesize <= 0)
            return notMpegAudio(
                QCoreApplication::translate("Mpg123Stream", "No MPEG audio frame found"));
        const off_t framePos = mpg123_framepos(h);
        if (nextFramePos >= 0 && framePos != nextFramePos)
            return notMpegAudio(
                QCoreApplication::translate("Mpg123Stream", "The MPEG frames are not contiguous"));
        nextFramePos = framePos + info.framesize;

        const std::size_t whole = bytes - bytes % static_cast<std::size_t>(format_.blockAlign());
        pending_.insert(pending_.end(), reinterpret_cast<const char*>(audio),
                        reinterpret_cast<const char*>(audio) + whole);
        if (++frames >= probeFrameCount)
            return true;
    }
}

void Mpg123Stream::fail(const QString& why) {
    ended_ = true;
    error_ = why.isEmpty() ? QCoreApplication::translate("Mpg123Stream", "Decoder error") : why;
}

std::size_t Mpg123Stream::maxFrameBytes() const {
    return std::max<std::size_t>(mpg123_outblock(handle_.get()), 1152 * 2 * 2);
}

std::size_t Mpg123Stream::read(char* buffer, std::size_t capacity, const std::atomic<bool>* stop) {
    std::size_t stored = 0;
    if (pendingOffset_ < pending_.size()) {
        stored = std::min(capacity, pending_.size() - pendingOffset_);
        stored -= stored % static_cast<std::size_t>(format_.blockAlign());
        std::memcpy(buffer, pending_.data() + pendingOffset_, stored);
        pendingOffset_ += stored;
        if (pendingOffset_ < pending_.size())
            return stored;
        pending_.clear();
        pending_.shrink_to_fit();
        pendingOffset_ = 0;
    }
    const std::size_t frameBytes = maxFrameBytes();
    mpg123_handle* h = handle_.get();
    while (!ended_ && capacity - stored >= frameBytes) {
        if (stop && stop->load(std::memory_order_relaxed))
            break;
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        const int result = mpg123_decode_frame(h, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT) {
            // The output format is pinned by the opening check. Another one here comes from
            // a chance sync word in damaged data, or from another stream glued on: its
            // frames are left out, and a long run of them ends the audio.
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(h, &rate, &channels, &encoding);
            foreignFormat_ = rate != format_.sampleRate || channels != format_.channels ||
                             encoding != MPG123_ENC_SIGNED_16;
            foreignFrames_ = 0;
            continue;
        }
        if (result == MPG123_DONE) {
            ended_ = true;
            break;
        }
        if (result != MPG123_OK) { // a decoder error, or damage beyond the resync limit
            fail(QString::fromUtf8(mpg123_strerror(h)));
            break;
        }
        if (foreignFormat_) {
            if (++foreignFrames_ > maxForeignFrames)
                fail(QCoreApplication::translate("Mpg123Stream",
                                                 "The audio changes to another format"));
            continue;
        }
        bytes -= bytes % static_cast<std::size_t>(format_.blockAlign());
        const std::size_t fits = std::min(bytes, capacity - stored);
        std::memcpy(buffer + stored, audio, fits);
        stored += fits;
        if (fits < bytes) { // cannot happen with the library's own block size; kept safe
            pending_.assign(reinterpret_cast<const char*>(audio) + fits,
                            reinterpret_cast<const char*>(audio) + bytes);
            pendingOffset_ = 0;
            break;
        }
    }
    return stored;
}
