#pragma once

#include "engine/pipeline/audioformat.h"
#include "engine/pipeline/encoder.h"
#include "engine/pipeline/source.h"
#include "engine/platform/error.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// One audio file converted to one or more others: the source is decoded once and its samples
// go to every output. Runs on the calling thread (a worker's).
namespace pipeline {

// One file to write: its format, the name wanted for it, and the encoder's choices.
struct ConvertOutput {
    OutputFormat format = OutputFormat::Mp3;
    QString path;
    EncoderSettings settings;
};

// Opens a conversion's source: openSource, or the reader of the one format a batch takes.
using SourceOpener = Result<std::unique_ptr<Source>> (*)(const QString& path);

// Sample frames decoded and handed on at a time unless a request says otherwise: small
// enough to keep a conversion's memory bounded whatever the file's length, large enough that
// the calls cost nothing.
inline constexpr std::int64_t defaultBlockFrames = 4096;

struct ConvertRequest {
    QString sourcePath;
    std::vector<ConvertOutput> outputs;
    SourceOpener sourceOpener = openSource;
    // Sample frames per block: each block is decoded, handed to every output, then
    // `cancelled` and `progress` are called. A cancel ends the outputs at a block's end.
    std::int64_t blockFrames = defaultBlockFrames;
    // The source is read under a shared lock (flock): a file another job is writing (under
    // its exclusive lock) fails as "in use" before anything is written; other readers are
    // welcome.
    bool lockSource = false;
    // Every output gets the source's tags (and an MP3 its measured ReplayGain, see
    // convertFile). False: no output is tagged, each holds exactly what its encoder wrote.
    bool carryTags = true;
    // The title the outputs get when the source's tags give none; empty: none.
    QString defaultTitle;
    // Given to every output when the source carries no picture of its own (an album folder's
    // cover); none when empty.
    std::optional<audiotags::Picture> pictureWhenNone;
};

// How one output ended.
struct ConvertedOutput {
    // Where it was put: the name wanted, or the collision rule's next number when that was
    // taken meanwhile; empty when no file was kept.
    QString path;
    std::optional<VortanError> error; // why this output failed (nothing kept then)
    std::int64_t bytesWritten = 0;    // audio and tags
    bool begun = false; // its file was created and its encoder took the source's format
};

struct ConvertOutcome {
    enum class Status {
        Completed, // every output holds the whole source, tagged and in place
        Cancelled, // ended early on request; every output kept is shorter but properly ended
        Failed,    // see error: the first failure. A source that failed midway leaves each
                   // output as far as it goes; an output that failed is removed
    };
    Status status = Status::Failed;
    VortanError error;
    std::int64_t framesRead = 0;          // sample frames decoded from the source
    std::int64_t announcedFrames = -1;    // what the source announced; -1 unknown
    AudioFormat sourceFormat;             // the source's, once it was opened
    std::vector<ConvertedOutput> outputs; // one per request output, in its order
};

// Converts `request` (see ConvertOutcome for how it ends). The source is opened by its content
// (request.sourceOpener: openSource unless the request names another reader) and only read.
// Each output is written under a temporary name beside the wanted one
// (outputfile::PendingOutput) and takes its name, never replacing a file, once it is
// complete: encoded, ended, tagged and on the disk. An output whose encoder refuses the
// source's format (an MP3 of more than two channels) is never begun; the others go on.
//
// Every output gets the source's tags (audiotags::read; a WAV's INFO texts in Latin-1 too, as
// the program's WAV reader takes them), unless the request asks for none. An MP3 of
// a source without a track ReplayGain gets one measured over the samples the source decodes
// to; the other formats carry the source's gain, or none.
//
// A source that fails midway (damaged, truncated, shorter than it announces) ends every output
// properly with what was decoded, keeps it under its name, and fails with the source's reason
// ("<source>: the file is incomplete ..."). A source that gives not a single sample frame
// (empty, or failing at once) fails and leaves no file. An encoder or file failure removes that
// output and fails with its reason; the other outputs go on.
//
// `cancelled` is asked after each block of samples; true ends every output there, properly
// (each kept, shorter). `progress` gets the percent of the source decoded after each block,
// when the source announces or estimates its length (Source::expectedFrames; held at 100
// when an estimate falls short). Either may be empty.
ConvertOutcome convertFile(const ConvertRequest& request, const std::function<bool()>& cancelled,
                           const std::function<void(double percent)>& progress);

// About how many bytes `format` takes for the audio of a source of `input`'s format and
// `frames` sample frames with `settings`: a WAV's header and audio exactly (and room for its
// INFO list), MP3 and Opus by their bitrate, FLAC at about 60% of the PCM; with room for a tag
// without pictures. -1 when `frames` is unknown.
std::int64_t expectedOutputBytes(OutputFormat format, const AudioFormat& input, std::int64_t frames,
                                 const EncoderSettings& settings);

} // namespace pipeline
