#pragma once

#include "app/batchrunner.h"
#include "encode/modlame.h"
#include "encode/mp3fileencoder.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

// The percentage caption of an encode: at least two integer digits, one decimal, then "%"
// ("07.5%").
QString percentCaption(double percent);

// One WAV file to one MP3 (encodeWavToMp3) on a worker thread of its own: the file job of
// the encoding batch. Progress and the end are reported on the job's own thread through
// queued signals.
//
// The object lives on the GUI thread; the encoding runs on the worker thread it starts.
class EncodeJob final : public FileJob {
    Q_OBJECT
  public:
    // `configure` gives the configuration record of each file, asked when the file starts
    // (on the job's thread); empty: 160 kbit/s, normal quality.
    explicit EncodeJob(std::function<modLAME::EncoderConfig()> configure = {},
                       QObject* parent = nullptr);
    ~EncodeJob() override; // ends a running encode after its current chunk and waits

    void start(const WorkItem& item) override;
    void cancel() override;
    void cancelAndWait() override;
    JobResult result() const override;

    bool isRunning() const { return running_; }
    // The encoder's own account of the last file; final once finished() was emitted.
    const EncodeOutcome& outcome() const { return outcome_; }

  private:
    void collect(std::uint64_t generation);
    void join();

    std::function<modLAME::EncoderConfig()> configure_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    std::uint64_t generation_ = 0; // counts starts, so a late report of an old one is dropped
    EncodeOutcome outcome_;
    std::chrono::milliseconds workTime_{0};
    // Written by the worker, read after joining it.
    EncodeOutcome workerOutcome_;
    std::chrono::milliseconds workerTime_{0};
};
