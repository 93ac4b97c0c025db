#pragma once

#include "engine/platform/error.h"

#include <QString>
#include <QStringList>

namespace cdiolib {
class DriveMedium;
}

#include <cstdint>
#include <memory>
#include <vector>

// The drives of the CD library (akrip.h) as the rest of the program sees them: the CD
// devices libcdio finds, then the disc images the user opened (for the run only), and the
// table of contents of the disc in a drive. Drive indexes are positions in that list, the
// same as the host adapter numbers of akrip's records.
//
// Thread-safe (the library's mutex).
namespace cddrives {

struct Drive {
    QString id;   // identification text: "vendor model revision", or the image's
                  // file name
    QString path; // device node, or the cue sheet
    bool isImage = false;
};

// The drives now: devices first (found once, at the first call), then images.
std::vector<Drive> drives();

// What registering an image found.
struct ImageReport {
    int driveIndex = -1;
    QString displayName; // the drive's identification text
    // One line per track the data does not hold completely ("Track 3 is incomplete: 1:02 of
    // 3:05", "Track 4 is missing"); empty when the image is whole. Whole sectors count (a cut
    // one is missing). The last track of a binary file ends where the data does, so only a cut
    // sector makes it incomplete; a WAVE file's tracks end where its header says, so a file
    // that holds less makes them incomplete. The disc then holds what the sheet says, and
    // reading what the files lack fails naming the file; a track that starts past the end of a
    // lone binary file is not in the table of contents, and the lead-out is where its data ends.
    QStringList incompleteTracks;
};

// Opens the cue sheet `cuePath` and adds it as a drive after the devices and the images
// added before. The data files are those the cue's FILE lines name (relative to the cue's
// folder), whatever their names, byte for byte; where no file of the name exists, a '' in it
// is read as a folder separator, and then a name that differs in case only is taken when its
// folder holds exactly one. Binary files and WAVE files of CD audio, one or several: those
// other than a lone binary file without PREGAP are joined into one private copy, each PREGAP
// as silence that moves the tracks after it. Registering the same cue (the same file, however
// reached) again answers its existing drive. The drive's identification text is the cue's file
// name; when another drive has that text already, its folder's name and the file name
// ("b/album.cue"), or that with a number. Fails, naming the file and the reason, when it is not
// a regular file or not a valid cue sheet (cuesheet::parse), a data file is missing (saying
// what else was looked for), not a regular file (a folder, a FIFO, a link that leads nowhere),
// cannot be opened, of another type, a WAVE file that is not CD audio, or one before the last
// that does not hold whole sectors, the data holds none of its tracks, the library refuses it
// (its reason, or the system's when a resource ran out), or eight drives exist already.
//
// The private copy libcdio reads lives in a folder "vortan-disc-<process id>-XXXXXX" of the
// temporary folder, removed when the program ends; folders of processes that no longer run
// (ended by a crash or a kill) are removed by each registration.
Result<ImageReport> registerImage(const QString& cuePath);
// Registers the image `cuePath` as registerImage does, as a drive whose every audio read
// goes to `medium` (a drive model with its own timing, errors and C2 reports). For tests and
// benches only: nothing the user can choose reaches it. A handle opened on the drive before
// keeps the reads it had.
Result<ImageReport> registerSimulatedDrive(const QString& cuePath,
                                           std::shared_ptr<cdiolib::DriveMedium> medium);
// Removes every registered image (their handles are closed). For tests.
void forgetImages();

// The drive the media-control layer's "cdaudio" device opens: the one chosen last, else
// the first drive. -1 when there is no drive.
int mediaDrive();
void setMediaDrive(int driveIndex);

// A disc's table of contents.
struct DiscToc {
    int firstTrack = 1;
    std::vector<std::int32_t> trackStartLba; // track firstTrack + i starts at [i]
    std::int32_t leadOutLba = 0;             // after the last track, a data track included
    bool audioOnly = true;                   // no data track
    std::vector<bool> trackIsAudio; // per track, as trackStartLba; empty: every track is audio
    // Where each track's content ends (exclusive), as trackStartLba; empty: at the next
    // track's start, the last at the lead-out. An audio track before a data track ends where
    // its audio does (on an Enhanced CD the first session's lead-out, 11,400 sectors before
    // the data track).
    std::vector<std::int32_t> trackEndLba;
    // Tracks an image's cue sheet lists that its data file does not hold (see cdiolib::Layout).
    std::vector<int> missingTracks;
    // Each track's INDEX 00 (where its pregap starts), as trackStartLba; -1 where the track
    // has none or the drive does not say (see indexesReported).
    std::vector<std::int32_t> pregapLba;
    // INDEX 02, 03... of each track, as trackStartLba.
    std::vector<std::vector<std::int32_t>> laterIndexLba;
    // False when the drive does not report pregaps and indexes (an image's sheet always does).
    bool indexesReported = true;
    QString catalog;           // the media catalogue number (13 digits); empty when unknown
    std::vector<QString> isrc; // per track, as trackStartLba; empty where unknown
    // Audio before the first track's INDEX 01 that is not silence (no sample beyond +-16): a
    // hidden track, number 0, over sectors 0 to hiddenTrackSectors; 0 when there is none.
    std::int32_t hiddenTrackSectors = 0;

    int trackCount() const { return static_cast<int>(trackStartLba.size()); }
    int lastTrack() const { return firstTrack + trackCount() - 1; }
    // The position of track `number` in the lists above; -1 when the disc has no such track.
    int indexOf(int number) const;
    bool isAudio(int i) const;
    // Sectors of track firstTrack + i: from its start to its end.
    std::int32_t trackSectors(int i) const;
    std::int32_t trackEnd(int i) const;
    // Sectors from track firstTrack + i's INDEX 00 to its INDEX 01; 0 when it has none.
    std::int32_t pregapSectors(int i) const;
    // The ISRC of track `number`; empty when unknown.
    QString isrcOf(int number) const;
    // The audio tracks' starts, in order.
    std::vector<std::int32_t> audioStarts() const;
    // Track numbers of the first and last audio tracks; 0 when there is no audio track.
    int firstAudioTrack() const;
    int lastAudioTrack() const;
    // Where the audio session ends: the end of the last audio track when a data track follows
    // it (an Enhanced CD), else the lead-out.
    std::int32_t audioLeadOutLba() const;
};

// The table of contents of the disc in drive `driveIndex`, read now, with its indexes,
// catalogue number and ISRCs, and whether it has a hidden track (read from the disc when the
// first track starts after sector 0). Fails when there is no
// such drive, or no readable disc in it (an empty drive; an image whose files are gone: the
// drive stays listed, as a drive whose disc was taken out).
Result<DiscToc> readToc(int driveIndex);

// What a disc's CD-Text says of the disc and its tracks. Empty texts where the disc says
// nothing; a disc without CD-Text gives an empty DiscText (not an error).
struct TrackText {
    QString title;
    QString performer;
};
struct DiscText {
    QString title;     // the album
    QString performer; // the album's artist
    int firstTrack = 1;
    std::vector<TrackText> tracks; // track firstTrack + i, as DiscToc::trackStartLba
    // No text at all, neither the disc's nor any track's.
    bool isEmpty() const;
};

// The CD-Text of the disc in drive `driveIndex`, read now (images: the cue sheet's TITLE and
// PERFORMER lines, in UTF-8 or ISO-8859-1). Fails like readToc when there is no such drive or
// no readable disc.
Result<DiscText> readCdText(int driveIndex);

// The audio of the disc in a drive, read through paranoia with a reader of its own: it
// holds no handle of the CD library, so a player can read a drive that is open for
// extraction. Used by one thread at a time.
class DiscAudioReader {
  public:
    // Fails when there is no such drive or no audio disc in it.
    static Result<std::unique_ptr<DiscAudioReader>> open(int driveIndex);
    ~DiscAudioReader();
    DiscAudioReader(const DiscAudioReader&) = delete;
    DiscAudioReader& operator=(const DiscAudioReader&) = delete;

    // Reads `count` sectors from `lba` into `out` (count * 2,352 bytes); returns how many
    // were stored before the first that could not be read.
    std::uint32_t read(std::int32_t lba, std::uint32_t count, unsigned char* out);

  private:
    struct Disc;
    explicit DiscAudioReader(std::unique_ptr<Disc> disc);
    std::unique_ptr<Disc> disc_;
};

// The disc's freedb identity: (sum of the digits of each track's start in seconds, mod 255)
// << 24 | the disc's playing time in seconds << 8 | track count. Starts count the 150-sector
// lead-in (LBA 0 = 2 seconds). Every track counts, a data track too, and the playing time
// runs to the lead-out after the last one.
std::uint32_t freedbDiscId(const DiscToc& toc);

} // namespace cddrives
