#pragma once

#include "engine/pipeline/encoder.h"

#include <array>
#include <cstdint>

namespace pipeline {

// How a WAV stores samples of a format: PCM in whole bytes, narrower samples at the top of
// their container. The plain 16-byte "fmt " chunk serves one or two channels of 8 or 16 bits;
// anything else is WAVE_FORMAT_EXTENSIBLE with the valid bits and the usual channel mask of
// its channel count (none above eight channels).
struct WavLayout {
    explicit WavLayout(const AudioFormat& format);

    AudioFormat format;
    int containerBytes = 2;
    bool extensible = false;

    int blockAlign() const { return containerBytes * format.channels; }
    int headerBytes() const { return extensible ? 68 : 44; }
    // The most audio bytes the 32-bit RIFF size can describe (with a pad byte after an odd
    // length).
    std::int64_t maxDataBytes() const;
};

// The header of a WAV of `layout` announcing `dataBytes` bytes of audio (at most
// layout.maxDataBytes()); headerBytes() long.
std::array<unsigned char, 68> wavHeader(const WavLayout& layout, std::int64_t dataBytes);

// The channel mask of WAVE_FORMAT_EXTENSIBLE for the usual layout of `channels` channels
// (mono, stereo, 3.0, quad, 5.0, 5.1, 6.1, 7.1); 0 (unspecified) above eight.
std::uint32_t waveChannelMask(int channels);

// A WAV at the input's rate, channels and width. The header goes out first, announcing
// target.expectedFrames (or nothing when unknown), and is rewritten by finish() when the
// audio written differs. An output the RIFF sizes cannot describe (over 4 GiB) is refused:
// at once when the expected length says so, else by the write that would pass the limit.
Result<std::unique_ptr<Encoder>> makeWavEncoder(const AudioFormat& input,
                                                const EncoderTarget& target);

} // namespace pipeline
