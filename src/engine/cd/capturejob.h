#pragma once

#include "engine/core/batchrunner.h"
#include "engine/platform/loudness/loudnessmeter.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

// The recording format of a real-time capture, from the "Audio format" choice: 0 = mono,
// 1 = stereo (44,100 Hz, 16 bits); anything else gives all zeros, which the capture device
// refuses.
struct CaptureFormat {
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t channels = 0;
    std::uint32_t bitsPerSample = 0;
    std::uint32_t blockAlign = 0;
    std::uint32_t bytesPerSecond = 0;
    static CaptureFormat fromPreference(int audioFormat);
    // "set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec
    // 176400"
    QString setCommand() const;
};

// Where a track lies on the disc in milliseconds: it starts where the tracks before it end
// (the sum of their lengths) and lasts its own length. `lengthsMs` is indexed by track
// number (element 0 unused); tracks past `trackCount` or the table count nothing.
struct TrackSpan {
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    static TrackSpan of(int track, int trackCount, const std::vector<std::int32_t>& lengthsMs);
};

// The loudness of the 16-bit PCM WAV file `path` (its track's ReplayGain, and its share of the
// album's); none for a file that cannot be read or measured.
std::shared_ptr<const LoudnessMeter> measureWav(const QString& path);

// The real-time capture of one CD track: the disc plays the track alone on the audio output
// while the default input is recorded; the recording is then saved, under a temporary name
// beside the item's output, and takes its name once complete and synced (outputfile), a WAV
// in the chosen format. The name taken goes to `outputs` at the item's index. Everything goes
// through the media-control devices "capture" and "cd".
//
// The recording runs from before the track sounds to after it has sounded; what it keeps is
// placed by the player's reported position, never by when a timer fired: each watch reads the
// play position and the recording's position (the moment each is at) together, which tells
// which recorded moment sounded with which moment of the disc. The first steady stretch of
// readings places the track's first sample, the last one its last (so a pause of the sound on
// a busy machine, which moves every later reading on, moves only the end). On a PulseAudio
// null sink, loaded or not, the saved file held the track from its first sample to its last
// within a tenth of a millisecond at each edge; the watch's interval only decides how soon
// the job notices.
//
// The play position is watched every `watchInterval` by a timer of the job's own. cancel()
// (a stop or an abort of the batch) ends the track at once, keeping what was recorded from
// the track's start (Cancelled). A device that cannot be opened or set up fails the job
// before anything is recorded: its result's reason is the message to show ("Error opening
// waveaudio"...), and no file is written.
//
// GUI thread.
class CaptureJob final : public FileJob {
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds defaultWatchInterval{100};

    // Item k of the batch is the track at spans[k].
    CaptureJob(std::shared_ptr<const std::vector<TrackSpan>> spans,
               std::shared_ptr<std::vector<QString>> outputs, CaptureFormat format,
               std::chrono::milliseconds watchInterval = defaultWatchInterval,
               QObject* parent = nullptr);
    ~CaptureJob() override;

    void start(const WorkItem& item) override;
    void cancel() override;
    void cancelAndWait() override { cancel(); }
    JobResult result() const override { return result_; }

  private:
    void onTick();
    void fail(const QString& message);
    // The recording's position less the play position, read together while the track sounds;
    // none when the player is not sounding the track now, or the readings were too far apart
    // to trust.
    std::optional<double> readOffset() const;
    // Stops and saves the recording, keeping what was recorded of the track (from its first
    // sample, and up to its last once it has played out), and closes both devices. With
    // `failure`, the job fails with that reason.
    void finish(JobResult::Status status, bool played, const QString& failure = {});
    // The recorded positions, in ms, of the track's first sample and of the end of its last.
    std::optional<double> recordedStartMs() const;
    std::optional<double> recordedEndMs() const;

    std::shared_ptr<const std::vector<TrackSpan>> spans_;
    std::shared_ptr<std::vector<QString>> outputs_;
    int index_ = -1;
    TrackSpan span_;
    // The track's first sample and the end of its last, in ms from the disc's start: the disc
    // plays whole sectors, from the first that starts at or after the span's start.
    double trackStartMs_ = 0;
    double trackEndMs_ = 0;
    std::vector<double> offsets_; // the readings of this track, in order
    CaptureFormat format_;
    QTimer* tick_;       // child: the watch of the play position
    QString wantedPath_; // the name the recording is to take
    JobResult result_;
    bool running_ = false;
};
