#pragma once

#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/akrip/cdiolib.h"
#include "engine/platform/akrip/cuesheet.h"

#include <QTemporaryDir>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// State shared by the CD library's two faces (akrip.cpp: handles and records; cddrives.cpp:
// the drive list and images). Private to src/platform/akrip.
namespace akrip::detail {

// Where a drive's disc is opened from.
struct DiscSource {
    QString openPath; // device node, or the private copy of an image's cue sheet
    bool isDevice = true;
    QString cuePath; // images: the user's cue sheet and its data file
    QString dataPath;
    std::shared_ptr<const cuesheet::Sheet> sheet; // images: the sheet as the program read it
    std::vector<cdiolib::MissingSectors> missing; // images: sectors the user's files lack
    // A simulated drive's reads (cddrives::registerSimulatedDrive); null for every other.
    std::shared_ptr<cdiolib::DriveMedium> medium;
};

// Opens the disc of `source`. An image whose cue sheet or data file is gone fails like a
// drive whose disc was taken out; any failure of an image names the user's cue sheet.
Result<cdiolib::CdIoPtr> openDisc(const DiscSource& source);

// The disc an image stands for, from its cue sheet and a data file of `dataBytes` bytes. The
// tracks start where the sheet says; those that start at or past the data's end are missing.
// The data's end is the lead-out (a cut last sector still counts: reading it fails). A data
// track after the last audio track is an Enhanced CD's second session: on the disc it starts
// 11,400 sectors after the audio ends (where its INDEX 00 is, else its INDEX 01), a gap images
// leave out of their data, so it and the lead-out are placed as on the disc.
cdiolib::Layout imageLayout(const cuesheet::Sheet& sheet, qint64 dataBytes);

// The layout of the disc `disc` opened from `source`: the drive's table of contents, or an
// image's layout with the size its data file has now.
Result<cdiolib::Layout> layoutOf(const DiscSource& source, CdIo_t* disc);

struct DriveEntry {
    cddrives::Drive drive;
    DiscSource source;
    QString canonicalCue; // images: a second registration of the same sheet finds it
    // Images open through a private copy of their sheet in the canonical form libcdio reads
    // safely (cuesheet::forLibrary), naming "image.bin", beside a link "image.bin" to the real
    // data: libcdio ignores the FILE line (it opens "<cue's name>.bin"). Kept for the run.
    std::shared_ptr<QTemporaryDir> privateFolder;
};

// One open handle. Its disc and reads are used under readLock only, never under the table's
// mutex, so the drive list stays usable while a read runs.
struct OpenHandle {
    DiscSource source;
    int driveIndex = 0;
    std::mutex readLock;
    cdiolib::CdIoPtr disc;                         // null: no disc in the drive
    std::optional<cdiolib::Layout> layout;         // of `disc`
    std::unique_ptr<cdiolib::SectorReader> reader; // null: the disc cannot be read as audio
    QString readerFailure;                         // why `reader` is null
    std::atomic<bool> msfAddresses{true};
    std::atomic<std::int64_t> corrections{0};
    std::atomic<bool> c2Reported{false};
    std::atomic<int> cacheSectors{-1}; // the reader's statedCacheSectors()

    // (Re)opens the disc now in the drive. Holds readLock.
    Result<bool> openDiscLocked();
};

struct Table {
    std::mutex mutex; // guards all below
    bool devicesFound = false;
    int deviceCount = 0;
    std::vector<DriveEntry> drives;                         // devices, then images
    std::array<std::shared_ptr<OpenHandle>, 256> handles{}; // numbers 1..255
    int lastHandle = 0;
    int chosenMediaDrive = -1;
};

// The table under its mutex, with the machine's devices found at the first use.
class LockedTable {
  public:
    LockedTable();
    Table* operator->() { return &table_; }
    Table& operator*() { return table_; }

  private:
    Table& table_;
    std::unique_lock<std::mutex> lock_;
};

} // namespace akrip::detail
