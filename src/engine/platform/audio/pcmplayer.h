#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/error.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace audio {

class PulseStream;

// Where a PcmPlayer takes its audio from. Called on the playback thread only, one call at a
// time; between two playbacks the owner may use it on its own thread.
class PcmSource {
  public:
    virtual ~PcmSource() = default;
    // Stores up to `capacity` bytes (a whole number of sample frames, at least one frame) in
    // `buffer` and returns how many; 0 when the audio has ended.
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
    // Why the audio ended early (a read error); empty when it ended normally.
    virtual QString errorText() const { return {}; }
};

// Plays 16-bit PCM from a source on the default output, on a thread of its own, from
// start() until the source ends or stop() is called; each player plays once.
//
// Every playback begins with leadInMs of silence. A recording of the output (the monitor of
// the sink, which is how the output is recorded) misses the first tens of milliseconds of a
// stream that starts while it records: the server renders the output ahead of time and
// starts a new stream by rendering that stretch again, after the recording received it. The
// silence takes that loss instead of the audio.
//
// The clock (playedFrames, playedMs) counts the source's audio the sink has played: the
// stream time the server reports, latency and the lead-in accounted for, so it matches what
// is heard rather than what was written. After the audio ended it is the whole length
// played; after a stop, the point where the sound stopped.
//
// Owned and driven by one thread (the starter's, e.g. the GUI thread); the playback thread
// lives inside and is joined by stop() and the destructor.
class PcmPlayer {
  public:
    static constexpr int leadInMs = 100;

    // Connects to the server and starts playing `source`, which must deliver `format`. Fails
    // with the library's reason when no server can be reached; nothing runs then.
    static Result<std::unique_ptr<PcmPlayer>>
    start(const PcmFormat& format, std::shared_ptr<PcmSource> source, const QString& name);
    ~PcmPlayer(); // stop()
    PcmPlayer(const PcmPlayer&) = delete;
    PcmPlayer& operator=(const PcmPlayer&) = delete;

    // Ends the playback (audio still buffered is dropped) as soon as the source's read in
    // progress returns, and joins the thread. The source is no longer used when it returns.
    // Does nothing the second time.
    void stop();
    // Waits until the audio has been played out or the playback failed; at once after a
    // stop.
    void wait();
    // The playback thread has ended: the audio was played out, it failed, or it was stopped.
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Sample frames of the source played.
    std::int64_t playedFrames() const;
    std::int64_t playedMs() const { return playedFrames() * 1000 / format_.sampleRate; }
    // Why the playback ended early (the source's read error, or the stream's); empty when it
    // played to the end or was stopped. Meaningful once finished().
    QString errorText() const;

  private:
    PcmPlayer(const PcmFormat& format, std::unique_ptr<PulseStream> stream,
              std::shared_ptr<PcmSource> source);
    void run();
    // Frames of the source the sink has played by the stream's clock now.
    std::int64_t framesPlayedNow() const;

    PcmFormat format_;
    std::unique_ptr<PulseStream> stream_;
    std::shared_ptr<PcmSource> source_;
    std::atomic<std::int64_t> writtenFrames_{0}; // of the source, the lead-in not counted
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    // Frames played, fixed at the end (played out: everything written; stopped: where the
    // sound was); -1 until then.
    std::atomic<std::int64_t> finalFrames_{-1};
    mutable std::mutex errorMutex_;
    QString error_;
    std::thread thread_;
};

} // namespace audio
