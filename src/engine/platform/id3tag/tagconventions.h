#pragma once

#include "engine/platform/error.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QByteArray>
#include <QString>

#include <tiostream.h>

#include <optional>

// What reading and writing tags share: the formats' conventions for ReplayGain and
// pictures, and what a file is from its first bytes. Private to this folder.
namespace audiotags::detail {

VortanError tagError(int number, const QString& path, const QString& why);

// "image/jpeg" or "image/png" from the data's first bytes; empty for anything else.
QString mimeFromData(const QByteArray& data);
// The MIME type `picture` is written with: its own, or the one its data shows.
QString mimeOf(const Picture& picture);

// ReplayGain from its texts ("-7.03 dB", "0.988525"); none without a readable gain. A
// missing or unreadable peak is 0.
std::optional<Gain> gainOf(const QString& gainText, const QString& peakText);
QString gainText(double gainDb);                   // "+5.00 dB"
QString peakText(const std::optional<Gain>& gain); // "0.070795"; empty without a peak
// Opus's R128 gains: Q7.8 dB relative to -23 LUFS, 5 dB below ReplayGain's reference.
std::optional<Gain> r128Gain(const QString& text);
QString r128Text(double gainDb);

enum class Kind { Unknown, Mpeg, Flac, OggOpus, OggVorbis, OggFlac, Mp4, Wav, Aiff, WavPack };

// What the file in `stream` is, from its content. Leaves `stream` at its start: TagLib's
// File classes read from where the stream stands.
Kind kindOf(TagLib::IOStream& stream);

// Where the frames of the FLAC stream start (after "fLaC" and its metadata blocks, and an
// ID3v2 tag before them); 0 when the stream is not FLAC.
long flacAudioStart(TagLib::IOStream& stream);

} // namespace audiotags::detail
