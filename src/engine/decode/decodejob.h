#pragma once

#include "engine/core/workerjob.h"

#include <QString>

#include <atomic>
#include <chrono>

class QTimer;

// One MP3 file to one WAV: the file job of the decoding batch, the MP3-to-WAV case of the
// conversion pipeline (pipeline::convertFile, reading MPEG audio only) on a worker thread of
// its own. The WAV is 16-bit PCM at the MP3's own rate and channel count with a 44-byte
// header and nothing after its audio; an MP3 that records its encoder delay and padding gives
// exactly the samples that were encoded.
//
// Its progress is the share of the audio decoded, looked at every 500 ms ("42%", halves to
// the even neighbour), then "100 %" for a complete file; a decode that failed or was stopped
// is never shown as "100 %". A source that is gone, 99 bytes or less, not MPEG audio, or an
// output that cannot be written fails the item before anything is written, with the reason.
// A cancel ends the decode after the block under way: the WAV written so far ends properly.
//
// The object lives on the GUI thread; the decoding runs on the worker thread it starts.
class DecodeJob final : public WorkerJob {
    Q_OBJECT
  public:
    explicit DecodeJob(QObject* parent = nullptr);
    ~DecodeJob() override; // ends a running decode after its current block and waits

    // How often the progress is looked at.
    static constexpr std::chrono::milliseconds progressInterval{500};

  protected:
    void prepare(const WorkItem& item) override;
    JobResult work(const WorkItem& item) override;
    void collected() override;

  private:
    void showProgress();

    QTimer* progressTick_; // child
    // The percent decoded, written by the worker and looked at by the tick; -1 while the
    // length to measure against is unknown.
    std::atomic<double> percent_{-1};
};
