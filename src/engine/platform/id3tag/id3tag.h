#pragma once

#include "engine/platform/error.h"

#include <QString>

#include <cstdint>
#include <vector>

// The ID3v2.4 tag at the start of an MP3 file, over TagLib (the one place the program uses
// it). Plain values, usable on any thread; one file is tagged by one thread at a time.
namespace id3tag {

// The fields the program writes. An empty text (a number 0) writes no frame.
struct TagFields {
    QString title;       // TIT2
    QString artist;      // TPE1: the track's own artist
    QString albumArtist; // TPE2: the album's artist, also on tracks that have their own
    QString album;       // TALB
    QString date;        // TDRC: "YYYY", "YYYY-MM" or "YYYY-MM-DD"; another form is left out
    int trackNumber = 0; // TRCK "n/N", or "n" without a total
    int trackTotal = 0;
    // TPOS "n/N" (the disc of a set), written only when discNumber is 1 or more: a tag
    // written with no disc number keeps the one the file has.
    int discNumber = 0;
    int discTotal = 0;
    // MusicBrainz identifiers, in the frames taggers use for them.
    QString releaseId;   // TXXX "MusicBrainz Album Id"
    QString discId;      // TXXX "MusicBrainz Disc Id"
    QString recordingId; // UFID owned by "http://musicbrainz.org"
    QString isrc;          // TSRC: the recording's ISRC
    QString catalogNumber; // TXXX "CATALOGNUMBER": the disc's media catalogue number
    // ReplayGain: TXXX "REPLAYGAIN_TRACK_GAIN" ("+5.00 dB"), "REPLAYGAIN_TRACK_PEAK"
    // ("0.070795"), "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK".
    QString trackGain;
    QString trackPeak;
    QString albumGain;
    QString albumPeak;
    // COMM without a description (language "eng"), written only when not empty: a tag
    // written without a comment keeps the one the file has.
    QString comment;
};

// One ID3v2 frame as it is listed: its four-letter id and its text. A frame that names its
// value (TXXX by description, UFID by owner) reads "[name] value".
struct Frame {
    QString id;
    QString text;
};

// Writes `fields` into the ID3v2.4 tag of the MP3 `path`, creating the tag at the file's
// start when it has none. Every frame `fields` describes is replaced (or removed where the
// field is empty); other frames stay. Only the ID3v2 tag is saved: the audio and an ID3v1
// or APE tag at the end keep every byte. Returns the tag's size in the file (header and
// padding included; 0 when no frame is left, which removes the tag). Fails, naming the file and the
// reason, when the file cannot be opened for writing, is not an MPEG file, or the save fails or
// leaves the file not holding its audio whole after the new tag.
Result<std::int64_t> writeTag(const QString& path, const TagFields& fields);
// The same through `fd`, an MP3 open for reading and writing (an output under its temporary
// name): the tag goes in before the file takes its final name. `path` names it in messages;
// `fd` stays open, and its position is left anywhere.
Result<std::int64_t> writeTag(int fd, const QString& path, const TagFields& fields);

// Every frame of the ID3v2 tag of `path` in tag order; none when it has no ID3v2 tag. Fails
// when the file cannot be opened.
Result<std::vector<Frame>> readFrames(const QString& path);

} // namespace id3tag
