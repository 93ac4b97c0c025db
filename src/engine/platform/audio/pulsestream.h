#pragma once

#include "engine/platform/audio/pcmformat.h"
#include "engine/platform/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_mainloop_api;
struct pa_time_event;
struct timeval;

// The one place the program talks to libpulse: a connection to the PulseAudio server and one
// playback or record stream on it, used with blocking calls from one thread.
//
// The connection never starts a server of its own (no autospawn) and gives up after
// connectTimeoutMs when the server does not answer, so a machine without sound fails at
// open() with the library's reason instead of hanging. The server is the one libpulse finds
// by itself ($PULSE_SERVER, client.conf, the user's runtime folder); the stream goes to the
// default sink or comes from the default source.
//
// Threads: write(), read() and drain() are called by one thread, the stream's user.
// interrupt() and streamTimeUs() may be called from any thread meanwhile (the library's own
// thread runs the connection; every call here takes its lock).
namespace audio {

struct PulseMainloopDeleter {
    void operator()(pa_threaded_mainloop* loop) const;
};
struct PulseContextDeleter {
    void operator()(pa_context* context) const;
};
struct PulseStreamDeleter {
    void operator()(pa_stream* stream) const;
};

class PulseStream {
  public:
    enum class Direction { Playback, Record };
    static constexpr int connectTimeoutMs = 5000;

    // Connects and opens a stream of 16-bit little-endian `format`. `name` is how the server
    // lists the stream. Fails with the library's text ("Connection refused", "Timeout").
    static Result<std::unique_ptr<PulseStream>> open(Direction direction, const PcmFormat& format,
                                                     const QString& name);
    ~PulseStream();
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Playback: queues all of `bytes`, waiting while the server's buffer is full. False when
    // interrupted or when the stream failed (errorText()).
    bool write(const char* data, std::size_t bytes);
    // Playback: starts what is queued even if it is short of the start threshold and waits
    // until it has been played. False when interrupted or failed.
    bool drain();
    // Record: waits for audio and stores up to `capacity` bytes (whole frames) in `buffer`;
    // gaps the server reports come as silence. 0 when interrupted or failed.
    std::size_t read(char* buffer, std::size_t capacity);

    // Ends the wait of a write(), drain() or read() now and makes every later one return at
    // once. Any thread.
    void interrupt();
    // The stream's time now, in microseconds, from the server's latest report carried on by
    // the time since (each call asks for a fresh report for the next); 0 before any report,
    // and never less than it was. Playback: how much of the stream the sink has played, its
    // buffer accounted for. Record: how much of the stream the source has captured, the audio
    // still on its way to the client counted (and, for a sink's monitor, the sink's buffer
    // accounted for). A playback's and a recording's times read together so tell which
    // recorded sample was captured as a played one sounded. Any thread.
    std::int64_t streamTimeUs() const;
    // Why the stream failed; empty while it is good.
    QString errorText() const;

    // Succeeds when a server answers (a connection is made and closed again); fails with the
    // library's reason otherwise, without starting a server.
    static Result<bool> checkServer();

  private:
    PulseStream() = default;
    // Creates the library's thread and connects to the server (open(), checkServer()).
    static Result<std::unique_ptr<PulseStream>> connect();
    // With the library's lock held: waits until `done()`; false once the connection or the
    // stream failed, the connection timed out, or interrupt() was called.
    template <typename Done> bool waitFor(Done done);
    bool checkGood(); // false (and the reason kept) when the connection or stream failed
    void fail(const QString& why);   // keeps the first reason
    QString libraryError() const;    // the library's text for its last error
    VortanError streamError() const; // why open() failed

    static void contextStateChanged(pa_context* context, void* self);
    static void streamNotify(pa_stream* stream, void* self);
    static void streamRequest(pa_stream* stream, std::size_t bytes, void* self);
    static void drainDone(pa_stream* stream, int success, void* self);
    static void connectTimedOut(pa_mainloop_api* api, pa_time_event* event, const timeval* when,
                                void* self);

    // Destroyed in reverse: stream and context (under the lock), then the loop.
    std::unique_ptr<pa_threaded_mainloop, PulseMainloopDeleter> loop_;
    std::unique_ptr<pa_context, PulseContextDeleter> context_;
    std::unique_ptr<pa_stream, PulseStreamDeleter> stream_;
    Direction direction_ = Direction::Playback;
    std::size_t frameBytes_ = 2;
    bool interrupted_ = false;
    bool timedOut_ = false;
    bool drained_ = false;
    QString error_;
    // Record: the fragment taken from the server and not yet handed out completely.
    const char* fragment_ = nullptr;
    std::size_t fragmentBytes_ = 0;
    std::size_t fragmentOffset_ = 0;
    bool fragmentTaken_ = false;
    // The last stream time handed out (streamTimeUs), under the library's lock.
    mutable std::int64_t lastStreamTimeUs_ = 0;
};

} // namespace audio
