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

// Little-endian field readers for checking produced headers.
std::uint32_t le32(const QByteArray& bytes, int offset);
std::uint16_t le16(const QByteArray& bytes, int offset);

} // namespace fixtures
