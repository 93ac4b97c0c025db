#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/error.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct mpg123_handle_struct;

// Owns one libmpg123 decoder handle (the one place the program creates them).
struct Mpg123HandleDeleter {
    void operator()(mpg123_handle_struct* handle) const;
};
using Mpg123Handle = std::unique_ptr<mpg123_handle_struct, Mpg123HandleDeleter>;

// Creates a handle set up for this program's decoding: quiet, signed 16-bit little-endian
// output at the stream's own rate and channel count, no change of stream format midway,
// gapless (the encoder delay and padding a LAME/Info frame records are cut off, so a file
// gives back exactly the samples that were encoded). Initialises the library on first use.
// Fails with the library's text.
Result<Mpg123Handle> makeMpg123Handle();

// One MP3 file being decoded to PCM in its own format.
//
// Opening decodes the first frames to make sure the file really is MPEG audio, because the
// library will otherwise lock onto a chance sync word in any data and decode noise. The
// file is accepted when its first `probeFrameCount` decoded frames follow one another with
// no gap (each frame starts where the one before ended), or when the stream ends cleanly
// before that many frames with no gap between those it had. Anything else (no frame, a
// gap, a decoder error in the first frames) is refused. After the opening check, the
// decoder resynchronises over damaged data of up to `resyncLimitBytes` inside the stream.
// Frames of another rate or channel count (chance sync words in damaged data) are left out.
//
// How the stream ends: where the file's data ends (a truncated file simply ends early),
// cleanly; or, failed (failed(), error()), at a decoder error, at a run of damage longer
// than the resync limit, or after more than `maxForeignFrames` foreign frames in a row. The
// audio decoded before a failure is still handed out first.
//
// Not thread-safe; it may be handed from one thread to another between calls.
class Mpg123Stream {
  public:
    static constexpr int probeFrameCount = 4;
    static constexpr long resyncLimitBytes = 1 << 20;
    static constexpr int maxForeignFrames = 32;

    static Result<std::unique_ptr<Mpg123Stream>> open(const QString& path);

    const PcmFormat& format() const { return format_; }
    // Expected length in sample frames (from a Xing/Info header, else estimated from the file
    // size); 0 when the library cannot tell.
    std::int64_t expectedFrames() const { return expectedFrames_; }
    // True when expectedFrames() is the exact length the file's LAME/Info frame records (its
    // frame count less the encoder delay and padding), not an estimate: a stream that ends
    // cleanly short of it, by however little, comes from a file cut short.
    bool lengthRecorded() const { return lengthRecorded_; }

    // Decodes into `buffer` up to `capacity` bytes and returns the bytes stored, always a
    // whole number of sample frames. Give at least maxFrameBytes() of room: with less, no new
    // frame is decoded. Checks `stop` before each MPEG frame and returns early when it is
    // set. Returns 0 when the stream has ended (see ended()), or when stopped or short of
    // room before anything was stored.
    std::size_t read(char* buffer, std::size_t capacity, const std::atomic<bool>* stop = nullptr);
    // Everything was handed out, and the stream has ended, cleanly or failed.
    bool ended() const { return ended_ && pendingOffset_ == pending_.size(); }
    // The stream ended at a failure rather than at the end of its data; error() tells why.
    // Set as soon as decoding stopped there, possibly before all audio was handed out.
    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }
    // The largest number of bytes one MPEG frame decodes to.
    std::size_t maxFrameBytes() const;

  private:
    explicit Mpg123Stream(Mpg123Handle handle) : handle_(std::move(handle)) {}
    Result<bool> probe();
    void fail(const QString& why);

    Mpg123Handle handle_;
    PcmFormat format_;
    std::int64_t expectedFrames_ = 0;
    bool lengthRecorded_ = false;
    std::vector<char> pending_; // audio decoded while probing, handed out first
    std::size_t pendingOffset_ = 0;
    bool ended_ = false;
    QString error_;
    bool foreignFormat_ = false; // frames now decoded are not in the pinned format
    int foreignFrames_ = 0;
};
