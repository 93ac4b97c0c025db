#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <cstdint>

// How the samples of uncompressed audio are stored: integer PCM (8-bit unsigned, the wider
// ones signed) or IEEE floating point (full scale +-1.0), little-endian, one sample per
// channel in each sample frame with nothing between them.
enum class WavSampleType { Unsupported, Int8, Int16, Int24, Int32, Float32, Float64 };

// What a RIFF/WAVE file's "fmt " and "data" chunks say.
struct WavFormat {
    static constexpr std::uint16_t pcmTag = 1;
    static constexpr std::uint16_t floatTag = 3;
    static constexpr std::uint16_t extensibleTag = 0xFFFE;

    std::uint16_t formatTag = 0; // pcmTag, floatTag, extensibleTag (see subFormatTag), ...
    // For extensibleTag: the format tag its subformat GUID carries; 0 when the extension is
    // missing or the GUID is not one of the WAVE format family's.
    std::uint16_t subFormatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::int64_t dataOffset = 0;          // file offset of the first audio byte
    std::int64_t dataLength = 0;          // audio bytes actually present in the file
    std::int64_t announcedDataLength = 0; // what the data chunk's header says it holds
    bool dataTruncated = false;           // the data chunk announced more bytes than the file holds

    // The format tag that tells how the samples are coded, the extensible one resolved.
    std::uint16_t codingTag() const {
        return formatTag == extensibleTag ? subFormatTag : formatTag;
    }
    bool isPcm() const { return codingTag() == pcmTag; }
    bool isPcm16() const { return isPcm() && bitsPerSample == 16; }
    // CD format: PCM, 2 channels, 44,100 Hz, 16-bit.
    bool isCdFormat() const { return isPcm16() && channels == 2 && sampleRate == 44100; }
    std::int64_t frameCount() const { return blockAlign ? dataLength / blockAlign : 0; }
    // Milliseconds of audio in `bytes` of data.
    std::int64_t durationMs(std::int64_t bytes) const {
        return blockAlign && sampleRate ? bytes / blockAlign * 1000 / sampleRate : 0;
    }
    // Unsupported unless the coding, the sample width and the block alignment (channels x
    // width) agree on one of the layouts above. The extensible format's valid-bits figure is
    // not needed: narrower samples sit in the high bits of their container.
    WavSampleType sampleType() const;
};

// Reads the RIFF chunks of `path`: walks them in order (odd sizes padded), takes the first
// "fmt " and the first "data" after it. Fails with a readable description for a file that
// is missing, not RIFF/WAVE, has no or a short "fmt " chunk, no "data" chunk, or whose
// chunk headers run past the end of the file. A data chunk longer than what the file holds
// is accepted with the length present (dataTruncated set): the audio that is there is good.
Result<WavFormat> readWavFormat(const QString& path);

// The texts of a RIFF/WAVE file's "LIST" chunk of type "INFO": its INAM, IART and IPRD
// entries. Empty where the file has none.
struct WavInfoTexts {
    QString title;  // INAM
    QString artist; // IART
    QString album;  // IPRD
};

// Walks the RIFF chunks of `path` (odd sizes padded) for the first "LIST"/"INFO" chunk and
// reads its entries, each bounded by its list and the file: a chunk or entry that runs past
// either ends the walk with what was read. Texts end at their first zero byte and are taken
// as UTF-8, or as ISO-8859-1 where they are not valid UTF-8; surrounding spaces are removed.
// A file that cannot be read gives empty texts: the texts are optional.
WavInfoTexts readWavInfoTexts(const QString& path);
