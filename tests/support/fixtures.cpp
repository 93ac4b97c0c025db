#include "fixtures.h"

#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fixtures {

std::vector<std::int16_t> sine(double frequencyHz, double seconds, int sampleRate, int channels,
                               double amplitude) {
    const auto frames = static_cast<std::size_t>(std::llround(seconds * sampleRate));
    std::vector<std::int16_t> out(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const double v =
            amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * frequencyHz * i / sampleRate);
        for (int c = 0; c < channels; ++c)
            out[i * channels + c] = static_cast<std::int16_t>(std::lround(v));
    }
    return out;
}

QByteArray wavBytes(const std::vector<std::int16_t>& samples, int sampleRate, int channels) {
    const auto dataLength = static_cast<std::uint32_t>(samples.size() * 2);
    QByteArray b;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.append(static_cast<char>(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        b.append(static_cast<char>(v));
        b.append(static_cast<char>(v >> 8));
    };
    b.append("RIFF");
    u32(dataLength + 36);
    b.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(static_cast<std::uint16_t>(channels));
    u32(static_cast<std::uint32_t>(sampleRate));
    u32(static_cast<std::uint32_t>(sampleRate * channels * 2));
    u16(static_cast<std::uint16_t>(channels * 2));
    u16(16);
    b.append("data");
    u32(dataLength);
    b.append(reinterpret_cast<const char*>(samples.data()), static_cast<qsizetype>(dataLength));
    return b;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

double dominantFrequency(const std::vector<std::int16_t>& interleaved, int sampleRate, int channels,
                         int channel) {
    // Count rising zero crossings, interpolated, between the first and the last one.
    double first = -1, last = -1;
    int crossings = 0;
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    for (std::size_t i = 1; i < frames; ++i) {
        const double a = interleaved[(i - 1) * channels + channel];
        const double b = interleaved[i * channels + channel];
        if (a < 0 && b >= 0) {
            const double t = (i - 1) + (-a) / (b - a);
            if (first < 0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * sampleRate / (last - first);
}

HeardTone heardTone(const std::vector<std::int16_t>& interleaved, int sampleRate, int channels,
                    int threshold, int channel) {
    const auto ch = static_cast<std::size_t>(channels);
    const std::size_t frames = interleaved.size() / ch;
    const std::size_t block = static_cast<std::size_t>(sampleRate) / 200;
    const auto at = [&](std::size_t frame) { return double(interleaved[frame * ch + channel]); };
    HeardTone tone;
    std::size_t soundingFrames = 0;
    double sumSquares = 0, crossingSpan = 0;
    int crossingIntervals = 0;
    bool inRun = false;
    double firstCrossing = -1, lastCrossing = -1;
    int crossings = 0;
    bool armed = false;
    const auto endRun = [&] {
        if (crossings >= 2) {
            crossingIntervals += crossings - 1;
            crossingSpan += lastCrossing - firstCrossing;
        }
        crossings = 0;
        firstCrossing = lastCrossing = -1;
        armed = false;
    };
    bool soundedBefore = false;
    for (std::size_t from = 0; from + block <= frames; from += block) {
        double peak = 0;
        for (std::size_t i = from; i < from + block; ++i)
            peak = std::max(peak, std::abs(at(i)));
        const bool sounding = peak > threshold;
        if (!sounding) {
            if (inRun)
                endRun();
            inRun = false;
            continue;
        }
        if (!inRun && soundedBefore)
            ++tone.pauses;
        const bool continues = inRun; // a crossing at the block's first frame counts
        inRun = soundedBefore = true;
        soundingFrames += block;
        for (std::size_t i = from; i < from + block; ++i) {
            sumSquares += at(i) * at(i);
            // A crossing counts once the sound went well below zero since the last one:
            // the faint noise around a tone's start and end would add crossings of its own.
            if (at(i) < -threshold / 2.0)
                armed = true;
            if (armed && (i > from || continues) && at(i - 1) < 0 && at(i) >= 0) {
                armed = false;
                const double t = double(i - 1) + -at(i - 1) / (at(i) - at(i - 1));
                if (firstCrossing < 0)
                    firstCrossing = t;
                lastCrossing = t;
                ++crossings;
            }
        }
    }
    endRun();
    tone.seconds = double(soundingFrames) / sampleRate;
    tone.rms = soundingFrames ? std::sqrt(sumSquares / double(soundingFrames)) : 0;
    tone.frequency = crossingSpan > 0 ? crossingIntervals * sampleRate / crossingSpan : 0;
    return tone;
}

std::uint32_t le32(const QByteArray& b, int o) {
    return static_cast<std::uint8_t>(b[o]) | (static_cast<std::uint8_t>(b[o + 1]) << 8) |
           (static_cast<std::uint8_t>(b[o + 2]) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[o + 3])) << 24);
}

std::uint16_t le16(const QByteArray& b, int o) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[o]) |
                                      (static_cast<std::uint8_t>(b[o + 1]) << 8));
}

} // namespace fixtures
