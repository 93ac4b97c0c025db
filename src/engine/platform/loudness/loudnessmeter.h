#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The ReplayGain 2.0 values of a track or an album: the gain that brings its loudness to the
// reference of -18 LUFS, and its largest sample magnitude (1.0 = full scale).
struct ReplayGain {
    double gainDb = 0;
    double peak = 0;

    static constexpr double referenceLufs = -18.0;
    // "+5.00 dB", "-3.21 dB"
    QString gainText() const;
    // "0.070795": the peak as a linear ratio
    QString peakText() const;
};

// The loudness of one stream of interleaved audio as it is fed: its integrated loudness
// (EBU R 128, gated) and its sample peak. Samples are scaled as the encoder takes them:
// 16-bit and 32-bit integers over their full range, floats with full scale at +-1.0.
//
// Fed by one thread at a time; once feeding has ended it may be read from any thread.
class LoudnessMeter {
  public:
    // Fails with the library's refusal (a channel count or rate it cannot measure).
    static Result<std::unique_ptr<LoudnessMeter>> make(int channels, std::uint32_t sampleRate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // `sampleCount` counts all channels: whole sample frames. Fails when the library cannot
    // take them (out of memory).
    std::optional<VortanError> add(const std::int16_t* samples, std::size_t sampleCount);
    std::optional<VortanError> add(const std::int32_t* samples, std::size_t sampleCount);
    std::optional<VortanError> add(const float* samples, std::size_t sampleCount);

    // Integrated loudness in LUFS; nothing for silence or audio shorter than one 400 ms
    // measuring block, which have no loudness to correct.
    std::optional<double> loudness() const;
    // The largest sample magnitude over all channels, 1.0 = full scale.
    double peak() const;
    // The track's ReplayGain; nothing where loudness() gives nothing.
    std::optional<ReplayGain> replayGain() const;

    // The ReplayGain of several streams as one album: their loudness together (the gating
    // over all of their blocks) and the largest of their peaks. Nothing when there is no
    // meter or the whole is silent.
    static std::optional<ReplayGain> albumGain(const std::vector<const LoudnessMeter*>& meters);

  private:
    struct State; // the library's state, which it names only by an unnamed struct
    explicit LoudnessMeter(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};
