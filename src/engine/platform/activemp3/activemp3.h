#pragma once

#include "engine/platform/audio/pcmformat.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class CallPoster;
class Mpg123Stream;
namespace audio {
class PcmPlayer;
}

// The MP3 decoder control: decodes the MP3 file named by its input-file property, in the
// background, into a WAV file (or into any PcmSink), or plays it on the default output.
//
// Roles: input file (setInputFile), decode to file (decodeToFile: returns at once, the
// decoding runs on the control's own worker thread), busy, position and total (both in
// milliseconds of audio), stop.
//
// The WAV written is 16-bit PCM at the MP3's own sample rate and channel count, with a
// correct 44-byte RIFF header, also when the decode is stopped early or fails (the header
// then states what was written), and it holds exactly the samples that were encoded when
// the MP3 records its encoder delay and padding (LAME/Info frame). It is written under a
// temporary name beside the wanted one and takes its name (or the collision rule's next
// number, see lastOutput()) only once it is complete and on the disk, never replacing a
// file. A file that is not MPEG audio, or whose first frames are not a sound stream (see
// Mpg123Stream), starts nothing and leaves no output file behind; damage later in the file
// is skipped where the decoder can resynchronise, and otherwise ends the WAV at the last
// good frame as a failed decode.
//
// How a decode ended (lastEnd(), lastError()) is set by the worker before busy() turns
// false, so it is final once busy() is false or decodingFinished arrived:
//  - Completed: the stream ended cleanly where its data ends, every decoded byte was taken
//    by the output, and the output was properly ended (WAV header, flush and close);
//  - Stopped: ended by stop() (also the one a newer start makes); the output was properly
//    ended with the audio decoded so far;
//  - Failed: a decoder error in the stream, damage the decoder could not get past, a stream
//    that ended cleanly short of the length its LAME/Info frame records, by however few
//    samples (a file cut short: audiolength::incompleteSource, or the milliseconds missing
//    when they are less than a second), an output that refused audio (disk full, file
//    too large) or could not be ended properly; lastError() says which, with the system's
//    reason. After a failure of the stream the audio decoded before it is in the output;
//    after a failure of the output no WAV is kept.
//
// One output, one writer: each decode writes a file of its own, so two decodes never share
// one; starting this control again with the same input and output while it decodes them
// does nothing.
//
// The object lives on the thread that creates it (the GUI thread) and every member is
// called there; only the decoding itself runs on the worker thread.
class ActiveMP3 : public QObject {
    Q_OBJECT
  public:
    enum class DecodeEnd {
        None, // no decode has ended since the last start (or the last start failed)
        Completed,
        Stopped,
        Failed,
    };

    explicit ActiveMP3(QObject* parent = nullptr);
    ~ActiveMP3() override; // stops any decode and waits for the worker

    void setInputFile(const QString& path) { inputFile_ = path; }
    const QString& inputFile() const { return inputFile_; }

    // Starts decoding the input file to `wavPath` and returns at once. True when decoding
    // runs: started now, or already running from this input into this output. False when
    // nothing started (see lastError(), e.g. "Cannot write /out/x.wav: Permission denied");
    // no file is then created. Any other decode of this control is stopped first.
    bool decodeToFile(const QString& wavPath);
    // Starts decoding the input file into `sink` (given the format by begin() before this
    // returns) and returns at once; false when nothing started. Stops any other decode.
    bool decodeToSink(std::unique_ptr<PcmSink> sink);

    // True from a successful start until the worker has delivered and closed everything.
    bool busy() const { return busy_.load(); }
    // Audio decoded so far, and the expected length of the whole file, in milliseconds.
    // Total is never below position; both keep their last values after a decode ends, and
    // at a natural end total equals position. Both are 0 before the first decode.
    std::int64_t position() const;
    std::int64_t total() const;
    // The output format of the current or last decode.
    PcmFormat format() const { return format_; }
    // How the last decode ended; None while one runs and after a start that failed.
    DecodeEnd lastEnd() const { return lastEnd_.load(); }
    // Why the last start failed, or why the last decode failed; empty after a successful
    // start, and after a decode that completed or was stopped.
    QString lastError() const;
    // The WAV the last decode to a file put in place (see decodeToFile); empty while it runs
    // and when it kept none.
    QString lastOutput() const;

    // Plays the input file on the default audio output and returns at once; the file is
    // decoded as it plays, on the output's own thread, and plays to its end unless stopped.
    // Stops any decode or playback of this control first. False when nothing plays (see
    // lastError(): not an MP3, or no audio server). Playback is not a decode: busy(),
    // position(), lastEnd() and decodingFinished are about decodes only.
    bool play();
    // True from a successful play() until the file has played out (or failed) or stop().
    bool playing() const;

    // Ends any decode at once: the audio decoded so far is written, the WAV header rewritten
    // and the file closed before this returns; ends any playback. Harmless when idle.
    void stop();

    // Size of the blocks written to the output.
    static constexpr std::size_t writeBlockBytes = 1 << 20;

  signals:
    // A decode has ended and its output is closed; `completed` is lastEnd() == Completed.
    // Emitted on the control's own thread, a little after busy turned false, and only when
    // no newer decode has been started since.
    void decodingFinished(bool completed);

  private:
    // `outputName` starts the reason given when the output fails ("Cannot write <path>").
    bool start(std::unique_ptr<Mpg123Stream> stream, std::unique_ptr<PcmSink> sink,
               const QString& outputName);
    // Worker thread. `inputPath` names the MP3 in the reason given when the stream fails.
    void run(Mpg123Stream& stream, PcmSink& sink, const QString& inputPath,
             const QString& outputName, std::uint64_t generation);
    std::unique_ptr<Mpg123Stream> openInput();
    void setLastError(const QString& text);

    QString inputFile_;
    mutable std::mutex errorMutex_; // the two below are written by the worker at a decode's end
    QString lastError_;
    QString lastOutput_;
    std::atomic<DecodeEnd> lastEnd_{DecodeEnd::None};
    QString runningInput_; // absolute paths of the decode in progress, for the restart rule
    QString runningOutput_;
    PcmFormat format_;

    std::unique_ptr<Mpg123Stream> stream_; // owned here, used by the worker while busy
    std::unique_ptr<PcmSink> sink_;
    std::uint64_t generation_ = 0; // counts starts, to drop the news of a replaced decode
    CallPoster* calls_;            // the worker's news of a decode's end, to this thread
    std::thread worker_;
    std::unique_ptr<audio::PcmPlayer> player_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<std::int64_t> decodedFrames_{0};
    std::atomic<std::int64_t> expectedFrames_{0};
};
