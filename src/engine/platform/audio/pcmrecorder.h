#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/error.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace audio {

class PulseStream;

// Records 16-bit PCM from the default input into a sink, on a thread of its own, from
// start() until stop(), the sink refuses more, or the stream fails.
//
// The sink is begun by start() (on the starter's thread), written on the recording thread,
// and finished on that thread when the recording ends; it must outlive the recorder. The
// server keeps what it records while the sink is busy (seconds of audio), so a sink may write
// to a file; one that waits longer loses audio.
//
// Owned and driven by one thread (the starter's); the recording thread is joined by stop()
// and the destructor.
class PcmRecorder {
  public:
    // Connects to the server and starts recording in `format`. Fails with the library's
    // reason when no server can be reached, or when the sink refuses the format.
    static Result<std::unique_ptr<PcmRecorder>> start(const PcmFormat& format, PcmSink& sink,
                                                      const QString& name);
    ~PcmRecorder(); // stop()
    PcmRecorder(const PcmRecorder&) = delete;
    PcmRecorder& operator=(const PcmRecorder&) = delete;

    // Ends the recording and joins the thread; the sink has been finished when it returns.
    // Audio the server captured but had not handed over yet (at most a few tens of
    // milliseconds) is dropped. Does nothing the second time.
    void stop();
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Bytes handed to the sink so far. Any thread.
    std::int64_t recordedBytes() const { return recordedBytes_.load(std::memory_order_relaxed); }
    // Sample frames the input has captured by now, by the stream's clock (the frame of the
    // recording being captured at this moment, whether or not it has reached the sink yet);
    // once stopped, the frames handed to the sink. The owner's thread.
    std::int64_t capturedFrames() const;
    // Why the recording ended by itself (the stream failed, the sink refused audio); empty
    // while it runs and after a stop. Meaningful once finished().
    QString errorText() const;

  private:
    PcmRecorder(std::unique_ptr<PulseStream> stream, PcmSink& sink, const PcmFormat& format,
                std::size_t chunkBytes);
    void run();

    std::unique_ptr<PulseStream> stream_;
    PcmSink& sink_;
    PcmFormat format_;
    std::size_t chunkBytes_;
    std::atomic<std::int64_t> recordedBytes_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    mutable std::mutex errorMutex_;
    QString error_;
    std::thread thread_;
};

} // namespace audio
