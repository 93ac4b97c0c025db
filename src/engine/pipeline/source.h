#pragma once

#include "engine/pipeline/audioformat.h"
#include "engine/platform/error.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>

// Where a conversion's audio comes from: one audio file, decoded to the pipeline's samples.
namespace pipeline {

// One open source, read from start to end. Not thread-safe; it may be handed from one thread
// to another between calls.
class Source {
  public:
    virtual ~Source() = default;

    // The format of every block read (fixed for the whole source).
    virtual const AudioFormat& format() const = 0;
    // The length in sample frames the file announces; -1 when it does not say. A source that
    // ends short of an announced length is incomplete (see read).
    virtual std::int64_t announcedFrames() const = 0;
    // The length in sample frames to measure progress against: the announced length, or an
    // estimate where the file gives none (an MP3 without a LAME/Info frame, from its size);
    // -1 when nothing tells.
    virtual std::int64_t expectedFrames() const { return announcedFrames(); }
    // Reads up to `maxFrames` sample frames into `samples` (room for maxFrames x channels) and
    // returns how many it read; 0 at the end. Fails, with what was read before kept, when the
    // file is damaged or ends short of what it announces (a truncated FLAC, a frame or MD5
    // error, a corrupt Ogg page): the reason names the file as the user knows it and says
    // "incomplete" where the audio ends early. `stop`, when given, is looked at between units
    // of decoding; a set stop returns what was read so far (possibly 0).
    virtual Result<std::int64_t> read(std::int32_t* samples, std::int64_t maxFrames,
                                      const std::atomic<bool>* stop = nullptr) = 0;
    // A name for the decoder, for the `info` command and messages ("FLAC", "Ogg Vorbis",
    // "AAC (M4A)", "ALAC (M4A)", "WAV", "MP3").
    virtual QString codecName() const = 0;
    // Bits per second of the coded audio as the file states it or its size gives it (an
    // average for a variable rate); 0 when unknown.
    virtual std::int64_t bitRate() const { return 0; }
};

// Opens `path` as a source, choosing the reader from the file's content, never from its
// name: WAV (the program's WAV reader), MP3 (libmpg123, gapless), FLAC (libFLAC, its MD5
// signature checked at the end), anything else through FFmpeg (Ogg Vorbis, Opus, M4A with
// AAC or ALAC, AIFF, WavPack ...; of a file with several streams, the first audio stream).
// Fails with a reason the user can act on: the file is missing or empty, holds no audio
// stream, is protected (DRM), or is in no format the program reads.
Result<std::unique_ptr<Source>> openSource(const QString& path);

// Opens `path` with one reader only, for a batch that converts files of that format: a
// RIFF/WAVE file of integer PCM or floating-point samples (the program's WAV reader), or MPEG
// audio (libmpg123). A file of any other content fails, naming the file and why, where
// openSource would have found another reader for it.
Result<std::unique_ptr<Source>> openWavSource(const QString& path);
Result<std::unique_ptr<Source>> openMp3Source(const QString& path);

// True when `path`'s name ends in an extension of a format openSource reads (for listing
// folders and file dialogs; opening still goes by content).
bool hasAudioExtension(const QString& path);
// The extensions of audio files other than WAV and MP3 ("flac", "ogg", "oga", "opus", "m4a",
// "aac", "aif", "aiff", "wv", ...), lower case, without dots.
const QStringList& otherAudioExtensions();

} // namespace pipeline
