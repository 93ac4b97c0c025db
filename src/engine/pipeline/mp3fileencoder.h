#pragma once

#include "engine/encode/modlame.h"
#include "engine/platform/error.h"

#include <QString>

#include <cstdint>
#include <functional>

// One WAV file to one MP3 file: the encoding batch's case of the conversion pipeline
// (pipeline::convertFile), reading the source with the program's WAV reader only.
struct EncodeRequest {
    QString sourcePath;
    QString outputPath; // the name wanted; see EncodeOutcome::outputPath for the one taken
    // Bitrate, quality preset, mode and flags. The input rate and channel count are taken
    // from the source's own header.
    modLAME::EncoderConfig config = modLAME::makeConfig(160, 0);
};

struct EncodeOutcome {
    enum class Status {
        Completed, // every audio byte of the source was encoded and the MP3 ended properly
        Cancelled, // ended early on request; the MP3 is shorter but properly ended
        Failed,    // see error. A failure of the encoder or of the output leaves no MP3; a
                   // source that failed midway (unreadable, shrank) or holds less than its
                   // header announces leaves the MP3 of what it held (see outputPath)
    };
    Status status = Status::Failed;
    VortanError error;             // set when Failed
    std::int64_t audioBytes = 0;   // audio bytes the source holds (whole sample frames)
    std::int64_t bytesEncoded = 0; // of those, passed to the encoder
    std::int64_t bytesWritten = 0; // MP3 bytes written, its ID3v2 tag included
    bool outputCreated = false;    // an output file was begun (under its temporary name)
    // Where the MP3 was put: the name wanted, or the collision rule's next number when that
    // was taken meanwhile; empty when no MP3 was kept.
    QString outputPath;
};

// Encodes `request` on the calling thread. The source is read through its RIFF chunks:
// 8-, 16-, 24- or 32-bit integer PCM or 32- or 64-bit floating point (plain or in the
// extensible format) in one or two channels at any rate the encoder takes is encoded at its
// real format (floating-point samples at 24 bits, held within full scale; a value that is not
// a number is silence); anything else, and a source without a single sample frame of audio,
// fails before the output is touched. The source is read under a shared lock: other readers
// (another encode of it) are welcome, a file another job is writing is refused as in use.
// A configuration record the encoder binding refuses fails with the binding's own error
// (modLAME::lameError) and leaves no file.
//
// The MP3 is written under a temporary name in the wanted name's folder
// (outputfile::PendingOutput), created only after the source and the encoder settings were
// accepted, and takes its final name (never replacing a file) only once it is complete:
// ended, tagged and flushed to the disk. A crash or a kill leaves only the temporary file.
//
// The MP3 starts with a LAME/Info frame recording the encoder delay and padding (written
// over the reserved first frame once everything else is written, also after a cancel), so
// gapless-aware decoders give back exactly the source's samples. The job fails when a write,
// the flush of a write, that last rewrite or the close of the output fails (with the
// system's reason), and when the encoder's flush fails (with the library's error).
//
// Every MP3 that was ended properly gets an ID3v2.4 tag in front of its first frame: the
// source's tags (the title, artist and album of its INFO list; the title defaulting to the
// source's name without its extension) and the track's ReplayGain, measured over the samples
// encoded. An MP3 ended early (cancelled, or its source failed midway) is tagged too, with
// the ReplayGain of the audio it holds. The job fails when the tag cannot be written. A
// source whose data chunk announces more than the file holds, or that shrinks while it is
// read, is encoded and tagged as far as it goes and fails as incomplete.
//
// `cancelled` is asked after each chunk of the encoder binding (modLAME::framesPerChunk
// MPEG frames); true ends the job there, flushing the encoder so the MP3 stays playable.
// `progress` gets the percent of the audio done after each chunk. Either may be empty.
EncodeOutcome encodeWavToMp3(const EncodeRequest& request, const std::function<bool()>& cancelled,
                             const std::function<void(double percent)>& progress);
