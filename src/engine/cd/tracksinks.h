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

// The samples of one chunk of a track, shared by each of its outputs: CD audio (16 bits,
// stereo, 44,100 Hz) widened to the pipeline's int32, interleaved.
using TrackSamples = std::shared_ptr<const std::vector<std::int32_t>>;

// One output of a track (ExtractTrackToFormats): the conversion pipeline's encoder of its
// format, given each chunk of the track in order. It encodes and writes on a thread of its
// own, so that the track's reading and each of its outputs go on at once; write() waits only
// while the sink is a few chunks behind. A sink that failed is given nothing more; the track's
// other sinks go on. Used by one thread (the extraction's).
class TrackSink {
  public:
    virtual ~TrackSink() = default; // a sink not finished leaves its file as it is
    // Hands the chunk over; the sink's first failure so far, if any (it then takes nothing
    // more).
    virtual std::optional<VortanError> write(TrackSamples samples) = 0;
    // Encodes what was handed over, ends the file and tags it, `gain` being the ReplayGain of
    // the audio it holds: complete, still pending. Returns the sink's first failure. Call once.
    virtual std::optional<VortanError> finish(const std::optional<ReplayGain>& gain) = 0;
};

// The sink of `format` for track `request`, writing through a duplicate of `fd` (a pending
// output's, left open); `path` names it in messages. The encoder is pipeline::makeEncoder's,
// set up with the request's MP3 configuration, FLAC level and Opus bitrate:
//  - a WAV starts with a CD-format header for the whole track (`totalFrames` sectors),
//    rewritten to the length written when fewer frames end up in it; it is not tagged;
//  - an MP3 gets the request's ID3v2 tag with the ReplayGain;
//  - a FLAC or an Opus gets the request's tags in its own convention (audiotags) with the
//    ReplayGain;
//  - an MP3, a FLAC and an Opus carry the request's pictures.
// What a file other than an MP3 has taken is flushed to the disk every 4 MiB as it is written
// (an MP3's writer flushes every chunk itself).
// Fails, with the reason, when the encoder refuses its setup.
Result<std::unique_ptr<TrackSink>> openTrackSink(const ExtractRequest& request,
                                                 pipeline::OutputFormat format, int fd,
                                                 const QString& path, std::int32_t totalFrames);
