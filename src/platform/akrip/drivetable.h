#pragma once

#include "platform/akrip/cddrives.h"
#include "platform/akrip/cdiolib.h"

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
    QString openPath; // device node, cue sheet, or the private copy of a cue sheet
    bool isDevice = true;
    QString cuePath; // images: the user's cue sheet and its data file
    QString dataPath;
};

// Opens the disc of `source`. An image whose cue sheet or data file is gone fails like a
// drive whose disc was taken out.
Result<cdiolib::CdIoPtr> openDisc(const DiscSource& source);

struct DriveEntry {
    cddrives::Drive drive;
    DiscSource source;
    QString canonicalCue; // images: a second registration of the same sheet finds it
    // libcdio ignores the FILE line (it opens "<cue's name>.bin") and reads keywords in
    // upper case only. Images whose sheet names another data file, or is written otherwise,
    // open through a private copy of the sheet in libcdio's form naming "image.bin", beside
    // a link "image.bin" to the real data. Kept for the run.
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
    std::atomic<bool> msfAddresses{true};
    std::atomic<std::int64_t> corrections{0};

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
