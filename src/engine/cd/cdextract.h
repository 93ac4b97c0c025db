#pragma once

#include "engine/cd/readmode.h"
#include "engine/cd/ripcheck.h"

#include "engine/core/workerjob.h"
#include "engine/encode/modlame.h"
#include "engine/formats/outputfile.h"
#include "engine/pipeline/encoder.h"
#include "engine/platform/error.h"
#include "engine/platform/id3tag/audiotags.h"
#include "engine/platform/id3tag/id3tag.h"
#include "engine/platform/loudness/loudnessmeter.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Digital extraction of one CD track, read through the CD library 26 frames at a time, into
// one or more files, each written by the conversion pipeline's encoder of its format.
struct ExtractRequest {
    int track = 0;            // its number on the disc, for messages ("Track 3: ...")
    std::uint32_t handle = 0; // the open drive
    std::int32_t startLba = 0;
    std::int32_t endLba = 0; // exclusive
    // The drive's read offset in samples (readoffset.h): the track's audio is read that many
    // pairs further on, from the neighbouring sectors as needed, so the file holds what a
    // drive without an offset reads. Sectors before 0 and from `leadOutLba` on (the audio
    // session's end; -1: unknown, the drive decides) are zeros, unless the drive `overreads`:
    // then it is asked for those past the lead-out, with zeros where it refuses.
    int offsetSamples = 0;
    bool overreads = false;
    std::int32_t leadOutLba = -1;
    // The open, empty file to write into (a pending output's descriptor): the extraction
    // writes through a duplicate of it and leaves it open. `outputPath` names it in messages:
    // the name the user will know it by, never its temporary one.
    int outputFd = -1;
    QString outputPath;
    bool mp3 = false;
    modLAME::EncoderConfig config = modLAME::makeConfig(160, 0); // for MP3 output
    // Not empty: the track cannot be extracted (a data track, one the disc does not have or an
    // image's data file does not hold); the job fails with this reason and writes nothing.
    QString refusal;
    // Where the track stands on its disc, for its AccurateRip checksums (the pair count is
    // taken from the range when 0).
    ripcheck::TrackPlace place;
    // Test and copy: the job reads the whole track once for its checksums only, then copies.
    // A copy whose CRC differs from the test's fails: the disc did not read the same twice.
    bool testFirst = false;
    // How the track is read. Fast: once without correction (the C2-flagged sectors read
    // securely), then accepted when `database` confirms its sums at `minimumConfidence` or
    // above for its entry `recordPosition`, else read again securely (with the test pass when
    // testFirst is set). Paranoid is secure with a test pass (testFirst is set for it).
    readmode::Mode readMode = readmode::Mode::Secure;
    std::shared_ptr<readmode::RecordSource> database; // Fast: the disc's record
    int recordPosition = -1;
    int minimumConfidence = readmode::defaultMinimumConfidence;
    // Single-sector retries of a sector the drive cannot deliver before its samples are left
    // zero and the track goes on.
    int retryLimit = readmode::defaultRetryLimit;
    // A track stopped part way keeps its file (see ExtractionChoices::keepStopped).
    bool keepStopped = true;
    // The ID3v2 tag of a completed MP3 (its ReplayGain is measured by the extraction).
    id3tag::TagFields tags;
    // The pictures every tagged output carries (the disc's front cover); a WAV takes none.
    std::vector<audiotags::Picture> pictures;
    // Several outputs from one read (ExtractTrackToFormats): every format the track is written
    // in, the main one first, each into its own file. Empty: one output, a WAV, or an MP3 when
    // `mp3` is set.
    std::vector<pipeline::OutputFormat> formats;
    pipeline::EncoderSettings formatSettings; // the FLAC level and the Opus bitrate
    // With `formats`: format k's open, empty file (a pending output's descriptor) and the name
    // it will take; the first is `outputFd` and `outputPath`.
    std::vector<int> formatFds;
    std::vector<QString> formatPaths;
};

// One output of a track written in several formats.
struct FormatOutput {
    pipeline::OutputFormat format = pipeline::OutputFormat::Wav;
    QString wantedPath; // the name it takes once put in place
    // Still open and locked until the batch tags it with the album's gain and commits it; the
    // last copy of the outcome to go discards it.
    std::shared_ptr<outputfile::PendingOutput> pending;
    QString outputPath; // its name once put in place; empty when none was kept
    // Why this output failed (the others of its track go on); empty when it did not.
    QString failure;
};

// Samples of a track, as stereo pairs from its start: [first, end).
struct SampleRange {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

struct ExtractOutcome {
    enum class Status {
        Completed,  // every frame of the track is in the file, properly ended
        Cancelled,  // ended early on request; the file holds what was read, properly ended
        ReadFailed, // a chunk could not be read (a sector the drive may not read, one an
                    // image's files lack); the file holds the frames before it, properly
                    // ended (see readErrorText, failedLba). A damaged sector is no such
                    // failure: see `suspicious`.
        Failed,     // the file or the encoder failed (see error); what was written stays
    };
    Status status = Status::Failed;
    QString readErrorText;       // the library's text of the failed read, with its reason
    std::int32_t failedLba = -1; // first frame of the chunk that could not be read
    VortanError error;
    std::int32_t framesTotal = 0;
    std::int32_t framesDone = 0; // frames read and handed to the file
    bool outputCreated = false;
    // The file the job left: its final name (a WAV, put in place once complete), or its
    // temporary name (an MP3, which takes its name once the batch has tagged it with the
    // album's gain: see pendingMp3). Empty when nothing was kept.
    QString outputPath;
    bool pendingMp3 = false;
    // A pending MP3's output, still open and locked (so no leftover sweep takes it) until the
    // batch commits it; the last copy of the outcome to go discards it.
    std::shared_ptr<outputfile::PendingOutput> pending;
    ripcheck::Checksums sums;     // of the audio read, as handed to the file
    std::int64_t corrections = 0; // sectors the reader read again or corrected
    // Test and copy: the test pass ran (see testCrc32, and testComplete: it read the whole
    // track).
    bool tested = false;
    bool testComplete = false;
    std::uint32_t testCrc32 = 0;
    // The loudness of the audio the copy read (not set by a test pass, nor when the meter
    // failed): the track's ReplayGain, and its share of the album's.
    std::shared_ptr<const LoudnessMeter> loudness;
    // Where the disc could not be read within the retry limit: zeros stand there. A track
    // that has any is damaged: complete, but not what the disc holds.
    std::vector<SampleRange> suspicious;
    bool c2Reported = false;    // the drive reported C2 errors for the reads
    int cacheSectors = -1;      // the read cache the drive states (0: none; -1: an image)
    std::int32_t c2Rereads = 0; // sectors read again securely for their C2 flags
    // A fast read: how the track was proven or read again ("Read once, accurately ripped
    // (confidence 14)"); empty for the other modes. `reReads`: secure reads after the fast one.
    QString readPath;
    int reReads = 0;
    // A track written in several formats: each of its outputs, in the request's order (the
    // main one first); all stay pending (pendingMp3 is set) until the batch commits them.
    std::vector<FormatOutput> outputs;
};

// Frames in one library read.
inline constexpr std::int32_t framesPerRead = 26;

using ExtractProgress = std::function<void(std::int32_t framesDone, std::int32_t framesTotal)>;

// ExtractTrackToFormats with a WAV alone, into outputFd (the outcome has no `outputs`).
// The WAV starts with a CD-format header for the whole track; when fewer frames end up in the
// file (cancelled, read or write failure), the header is rewritten to the length written.
// `cancelled` is asked after each chunk and, so that a stop ends a read at once, by the
// reading thread during each read: it must be safe to call from another thread. `progress`
// follows each chunk (never for an empty track), on the calling thread. Either may be empty.
// Runs on the calling thread, reading ahead on a thread of its own.
ExtractOutcome ExtractTrackToWav(const ExtractRequest& request,
                                 const std::function<bool()>& cancelled,
                                 const ExtractProgress& progress);

// Reads the track for its checksums only (a test pass): no file. The outcome's status is
// Completed, Cancelled or ReadFailed, with sums and corrections.
ExtractOutcome ReadTrackChecksums(const ExtractRequest& request,
                                  const std::function<bool()>& cancelled,
                                  const ExtractProgress& progress);

// ExtractTrackToFormats with an MP3 alone, into outputFd (the outcome has no `outputs`).
// An MP3 that ends properly (completed, stopped or cut by a read failure) gets the request's
// tag with the ReplayGain of the audio it holds; the extraction fails when the tag cannot be
// written. The MP3 starts with its LAME/Info frame, so it decodes to exactly the frames read.
// The encoder is set up before anything is written: a configuration it refuses leaves the
// file empty.
ExtractOutcome ExtractTrackToMp3(const ExtractRequest& request,
                                 const std::function<bool()>& cancelled,
                                 const ExtractProgress& progress);

// The track read once and written in each of the request's formats (into formatFds, named
// formatPaths), each through its sink (tracksinks.h): pipeline::makeEncoder's encoder, then
// the tags of its format with the ReplayGain of the audio it holds (a WAV has none).
// Every encoder is set up before the track is read. An output that fails (its encoder refuses
// the audio, its file cannot be written) fails the track with its reason (the outcome's
// error, the output's failure) and takes nothing more; the others go on to their end.
// The outcome's `outputs` tell each output's standing (format, wanted path, failure).
ExtractOutcome ExtractTrackToFormats(const ExtractRequest& request,
                                     const std::function<bool()>& cancelled,
                                     const ExtractProgress& progress);

// One track extraction on a worker thread: the file job of the extraction batch. Item k of
// the batch is extracted as `requests[k]` says, under a temporary name beside the item's
// output (outputfile::PendingOutput). A WAV that ends properly takes its name when the job
// ends; an MP3 stays pending, open and locked, for the batch to finish
// (ExtractionPlan::finishOutputs); a file whose writing failed is removed, and so is a stopped
// one that the request does not keep. A track whose test and copy CRCs differ fails, its file
// kept (it holds the whole copy). With `outcomes`, the outcome is also kept there at k once the
// job has collected it (for the log and the names taken).
class CdExtractJob final : public WorkerJob {
    Q_OBJECT
  public:
    explicit CdExtractJob(std::shared_ptr<const std::vector<ExtractRequest>> requests,
                          std::shared_ptr<std::vector<ExtractOutcome>> outcomes = nullptr,
                          QObject* parent = nullptr);
    ~CdExtractJob() override;

    // The extraction's own account; final once finished() was emitted.
    const ExtractOutcome& outcome() const { return outcome_; }

  protected:
    JobResult work(const WorkItem& item) override;
    void collected() override;

  private:
    // One read of `request` (a test pass first when it asks) into a new pending `output` for
    // the item (and `others` for its other formats): workerOutcome_ holds how it went. The
    // job's result when the outputs could not be created.
    std::optional<JobResult>
    readPass(ExtractRequest& request, const WorkItem& item,
             std::shared_ptr<outputfile::PendingOutput>& output,
             std::vector<std::shared_ptr<outputfile::PendingOutput>>& others);

    std::shared_ptr<const std::vector<ExtractRequest>> requests_;
    std::shared_ptr<std::vector<ExtractOutcome>> outcomes_;
    int workerIndex_ = -1; // the item the worker ran
    ExtractOutcome outcome_;
    ExtractOutcome workerOutcome_; // written by the worker, read once it has ended
};
