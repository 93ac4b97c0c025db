#pragma once

#include "engine/platform/error.h"
#include "engine/platform/pendingsamples.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

// One Ogg Vorbis file decoded from start to end through the reference decoder
// (libvorbisfile), which trims the stream to the exact length its granule positions give,
// short streams included. Samples are 16-bit (the decoder's rounding, clipped, no dither),
// right-justified in int32, interleaved in the WAV order of their channels (Vorbis stores
// the centre second: "L C R ...").
//
// How the stream ends: cleanly, once the decoder reports the end with the announced length
// reached; or failed (failed(), damage()) at a missing or damaged page, a damaged link, a
// link whose rate or channel count differs from the first, or short of the announced length.
// The frames decoded before a failure are still handed out.
//
// Not thread-safe; it may be handed from one thread to another between calls.
class VorbisDecoder {
  public:
    ~VorbisDecoder();
    VorbisDecoder(const VorbisDecoder&) = delete;
    VorbisDecoder& operator=(const VorbisDecoder&) = delete;

    // Fails with a description that names no file. `notVorbis`, when given, is set when the
    // file is no Ogg Vorbis stream at all (an Ogg file of another codec), which another
    // reader may take.
    static Result<std::unique_ptr<VorbisDecoder>> open(const QString& path,
                                                       bool* notVorbis = nullptr);

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    static constexpr int bitsPerSample = 16;
    // Sample frames the stream's granule positions give; -1 unknown.
    std::int64_t announcedFrames() const { return announcedFrames_; }
    // The stream's average bits per second; 0 unknown.
    std::int64_t bitRate() const { return bitRate_; }

    // Decodes into `samples` (room for maxFrames x channels) up to `maxFrames` sample frames
    // and returns how many were stored; 0 once the stream has ended, or when stopped (`stop`
    // is looked at before each packet) before anything was stored.
    std::int64_t read(std::int32_t* samples, std::int64_t maxFrames,
                      const std::atomic<bool>* stop = nullptr);
    bool ended() const { return ended_ && pending_.drained(); }
    enum class Failure { None, Truncated, Damaged };
    bool failed() const { return failure_ != Failure::None; }
    Failure failure() const { return failure_; }
    // What went wrong, in words; empty for a stream that ended cleanly or a truncated one.
    const QString& damage() const { return damage_; }
    std::int64_t decodedFrames() const { return decodedFrames_; }

    struct Handle; // the library's decoder state and its open file

  private:
    VorbisDecoder();
    void decodeNext();
    void fail(Failure failure, const QString& damage);

    std::unique_ptr<Handle> handle_;
    int sampleRate_ = 0;
    int channels_ = 0;
    std::int64_t announcedFrames_ = -1;
    std::int64_t bitRate_ = 0;
    int link_ = 0; // the logical stream being decoded
    PendingSamples pending_;
    std::int64_t decodedFrames_ = 0;
    bool ended_ = false;
    Failure failure_ = Failure::None;
    QString damage_;
};
