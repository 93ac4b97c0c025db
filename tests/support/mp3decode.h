#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Decodes MP3 files with libmpg123 for checking what the program produced.
namespace mp3decode {

// What one MPEG audio frame's header says.
struct FrameInfo {
    int version = 0; // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;   // 1, 2 or 3
    long rate = 0;   // Hz
    int mode = 0;    // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int bitrateKbps = 0;
    bool crc = false;
    bool copyright = false;
    bool privateBit = false;
    bool original = false;
};

struct Decoded {
    bool ok = false;
    QString error; // why decoding failed
    long rate = 0; // of the decoded audio
    int channels = 0;
    std::vector<std::int16_t> samples; // interleaved
    std::vector<FrameInfo> frames;     // one per decoded frame, in file order

    std::size_t sampleFrames() const {
        return channels ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
    double seconds() const { return rate ? static_cast<double>(sampleFrames()) / rate : 0.0; }
};

// The whole file as signed 16-bit samples at its own rate and channel count. A file with no
// decodable frame gives ok = false.
Decoded decodeFile(const QString& path);

} // namespace mp3decode
