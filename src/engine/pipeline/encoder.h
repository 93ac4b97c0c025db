#pragma once

#include "engine/encode/modlame.h"
#include "engine/pipeline/audioformat.h"
#include "engine/platform/error.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// Where a conversion's audio goes: one encoder per output file.
namespace pipeline {

// The choices of every output format, taken as values when a conversion starts.
struct EncoderSettings {
    // MP3: bitrate, quality preset, mode and flags; the input rate and channel count are
    // set from the source's format.
    modLAME::EncoderConfig mp3 = modLAME::makeConfig(160, 0);
    int flacLevel = 5;         // FLAC compression level, 0 (fastest) to 8 (smallest)
    int opusBitrateKbps = 128; // Opus bitrate, 6 to 510 kbit/s
};

inline constexpr int minFlacLevel = 0;
inline constexpr int maxFlacLevel = 8;
inline constexpr int defaultFlacLevel = 5;
inline constexpr int minOpusBitrateKbps = 6;
inline constexpr int maxOpusBitrateKbps = 510;
inline constexpr int defaultOpusBitrateKbps = 128;

// The file an encoder writes: an open, empty file (an output under way,
// outputfile::PendingOutput), written through a duplicate of `fd` so that `fd` stays open
// (for the tags and the commit) whatever happens. `path` names it in messages: the name the
// user will know it by, never its temporary one.
struct EncoderTarget {
    int fd = -1;
    QString path;
    // The sample frames the output will take, when known (a WAV's header is then written
    // for them at once and rewritten at the end only when the count differs); -1 unknown.
    std::int64_t expectedFrames = -1;
};

// One output being encoded. Used by one thread at a time.
class Encoder {
  public:
    virtual ~Encoder() = default; // an encoder not finished leaves its file as it is

    // Encodes a block in the format the encoder was made for. Fails with the encoder's
    // error or the file's ("<path>: <reason>"); only finish() is left to call then.
    virtual std::optional<VortanError> write(const AudioBlock& block) = 0;
    // Ends the stream (flushes the encoder, writes what ends the file: the MP3's LAME/Info
    // frame, the FLAC's STREAMINFO with its MD5 signature and the seek table, the Opus
    // stream's last page with its end trimming, the WAV's header) and flushes it to the
    // file. The file is then complete but not yet tagged nor put in place. Returns the
    // first failure of the whole output. Call once.
    virtual std::optional<VortanError> finish() = 0;
    // Bytes handed to the file so far.
    virtual std::int64_t bytesWritten() const = 0;
};

// Makes the encoder of `format` for audio in `input`, set up before anything is written: a
// configuration the encoder refuses (an MP3 of more than two channels or at a rate LAME does
// not take, an Opus of more than 8 channels, a FLAC of a width it does not take) fails with
// the reason and leaves the file empty.
//
// WAV keeps the input's rate, channels and width (PCM, WAVE_FORMAT_EXTENSIBLE above two
// channels or 16 bits); MP3 is LAME's, gapless through its LAME/Info frame; FLAC is
// libFLAC's with verify on, the MD5 signature, a seek table (one point every 10 s) and 8 KiB
// of padding for the tags; Opus is libopusenc's at 48 kHz (the source resampled), gapless
// through its pre-skip and end trimming, so it decodes to the source's length.
Result<std::unique_ptr<Encoder>> makeEncoder(OutputFormat format, const AudioFormat& input,
                                             const EncoderSettings& settings,
                                             const EncoderTarget& target);

} // namespace pipeline
