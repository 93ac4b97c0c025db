#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Interleaved signed 16-bit little-endian PCM, the only sample layout the decoder produces.
struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;

    int blockAlign() const { return channels * 2; }
    std::int64_t bytesPerSecond() const {
        return static_cast<std::int64_t>(sampleRate) * blockAlign();
    }
    bool valid() const { return sampleRate > 0 && channels > 0; }
};

// Receives the decoded audio of one decode, in order, on the decoding thread: begin once,
// write any number of times, finish once (also after a stop or a failed write).
class PcmSink {
  public:
    virtual ~PcmSink() = default;
    // False: the sink cannot take audio of this format; nothing is written.
    virtual bool begin(const PcmFormat& format) = 0;
    // `bytes` is a whole number of sample frames. False: the sink takes no more audio.
    virtual bool write(const char* data, std::size_t bytes) = 0;
    // Ends the output. False when it could not be ended properly (for a file: its header,
    // flush or close failed), so what it holds cannot be trusted.
    virtual bool finish() = 0;
    // Why the sink refused audio or could not finish; empty when it has no reason to give.
    virtual QString errorText() const { return {}; }
    // After finish(): the file the audio was put in, for a sink that writes one; empty when
    // it kept none.
    virtual QString outputPath() const { return {}; }
};
