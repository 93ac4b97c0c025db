#pragma once

#include "engine/cd/cdextract.h"
#include "engine/pipeline/audioformat.h"
#include "engine/platform/error.h"
#include "engine/platform/loudness/loudnessmeter.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// One output of a track read once for several formats (ExtractTrackToFormats): takes each
// chunk of the track's CD audio (16-bit little-endian stereo) in order. A sink that failed
// is given nothing more; the track's other sinks go on. Used by one thread.
class TrackSink {
  public:
    virtual ~TrackSink() = default; // a sink not finished leaves its file as it is
    virtual std::optional<VortanError> write(const std::vector<unsigned char>& audio,
                                             std::int32_t frames) = 0;
    // Ends the file after `framesDone` frames: complete, tagged with `gain` (the ReplayGain of
    // the audio it holds), still pending. Call once.
    virtual std::optional<VortanError> finish(std::int32_t framesDone,
                                              const std::optional<ReplayGain>& gain) = 0;
};

// The sink of `format` for track `request` (its tags, its MP3 configuration, the FLAC level
// and Opus bitrate), writing through a duplicate of `fd` (a pending output's, left open);
// `path` names it in messages. A WAV and an MP3 are byte for byte the files
// ExtractTrackToWav and ExtractTrackToMp3 write; a FLAC or an Opus is pipeline::makeEncoder's,
// tagged through audiotags. Fails, with the reason, when the encoder refuses its setup.
Result<std::unique_ptr<TrackSink>> openTrackSink(const ExtractRequest& request,
                                                 pipeline::OutputFormat format, int fd,
                                                 const QString& path, std::int32_t totalFrames);
