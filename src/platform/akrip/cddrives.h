#pragma once

#include "platform/error.h"

#include <QString>
#include <QStringList>

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
    // One line per track the data file does not hold completely ("Track 3 is incomplete:
    // 1:02 of 3:05", "Track 4 is missing"); empty when the image is whole. Whole sectors
    // count (a cut one at the end is missing); the last track ends where the data does, so
    // only a cut sector makes it incomplete. The disc then holds what the data holds: a
    // missing track is not in its table of contents and the lead-out is where the data ends.
    QStringList incompleteTracks;
};

// Opens the cue sheet `cuePath` and adds it as a drive after the devices and the images
// added before. The data file is the one the cue's FILE line names (relative to the cue's
// folder), whatever its name. Registering the same cue (the same file, however reached)
// again answers its existing drive. Fails, naming the file, when it is not a cue sheet,
// names several data files, its data file is missing or not a binary image ("<cue>: the
// audio is in a WAVE file; only binary (BIN) images can be opened"), or eight drives exist
// already.
Result<ImageReport> registerImage(const QString& cuePath);
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
    std::int32_t leadOutLba = 0;
    bool audioOnly = true;          // no data track
    std::vector<bool> trackIsAudio; // per track, as trackStartLba; empty: every track is audio
    int trackCount() const { return static_cast<int>(trackStartLba.size()); }
    // Sectors of track firstTrack + i (to the next start, or to the lead-out).
    std::int32_t trackSectors(int i) const;
};

// The table of contents of the disc in drive `driveIndex`, read now. Fails when there is no
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
// lead-in (LBA 0 = 2 seconds).
std::uint32_t freedbDiscId(const DiscToc& toc);

} // namespace cddrives
