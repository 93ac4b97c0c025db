#pragma once

#include "platform/error.h"

#include <QString>
#include <QStringList>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstdint>
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

// Opens a device node, or a cue sheet as an image. Fails with the library's reason.
Result<CdIoPtr> open(const QString& source, bool isDevice);

struct TrackEntry {
    int number = 0;
    std::int32_t startLsn = 0;
    bool audio = true;
};

// A disc's table of contents as this program uses it. A track that would start at or past
// the lead-out is not on the disc (an image whose data file is shorter than its cue sheet
// says: libcdio takes the lead-out from the data's size but still lists the cue's later
// tracks), so it is left out.
struct Layout {
    int firstTrack = 1;
    std::vector<TrackEntry> tracks;
    std::int32_t leadOutLsn = 0;
};

// Fails when the disc has no table of contents (no disc, an unreadable one) or no track
// before its lead-out.
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
// For a disc image, `imageData` names its data file: libcdio reports a read that runs past
// the end of that file as a success with the missing part left as it was, so sectors the
// file does not hold (now) count as not delivered.
class SectorReader {
  public:
    static Result<std::unique_ptr<SectorReader>> open(CdIo_t* disc, const QString& imageData = {});
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // Reads `count` sectors from `first` into `out` (count * 2,352 bytes). Returns how many
    // were stored before the first one that could not be read; `count` on success.
    std::uint32_t read(std::int32_t first, std::uint32_t count, unsigned char* out);
    // Sectors read again or corrected since the reader was opened.
    std::int64_t corrections() const { return corrections_; }

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
};

} // namespace cdiolib
