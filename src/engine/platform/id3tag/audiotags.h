#pragma once

#include "engine/platform/error.h"
#include "engine/platform/id3tag/id3tag.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The tags of any audio file the program reads or writes, over TagLib: ID3v2 in MP3 (the
// frames id3tag writes), Vorbis comments in FLAC, Ogg Vorbis and Opus, MP4 atoms in M4A,
// and what TagLib reads of the others (RIFF INFO, AIFF's ID3, APE in WavPack). Plain values,
// usable on any thread; one file is read or written by one thread at a time.
namespace audiotags {

// An embedded picture, as ID3v2's APIC and FLAC's PICTURE block describe one.
struct Picture {
    int type = 3;     // the ID3v2/FLAC picture type: 3 is the front cover
    QString mimeType; // "image/jpeg", "image/png"
    QString description;
    QByteArray data;
    bool operator==(const Picture&) const = default;
};

// ReplayGain in its own terms: the gain in dB to reach the reference loudness (89 dB SPL,
// -18 LUFS) and the peak as a fraction of full scale.
struct Gain {
    double gainDb = 0;
    double peak = 0;
    bool operator==(const Gain&) const = default;
};

// The fields carried from a source to every output. An empty text (a number 0, an empty
// optional) is absent.
struct AudioTags {
    QString title;
    QString artist;
    QString albumArtist;
    QString album;
    QString date; // as the source gives it ("2001", "2001-05-12")
    QString genre;
    QString composer;
    QString comment;
    int trackNumber = 0;
    int trackTotal = 0;
    int discNumber = 0;
    int discTotal = 0;
    QString isrc;
    QString catalogNumber;
    // MusicBrainz identifiers.
    QString releaseId;      // "MusicBrainz Album Id" / MUSICBRAINZ_ALBUMID
    QString recordingId;    // the track's recording: UFID / MUSICBRAINZ_TRACKID
    QString releaseTrackId; // MUSICBRAINZ_RELEASETRACKID
    QString artistId;       // MUSICBRAINZ_ARTISTID
    QString albumArtistId;  // MUSICBRAINZ_ALBUMARTISTID
    QString releaseGroupId; // MUSICBRAINZ_RELEASEGROUPID
    QString discId;         // MUSICBRAINZ_DISCID
    std::optional<Gain> trackGain;
    std::optional<Gain> albumGain;
    std::vector<Picture> pictures;

    bool operator==(const AudioTags&) const = default;
};

// Reads the tags of `path` whatever its format (found from its content, not its name).
// A file TagLib does not know, or one without tags, gives empty tags; a file that cannot be
// opened fails with the reason. Pictures larger than `maxPictureBytes` each are left out.
// ReplayGain is read in each format's convention (REPLAYGAIN_* Vorbis comments and TXXX
// frames, Opus's R128_*_GAIN relative to -23 LUFS, MP4 "----:com.apple.iTunes:" atoms).
Result<AudioTags> read(const QString& path, std::int64_t maxPictureBytes = 16 << 20);

// The container an output's tags are written in.
enum class Container { Mp3, Flac, Opus, Wav };

// Writes `tags` into the output `fd` (open for reading and writing, under its temporary
// name, its audio complete), in `container`'s convention: ID3v2.4 at the start of an MP3,
// Vorbis comments and PICTURE blocks in FLAC (using its padding where it fits), an
// OpusTags packet with R128 gains and METADATA_BLOCK_PICTURE in Opus, a RIFF INFO list in a
// WAV (title, artist, album, and what else it has a chunk for). Tags the output already has
// that `tags` names are replaced (an empty field removes them, a picture list replaces the
// pictures); the audio keeps every byte. A picture larger than a FLAC metadata block holds
// (16 MiB) is left out of a FLAC. `path` names the file in messages; `fd` stays open. Fails
// with the reason, naming `path`, also when the save left the file short of its audio or tags.
std::optional<VortanError> write(int fd, const QString& path, Container container,
                                 const AudioTags& tags);

// The tags a rip gives its tracks (ReplayGain as the texts "+5.00 dB" and "0.070795"), as
// AudioTags, so a FLAC or Opus track carries what an MP3 track does.
AudioTags fromTagFields(const id3tag::TagFields& fields);

} // namespace audiotags
