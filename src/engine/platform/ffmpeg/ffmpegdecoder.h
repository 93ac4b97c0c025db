#pragma once

#include "engine/platform/error.h"
#include "engine/platform/pendingsamples.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

// The one wrapper of FFmpeg's libavformat, libavcodec, libswresample and libavutil: the
// first audio stream of a file decoded from start to end into interleaved, right-justified
// signed integer samples.
//
// The library is kept quiet (it never prints) and kept to local files: only the "file"
// protocol and audio-bearing containers are allowed, so a file can never make it open
// another file or a network address.
//
// Samples: lossless codecs (ALAC, WavPack, TTA, Monkey's Audio, PCM in AIFF ...) coded as
// integers keep their width (the decoder's bits_per_raw_sample, the left-justified
// samples shifted right to it); lossy codecs are given at 16 bits through libswresample
// with no dither; floating-point samples at 24 bits, clipped. Channels and rate are the
// stream's own.
//
// How the stream ends: cleanly at the end of its data; or failed (failed(), damage()) at a
// read error, at a packet the decoder rejects or marks corrupt, or, when the container
// states an exact length, when the audio ends short of it. The frames decoded before a
// failure are still handed out.
//
// Not thread-safe; it may be handed from one thread to another between calls.
class FfmpegDecoder {
  public:
    ~FfmpegDecoder();
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    // Why open() refused a file; the error's description says it in words, naming no file.
    enum class Refusal { NotReadable, NoAudio, Protected };

    // Opens `path`, finds its first audio stream and decodes its first frame, which fixes the
    // sample format. Fails with the refusal and a description that names no file.
    static Result<std::unique_ptr<FfmpegDecoder>> open(const QString& path,
                                                       Refusal* refusal = nullptr);

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    int bitsPerSample() const { return bitsPerSample_; }
    bool lossless() const { return lossless_; }
    // Sample frames the container states exactly (sample tables, Ogg granules, a header's
    // count); -1 when it does not say or only estimates it from the bit rate.
    std::int64_t announcedFrames() const { return announcedFrames_; }
    // Bits per second of the coded audio (the stream's, else the container's); 0 unknown.
    std::int64_t bitRate() const { return bitRate_; }
    // "Ogg Vorbis", "AAC (M4A)", "ALAC (M4A)", "AIFF", "WavPack", "Opus" ...
    const QString& codecName() const { return codecName_; }

    // Decodes into `samples` (room for maxFrames x channels, interleaved) up to `maxFrames`
    // sample frames and returns how many were stored. Checks `stop` before each packet.
    // Returns 0 once the stream has ended (see ended()), or when stopped before anything was
    // stored.
    std::int64_t read(std::int32_t* samples, std::int64_t maxFrames,
                      const std::atomic<bool>* stop = nullptr);
    bool ended() const { return ended_ && pending_.drained(); }
    enum class Failure { None, Truncated, Damaged };
    bool failed() const { return failure_ != Failure::None; }
    Failure failure() const { return failure_; }
    // What went wrong, in words; empty for a stream that ended cleanly.
    const QString& damage() const { return damage_; }
    std::int64_t decodedFrames() const { return decodedFrames_; }

  private:
    FfmpegDecoder();
    bool decodeNext(); // the next frame into pending_; false at the end
    bool convert(const AVFrame* frame);
    void fail(Failure failure, const QString& why);
    void finishStream();

    struct Handles;
    std::unique_ptr<Handles> h_;
    int streamIndex_ = -1;
    int sampleRate_ = 0;
    int channels_ = 0;
    int bitsPerSample_ = 16;
    bool lossless_ = false;
    int inputFormat_ = -1; // the decoder's AVSampleFormat the conversion was set up for
    int shift_ = 0;        // of left-justified integer samples
    std::int64_t announcedFrames_ = -1;
    bool trimToAnnounced_ = false; // audio past announcedFrames_ is the encoder's padding
    std::int64_t bitRate_ = 0;
    QString codecName_;
    PendingSamples pending_; // the last frame decoded
    std::int64_t decodedFrames_ = 0;
    bool flushed_ = false; // the end of the packets was sent to the decoder
    bool ended_ = false;
    Failure failure_ = Failure::None;
    QString damage_;
};
