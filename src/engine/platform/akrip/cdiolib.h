#pragma once

#include "engine/platform/error.h"

#include <QString>
#include <QStringList>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The one place the program talks to libcdio and libcdio-paranoia (private to the CD library:
// akrip.cpp and cddrives.cpp are its only users). Objects here are not thread-safe; each is
// used by one thread at a time.
namespace cdiolib {

inline constexpr int sectorBytes = CDIO_CD_FRAMESIZE_RAW;

// Sets the library up once: its log lines never reach the terminal; the last warning or
// error of each thread is kept to explain a failure (lastMessage).
void ensureLibrary();
// The library's last warning or error on this thread, empty when none since clearMessage.
QString lastMessage();
void clearMessage();

struct CdIoDeleter {
    void operator()(CdIo_t* disc) const { cdio_destroy(disc); }
};
using CdIoPtr = std::unique_ptr<CdIo_t, CdIoDeleter>;

// The CD device nodes of this machine (none on a machine without drives).
QStringList deviceNodes();
// "vendor model revision" of the drive at `deviceNode` (fields trimmed, empty ones left out);
// the node itself when the drive does not tell.
QString hardwareId(const QString& deviceNode);

// Opens a device node, or a cue sheet as an image. Fails with the reason: the system's when
// it ran out of a resource (open files, memory), else the library's, naming `shownAs` (the
// user's cue sheet for the program's private copy of it) where it names `source`.
Result<CdIoPtr> open(const QString& source, bool isDevice, const QString& shownAs = {});

// Sectors between the end of an Enhanced CD's audio session and its data track: the first
// session's lead-out (6,750), the second's lead-in (4,500) and the data track's pregap (150).
inline constexpr std::int32_t sessionGapSectors = 11400;

struct TrackEntry {
    int number = 0;
    std::int32_t startLsn = 0;
    bool audio = true;
    // Where what the track holds ends (exclusive): the next track's start, or the lead-out.
    // An audio track followed by a data track ends where its audio does: on an Enhanced CD the
    // first session's lead-out, 11,400 sectors before the data track; else the data track's
    // pregap.
    std::int32_t endLsn = 0;
    std::int32_t pregapLsn = -1;              // INDEX 00; -1: none, or not reported
    std::vector<std::int32_t> laterIndexLsns; // INDEX 02, 03...
    QString isrc;                             // empty when the disc gives none
};

// Sectors of an image's data that its files do not hold: the part of a WAVE file its header
// announces but the file lacks, or the cut last sector of a binary file. The program's copy of
// the image holds zeros there; reads of them fail with `reason`.
struct MissingSectors {
    std::int32_t first = 0;
    std::int32_t end = 0; // exclusive
    QString reason;       // names the user's file and what it holds
};

// A disc's table of contents as this program uses it.
struct Layout {
    int firstTrack = 1;
    std::vector<TrackEntry> tracks;
    std::int32_t leadOutLsn = 0;
    // Tracks a disc image's cue sheet lists that its data file does not hold (they start at
    // or past its end): not on the disc, but named so that asking for them can say why.
    std::vector<int> missingTracks;
    QString catalog; // the media catalogue number; empty when the disc gives none
    // The pregaps and indexes are known: an image's sheet gives them; a drive that does not
    // report them leaves every pregapLsn at -1.
    bool indexesReported = true;

    // Sets each track's endLsn from the starts and the lead-out, as a drive reports them: an
    // audio track before a data track ends 11,400 sectors before it when that leaves the
    // audio track any sectors (the session gap of an Enhanced CD), else where it starts.
    void settleEnds();
};

// Fails when the disc has no table of contents (no disc, an unreadable one) or no track
// before its lead-out. The catalogue number and the ISRCs are the drive's answers from the
// disc's subchannel; the pregaps are what the driver reports of them (indexesReported false
// when it reports none). A track that would start at or past the lead-out is not on the disc,
// so it is left out.
Result<Layout> readLayout(CdIo_t* disc);

// A disc's CD-Text: title and performer of the disc and of each track, in the first language
// block the disc holds. Texts the disc does not carry are empty.
struct TextEntry {
    QString title;
    QString performer;
};
struct Text {
    TextEntry disc;
    std::vector<TextEntry> tracks; // track firstTrack + i of the layout it was read for
};

// The CD-Text of `disc` for the tracks of `layout`. A disc without CD-Text gives empty texts.
Text readText(CdIo_t* disc, const Layout& layout);

// While an object of this class lives, the audio reads of the thread that made it end as soon
// as `stop` answers true (it is asked before every drive read and between sectors): a stop is
// honoured within one drive read. Nests; the innermost is asked.
class ReadStop {
  public:
    explicit ReadStop(std::function<bool()> stop);
    ~ReadStop();
    ReadStop(const ReadStop&) = delete;
    ReadStop& operator=(const ReadStop&) = delete;
    // True when the read under way on this thread is to stop.
    static bool requested();

  private:
    std::function<bool()> stop_;
    const ReadStop* outer_;
};

// The raw face of a drive that stands in for the disc's own reads (cddrives::
// registerSimulatedDrive): every drive read of the disc's audio, paranoia's and single-pass
// ones alike, goes to it. Called by one thread at a time.
class DriveMedium {
  public:
    virtual ~DriveMedium() = default;
    // One drive read of `count` sectors from `first` into `out`: how many were delivered
    // before the first that could not be read (`count` on success). `c2` is null for the
    // error-correcting reader's reads; a single pass gives it, and it takes one byte per
    // sector: nonzero where the drive flagged a C2 error in it (zeros when it reports none).
    virtual long read(std::int32_t first, long count, unsigned char* out, std::uint8_t* c2) = 0;
    virtual bool reportsC2() const = 0;
    // How many sectors the drive's read cache holds (0: none, or not known).
    virtual int cacheSectors() const { return 0; }
};

// The read cache of the drive `disc` is in, in sectors, as its capabilities page states its
// buffer; 0 when it does not say (an image, a drive that does not answer).
int driveCacheSectors(CdIo_t* disc);

// How far away from sectors it has read paranoia reads by itself before it reads them again.
inline constexpr int libraryCacheReach = 1200;

// How far from the sectors it has just been handed the error-correcting reader reads before
// it reads them again, so that the second read comes off the disc and not out of a drive
// cache of `cacheSectors` sectors; 0 when the library's own emptying reaches far enough (or
// the cache is not known).
int cacheReachOf(int cacheSectors);

// Audio reads through paranoia over an open disc (which must outlive the reader).
//
// Full paranoia without never-skip: a sector paranoia cannot read is reported, not retried
// forever. paranoia's own retry limit does not end every loop (an unreadable sector after
// a seek makes it re-read forever), so the reader watches the drive reads itself: when a
// read covering the wanted sector fails, that sector is read alone, and after a few such
// failures the read is abandoned. A sector counts as read only when the last drive read
// that covered it delivered it: data paranoia made up for it (zeros it pads or fills in at
// a skip, silence matched over a gap) fails the read.
//
// Only sectors of the audio tracks are ever handed to paranoia: one of a data track (which
// paranoia would verify for minutes without end) or of the gap after an audio session ends
// the read there, with the reason.
//
// paranoia proves a sector by reading it twice, reading elsewhere in between to empty the
// drive's cache; for a drive that states a cache larger than paranoia reaches past
// (cacheReachOf), the reader reads far enough away itself, so the second read never comes out
// of the cache.
//
// For a disc image, `imageData` names its data file: libcdio reports a read that runs past
// the end of that file as a success with the missing part left as it was, so sectors the
// file does not hold (now) count as not delivered, and neither do the `missing` ones.
class SectorReader {
  public:
    // With `medium`, every drive read goes to it instead of the disc (the disc still gives the
    // layout paranoia works over).
    static Result<std::unique_ptr<SectorReader>>
    open(CdIo_t* disc, const Layout& layout, const QString& imageData = {},
         const std::vector<MissingSectors>& missing = {},
         std::shared_ptr<DriveMedium> medium = nullptr);
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // Reads `count` sectors from `first` into `out` (count * 2,352 bytes). Returns how many
    // were stored before the first one that could not be read; `count` on success.
    std::uint32_t read(std::int32_t first, std::uint32_t count, unsigned char* out);
    // One pass without correction (no paranoia): sectors as the drive delivers them, in one
    // drive read. With `c2` (count bytes), where the drive reports C2 errors, a nonzero byte
    // marks each sector it flagged; zeros when it reports none. Only audio sectors are read,
    // as read() does. Returns how many were stored before the first that failed.
    std::uint32_t readOnce(std::int32_t first, std::uint32_t count, unsigned char* out,
                           std::uint8_t* c2);
    // The drive reports C2 error pointers (asked once, at the first single-pass read of a
    // device: a drive that refuses the request reports none).
    bool reportsC2() const;
    // The last read stopped at a sector of the disc's audio that the drive could not deliver
    // (damage), rather than at one it never may read (a data track, past the end) or one an
    // image's files do not hold.
    bool lastFailureDamaged() const { return damaged_; }
    // Why the last read stopped short ("sector 660 is in track 3, a data track"); empty after
    // a read that stored every sector.
    const QString& failure() const { return failure_; }
    // Sectors read again or corrected since the reader was opened.
    std::int64_t corrections() const { return corrections_; }
    // The cache the drive states, in sectors (0: it states none); -1 for an image's files.
    int statedCacheSectors() const { return statedCache_; }

    struct State; // what the drive-read hook and paranoia's callback see of a running read

  private:
    SectorReader() = default;

    struct DriveCloser {
        void operator()(cdrom_drive_t* drive) const { cdio_cddap_close_no_free_cdio(drive); }
    };
    struct ParanoiaFree {
        void operator()(cdrom_paranoia_t* paranoia) const { cdio_paranoia_free(paranoia); }
    };
    std::unique_ptr<cdrom_drive_t, DriveCloser> drive_;
    std::unique_ptr<cdrom_paranoia_t, ParanoiaFree> paranoia_; // freed before drive_
    std::unique_ptr<State> state_;
    std::int32_t nextSector_ = -1; // where paranoia's cursor stands; -1: seek first
    std::int64_t corrections_ = 0;
    Layout layout_;
    QString failure_;
    bool damaged_ = false;
    int statedCache_ = -1;
    CdIo_t* disc_ = nullptr;
    std::shared_ptr<DriveMedium> medium_;
    enum class C2 { Unknown, Reported, None };
    C2 c2_ = C2::Unknown;

    // A device's single pass with C2 error pointers (MMC READ CD); the first refusal makes
    // the drive one that reports none, read plainly from then on.
    long readWithC2(std::int32_t first, std::uint32_t count, unsigned char* out, std::uint8_t* c2);
    // The reason sector `sector` is not one paranoia may read; empty when it is.
    QString unreadable(std::int32_t sector) const;
    // How many of the `count` sectors from `first` may be read before one that may not;
    // `reason` receives why that one may not (empty when all may).
    std::uint32_t readableRun(std::int32_t first, std::uint32_t count, QString& reason) const;
};

} // namespace cdiolib
