#pragma once

#include "engine/platform/error.h"
#include "engine/platform/pendingsamples.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// One native FLAC file decoded from start to end, frame by frame, its samples as stored
// (right-justified signed integers at the stream's own width).
//
// Opening reads the metadata up to the first audio frame; the file must start with "fLaC"
// (an ID3v2 tag before it is skipped) and have a valid STREAMINFO. Metadata other than
// STREAMINFO is skipped without being held, however large.
//
// How the stream ends: cleanly, once every frame is decoded, the count STREAMINFO announces
// is reached (when it announces one) and the MD5 signature of the decoded audio matches the
// one STREAMINFO records (when it records one); or failed (failed(), error()) at the first
// lost sync, bad frame header, frame CRC mismatch or unparseable data, at a short count, or
// at an MD5 mismatch. The frames decoded before a failure are still handed out.
//
// Not thread-safe; it may be handed from one thread to another between calls.
class FlacDecoder {
  public:
    ~FlacDecoder();
    FlacDecoder(const FlacDecoder&) = delete;
    FlacDecoder& operator=(const FlacDecoder&) = delete;

    // Fails with a readable description (not FLAC, damaged STREAMINFO, cannot be opened).
    static Result<std::unique_ptr<FlacDecoder>> open(const QString& path);

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    int bitsPerSample() const { return bitsPerSample_; }
    // Sample frames STREAMINFO announces; 0 when it does not say.
    std::int64_t totalFrames() const { return totalFrames_; }
    // The file offset of the first audio frame (after every metadata block).
    std::int64_t audioOffset() const { return audioOffset_; }

    // Decodes into `samples` (room for maxFrames x channels, interleaved) up to `maxFrames`
    // sample frames and returns how many were stored. Checks `stop` before each FLAC frame.
    // Returns 0 once the stream has ended (see ended()), or when stopped before anything was
    // stored.
    std::int64_t read(std::int32_t* samples, std::int64_t maxFrames,
                      const std::atomic<bool>* stop = nullptr);
    // Every sample was handed out, and the stream has ended, cleanly or failed.
    bool ended() const { return ended_ && pending_.drained(); }
    bool failed() const { return failure_ != Failure::None; }
    // What ended the stream early. The description names no file.
    enum class Failure { None, Truncated, Damaged, Md5Mismatch };
    Failure failure() const { return failure_; }
    // For Damaged: what libFLAC reported ("lost sync", "frame CRC mismatch", ...).
    const QString& damage() const { return damage_; }
    // Sample frames decoded so far (handed out or pending).
    std::int64_t decodedFrames() const { return decodedFrames_; }

    // libFLAC's callbacks, and its decoder (the one place the program creates one).
    struct Callbacks;
    struct Handle;

  private:
    FlacDecoder() = default;
    void decodeNext(); // one frame into pending_, or the end
    void finishStream();

    std::unique_ptr<Handle> decoder_;
    int sampleRate_ = 0;
    int channels_ = 0;
    int bitsPerSample_ = 0;
    std::int64_t totalFrames_ = 0;
    std::int64_t audioOffset_ = 0;
    bool haveStreamInfo_ = false;
    PendingSamples pending_; // the last frame decoded
    std::int64_t decodedFrames_ = 0;
    bool ended_ = false;
    Failure failure_ = Failure::None;
    QString damage_;
};
