#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The audio that passes from a source to its encoders: interleaved signed integer samples,
// one std::int32_t per sample, right-justified at `bitsPerSample` bits (a 16-bit sample lies
// in -32768..32767, a 24-bit one in -8388608..8388607). Channels in the WAVE/FLAC order
// (front left, front right, centre, LFE, back left, back right, ...).
namespace pipeline {

struct AudioFormat {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 16; // 8 to 32
    // The samples are the source's own, exactly (WAV, FLAC, ALAC, AIFF, WavPack, a CD);
    // false: decoded from a lossy code (MP3, Vorbis, Opus, AAC), at 16 bits.
    bool lossless = true;

    bool valid() const {
        return sampleRate > 0 && channels > 0 && bitsPerSample >= 8 && bitsPerSample <= 32;
    }
    bool operator==(const AudioFormat&) const = default;
};

// Interleaved samples, `frames` sample frames of the format's channel count.
struct AudioBlock {
    const std::int32_t* samples = nullptr;
    std::int64_t frames = 0;
};

// The output formats the program writes.
enum class OutputFormat { Wav, Mp3, Flac, Opus };

// "wav", "mp3", "flac", "opus": the file extension (without the dot) and the CLI's name.
QString extensionOf(OutputFormat format);
// The format a name ("flac", "FLAC", ".flac") stands for; false when it names none.
bool outputFormatFromName(const QString& name, OutputFormat& format);
// "WAV", "MP3", "FLAC", "Opus": the format as the window and the messages name it.
QString displayNameOf(OutputFormat format);

} // namespace pipeline
