#pragma once

#include "engine/core/batchrunner.h"
#include "engine/encode/modlame.h"
#include "engine/pipeline/encoder.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

// What a batch converts.
enum class ConversionKind {
    WavToMp3,     // each WAV encoded to an MP3 (EncodeJob)
    Mp3ToWav,     // each MP3 decoded to a WAV (DecodeJob)
    CdExtraction, // tracks read digitally (the batch brings its jobs)
    Capture,      // tracks recorded while the CD plays (the batch brings its jobs)
    AudioConvert, // each audio file of any format converted to settings.convertTo
};

// The choices a batch runs with, taken as values when it starts: what the window or the
// command line shows or stores may change meanwhile without reaching the jobs.
struct ConversionSettings {
    QString destination; // the folder the outputs go to; "" is the root folder's prefix
    modLAME::EncoderConfig encoder = modLAME::makeConfig(160, 0); // for MP3 output
    int filesAtOnce = 1;
    bool deleteSource = false; // a source WAV goes once its MP3 is complete (the owner deletes)
    bool testAndCopy = false;  // a track is read once for its checksums, then copied
    bool namesFromDisc = false;
    // AudioConvert: the format every output is written in, and each format's choices.
    // An AudioConvert to MP3 takes formats.mp3, not `encoder`.
    pipeline::OutputFormat convertTo = pipeline::OutputFormat::Mp3;
    pipeline::EncoderSettings formats;
};

// One batch: its kind, its items (each output named already, see outputFor) and settings.
struct ConversionBatch {
    ConversionKind kind = ConversionKind::WavToMp3;
    QList<WorkItem> items;
    ConversionSettings settings;
    // The CD kinds' jobs (their plan knows the disc); the file kinds make their own when unset.
    BatchRunner::JobMaker makeJob;
    // The bytes an item's output will take, for mayStart; the file kinds know it themselves.
    std::function<std::int64_t(const WorkItem&)> expectedOutputBytes;
};

// How a batch ended, as batchFinished reports it.
struct ConversionReport {
    ConversionKind kind = ConversionKind::WavToMp3;
    ConversionSettings settings;
    QList<WorkItem> items; // with the output names claimed (and taken)
    QList<JobResult> results;
    bool endedFromOutside = false; // the application quit during the batch (see runAndWait)
};

// The one way a batch of conversions runs, for the window and the command line alike: it
// takes a batch as a value, runs it on a BatchRunner of its own (one batch at a time) and
// reports its items and its end by signals. stop() and abort() are the one way to end it
// early. Jobs read nothing but the batch: its items and its settings.
//
// GUI (main) thread; the jobs do their work on threads of their own.
class ConversionService : public QObject {
    Q_OBJECT
  public:
    explicit ConversionService(QObject* parent = nullptr);
    ~ConversionService() override; // a batch still running is aborted and its jobs joined

    // Where a WAV or MP3 file batch of `kind` writes the output of `source` in `destination`:
    // the source's name with ".mp3" for ".wav" or ".wav" for ".mp3" (OutputPathFor).
    // AudioConvert's names depend on its format: see the next.
    static QString outputFor(ConversionKind kind, const QString& destination,
                             const QString& source);
    // The same for a batch run with `settings` (into settings.destination); AudioConvert: the
    // source's name with its extension (from its last ".", when it has one) replaced by
    // settings.convertTo's: "song.flac" gives "song.opus", "take" gives "take.opus".
    static QString outputFor(ConversionKind kind, const ConversionSettings& settings,
                             const QString& source);

    // Asked before each item with the bytes its output is expected to take (-1: unknown)
    // and the bytes the files under way are still expected to write (each one's expected
    // size less the share its progress reports done), which the free space must hold too;
    // false: it does not start, nor does any later one (the disk-space guard).
    std::function<bool(const WorkItem&, std::int64_t expectedBytes, std::int64_t reservedBytes)>
        mayStart;

    // Starts `batch` and returns at once; false (nothing starts) while another runs. The
    // first itemStarted may come before this returns; batchFinished never does.
    bool start(ConversionBatch batch);
    // Ends the batch here, for when no event loop runs again (the application is quitting):
    // the jobs under way are cancelled and joined, and batchFinished (endedFromOutside) is
    // emitted before this returns.
    void endNow();
    // No further item starts; the files under way finish whole, except a recording, which
    // ends at once keeping what it holds.
    void stop();
    // stop(), and every file under way ends early, its output properly ended: its item is
    // Cancelled, a file cut short, never a converted one.
    void abort();
    // From an itemFinished handler whose after-file steps end later (a recording's encode):
    // the next item waits, and the batch goes on, only once resumeNext() is called. stop(),
    // abort() and endNow() still act meanwhile.
    void holdNext();
    void resumeNext();

    bool isRunning() const { return runner_ != nullptr; }
    // What the files under way are still expected to write, as mayStart is told it.
    std::int64_t reservedBytes() const;
    bool isStopped() const { return stopped_; }
    // The batch running now, or the last one (its settings and kind).
    ConversionKind kind() const { return batch_.kind; }
    const ConversionSettings& settings() const { return batch_.settings; }
    qsizetype itemCount() const { return batch_.items.size(); }

  signals:
    void itemStarted(const WorkItem& item);
    void itemProgress(const WorkItem& item, const QString& caption, int percent);
    void itemFinished(const WorkItem& item, const JobResult& result);
    // Emitted from the event loop, never from inside start(), stop() or abort().
    void batchFinished(const ConversionReport& report);

  private:
    BatchRunner::JobMaker jobMaker() const;
    std::int64_t expectedBytes(const WorkItem& item) const;
    void runnerFinished();

    // A started file's expected output, and the share of it its progress reports done.
    struct Reservation {
        std::int64_t bytes = 0;
        int percent = 0;
    };

    ConversionBatch batch_;
    std::unique_ptr<BatchRunner> runner_;
    std::map<int, Reservation> reservations_; // the files under way, by item index
    bool stopped_ = false;
    bool endedFromOutside_ = false;
};
