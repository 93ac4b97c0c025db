#pragma once

#include "engine/core/workerjob.h"
#include "engine/encode/modlame.h"
#include "engine/pipeline/mp3fileencoder.h"

#include <QString>

#include <functional>

// The percentage caption of an encode: at least two integer digits, one decimal, then "%"
// ("07.5%").
QString percentCaption(double percent);

// The configuration record of the file encoder: the bitrate and the quality preset the
// window's tables give for their list indexes (modLAME::bitrateForIndex, qualityPresetCode),
// and the file encoder's flags (original on; private, CRC, copyright off).
modLAME::EncoderConfig fileEncoderConfigFor(int bitrateIndex, int qualityIndex);

// About how many bytes the MP3 of `wavPath` at `bitrateKbps` takes (its audio's length at
// that constant bit rate, and room for the tag); -1 when the WAV cannot be read.
std::int64_t expectedMp3Bytes(const QString& wavPath, std::uint32_t bitrateKbps);

// One WAV file to one MP3 (encodeWavToMp3) on a worker thread of its own: the file job of
// the encoding batch.
//
// The object lives on the GUI thread; the encoding runs on the worker thread it starts.
class EncodeJob final : public WorkerJob {
    Q_OBJECT
  public:
    // `configure` gives the configuration record of each file, asked on the GUI thread when
    // the file starts; empty: 160 kbit/s, normal quality.
    explicit EncodeJob(std::function<modLAME::EncoderConfig()> configure = {},
                       QObject* parent = nullptr);
    ~EncodeJob() override; // ends a running encode after its current chunk and waits

    // The encoder's own account of the last file; final once finished() was emitted.
    const EncodeOutcome& outcome() const { return outcome_; }

  protected:
    void prepare(const WorkItem& item) override;
    JobResult work(const WorkItem& item) override;
    void collected() override { outcome_ = workerOutcome_; }

  private:
    std::function<modLAME::EncoderConfig()> configure_;
    modLAME::EncoderConfig config_ = modLAME::makeConfig(160, 0); // the file's, set by prepare
    EncodeOutcome outcome_;
    EncodeOutcome workerOutcome_; // written by the worker, read once it has ended
};
