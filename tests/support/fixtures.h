#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Generated test material.
namespace fixtures {

// Interleaved 16-bit samples of a sine of `frequencyHz` at `amplitude` (0..1), the same in
// every channel.
std::vector<std::int16_t> sine(double frequencyHz, double seconds, int sampleRate = 44100,
                               int channels = 2, double amplitude = 0.5);

// A canonical 44-byte-header PCM WAV of `samples`.
QByteArray wavBytes(const std::vector<std::int16_t>& samples, int sampleRate = 44100,
                    int channels = 2);

// Writes `bytes` to `path`; fails the running test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// Frequency of the strongest sine in one channel of interleaved samples, from its
// zero crossings; good to a few Hz for a clean tone of a second or more.
double dominantFrequency(const std::vector<std::int16_t>& interleaved, int sampleRate, int channels,
                         int channel = 0);

// A tone as it was heard through a real sound server: how long it sounded, and its frequency
// and level while it sounded. Pauses inside it (a busy machine's late buffer) are left out
// of all three, so scheduling jitter is told apart from a wrong tone (a wrong rate shifts the
// frequency, lost audio shortens the time). Measured in 5 ms blocks of one channel whose peak
// passes `threshold`: the time is good to a block per edge.
struct HeardTone {
    double seconds = 0;
    double frequency = 0;
    double rms = 0;
    int pauses = 0; // silent stretches between sounding ones
};
HeardTone heardTone(const std::vector<std::int16_t>& interleaved, int sampleRate, int channels,
                    int threshold, int channel = 0);

// Little-endian field readers for checking produced headers.
std::uint32_t le32(const QByteArray& bytes, int offset);
std::uint16_t le16(const QByteArray& bytes, int offset);

} // namespace fixtures
