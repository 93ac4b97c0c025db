#pragma once

#include "platform/error.h"

#include <QString>

#include <cstdint>

// What a RIFF/WAVE file's "fmt " and "data" chunks say.
struct WavFormat {
    std::uint16_t formatTag = 0; // 1 = PCM, 0xFFFE = extensible (see subFormatTag)
    std::uint16_t subFormatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::int64_t dataOffset = 0; // file offset of the first audio byte
    std::int64_t dataLength = 0; // audio bytes actually present in the file
    bool dataTruncated = false;  // the data chunk announced more bytes than the file holds

    bool isPcm() const { return formatTag == 1 || (formatTag == 0xFFFE && subFormatTag == 1); }
    bool isPcm16() const { return isPcm() && bitsPerSample == 16; }
    // CD format: PCM, 2 channels, 44,100 Hz, 16-bit.
    bool isCdFormat() const { return isPcm16() && channels == 2 && sampleRate == 44100; }
    std::int64_t frameCount() const { return blockAlign ? dataLength / blockAlign : 0; }
};

// Reads the RIFF chunks of `path`: walks them in order (odd sizes padded), takes the first
// "fmt " and the first "data" after it. Fails with a readable description for a file that
// is missing, not RIFF/WAVE, has no or a short "fmt " chunk, no "data" chunk, or whose
// chunk headers run past the end of the file. A data chunk longer than what the file holds
// is accepted with the length present (dataTruncated set): the audio that is there is good.
Result<WavFormat> readWavFormat(const QString& path);
