#pragma once

#include <QString>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace cdiolib {
class ReadStop;
}

// The CD library: drive list, handles, table of contents and audio reads over libcdio, with
// every audio read going through libcdio-paranoia (a real drive's jitter and read errors are
// corrected; a clean disc image reads bit-exact). Records are exchanged by address in the
// packed layouts below; results are the library's codes.
//
// Drives are the CD devices libcdio finds, then the disc images registered with
// cddrives::registerImage, at most eight in all. Each drive is its own host adapter: drive
// k has adapter number k, target 0, LUN 0. GetNumAdapters answers the highest adapter number
// in use (the number of drives less one, 0 when there is none), so a caller that lists
// adapters 0..N lists every drive once.
//
// Thread-safe: one mutex guards the drive list and the handle table, and each handle has
// its own lock around its reads, so the GUI thread may open and close while a job's thread
// reads. GetAspiLibError answers the last error of the calling thread.
namespace akrip {

static_assert(std::endian::native == std::endian::little,
              "read headers are exchanged in place as little-endian fields");

#pragma pack(push, 1)
// One drive of the list.
struct CdDriveRecord {
    std::uint8_t ha;  // host adapter
    std::uint8_t tgt; // target id
    std::uint8_t lun; // logical unit
    std::uint8_t reserved3;
    char id[65]; // identification text, zero-filled: "vendor model revision", or the image's
                 // file name
    std::uint8_t reserved69[52];
};

struct CdDriveList {
    std::uint8_t header[2]; // number of records filled, then 0
    CdDriveRecord drives[8];
};

// Open request.
struct GETCDHAND {
    std::uint8_t size;    // 12
    std::uint8_t version; // 1
    std::uint8_t ha;
    std::uint8_t tgt;
    std::uint8_t lun;
    std::uint8_t readType; // 0
    std::uint8_t reserved[10];
};

// One entry of the table of contents. Bytes 4..7: the start address, most significant byte
// first (an LBA once parameter 36 is set to 0, else minute/second/frame).
struct TocEntry {
    std::uint8_t reserved0;
    std::uint8_t adrControl;  // Q sub-channel ADR (high nibble) and control bits (low)
    std::uint8_t trackNumber; // 1..99; 0xAA for the lead-out
    std::uint8_t reserved3;
    std::uint8_t address[4];
};

// Entry k starts track k + 1 of the disc; the entry after the last track is the lead-out.
struct TocRecord {
    std::uint8_t header[4]; // data length (big-endian, 2 bytes), first track, last track
    TocEntry entries[100];
};

// Read request: this header, then the audio area right behind it.
struct ReadHeader {
    std::uint32_t startLba;
    std::uint32_t frameCount;     // 1..26 is what callers use; any count that fits is read
    std::uint32_t maxLength;      // bytes of the audio area
    std::uint32_t returnedLength; // set by the read: bytes stored
    std::uint32_t status;
    std::uint32_t startOffset;
};
#pragma pack(pop)

static_assert(sizeof(CdDriveRecord) == 121);
static_assert(sizeof(CdDriveList) == 970);
static_assert(offsetof(CdDriveList, drives) == 2);
static_assert(sizeof(GETCDHAND) == 16);
static_assert(sizeof(TocEntry) == 8);
static_assert(sizeof(TocRecord) == 804);
static_assert(sizeof(ReadHeader) == 24);

inline constexpr std::size_t cdFrameBytes = 2352;
inline constexpr int maxDrives = 8;

// Parameter of ModifyCDParms: 0 = TOC addresses as LBAs, nonzero = minute/second/frame.
inline constexpr int parmMsfAddressing = 36;

// Result codes (GetAspiLibError).
enum LibError : int {
    NoError = 0,
    NoAspiManager = -1,
    NoSupportInfoFunction = -2,
    NoSendCommandFunction = -3,
    AspiManagerError = -4,
    Unused = -5,
    BufferTooSmall = -6,
    InvalidHandle = -7,
    NoMoreHandles = -8,
    BadBuffer = -9,
    NotACdDevice = -10,
    LockFailed = -11,
    DuplicateHandle = -12,
    InvalidRequest = -13,
    InvalidRequestVersion = -14,
    JitterAdjustFailed = -15,
};

int GetNumAdapters();
// Fills the records of the drives (zero-filled, then ha, tgt 0, lun 0 and id; the records
// after them stay as given) and returns how many; header[0] is that count.
int GetCDList(CdDriveList* list);
// A handle (1..255) for the drive the request names (size 12, version 1); 0 on failure
// (see GetAspiLibError). One handle per drive at a time; numbers are not reused at once
// after a close. A drive without a disc (an image whose files are gone) gives a handle too,
// as a real drive does: ReadTOC and reads fail on it until a disc is in.
std::uint32_t GetCDHandle(GETCDHAND* request);
// Returns 1 on success; a parameter other than parmMsfAddressing is ignored. Addresses are
// minute/second/frame until parmMsfAddressing is set to 0.
int ModifyCDParms(std::uint32_t handle, int parameter, std::uint32_t value);
// Reads the table of contents of the disc in the drive now (a disc changed since is seen)
// into `toc`, zero-filled first; 1 on success. Entry k holds track k + 1 (a disc whose first
// track is 5 leaves entries 0..3 zero), the entry after the last track the lead-out; a data
// track's control nibble is 4. An image whose data file is shorter than its
// cue sheet says lists only the tracks that start in the data, and its lead-out is where the
// data ends.
int ReadTOC(std::uint32_t handle, TocRecord* toc);
// `buffer` holds a ReadHeader followed by its audio area. Reads frameCount frames from
// startLba into the audio area and sets returnedLength; 1 on success. Fails with
// BufferTooSmall when maxLength cannot hold the frames, and with AspiManagerError past the
// lead-out or when the disc cannot be read there (after a limited number of retries);
// returnedLength then counts the frames stored before the one that failed. Only audio is
// read: a frame of a data track, or of the gap after an Enhanced CD's audio session, fails
// the read there. Reads of one handle run one at a time.
int ReadCDAudioLBA(std::uint32_t handle, unsigned char* buffer);
// ReadCDAudioLBA in one pass without correction: the sectors as one drive read delivers them
// (fast, but a drive's jitter and errors pass unseen). With `c2` (frameCount bytes), a
// nonzero byte marks each frame the drive flagged with C2 errors; zeros when it reports none.
int ReadCDAudioLBAOnce(std::uint32_t handle, unsigned char* buffer, std::uint8_t* c2);
// The drive of `handle` reports C2 error pointers (known once a single-pass read has run on
// it); false for an unknown handle.
bool reportsC2(std::uint32_t handle);
// The read cache the drive of `handle` states, in sectors (0: none stated), known once a read
// has run on it; -1 before, for an image's files, or an unknown handle.
int statedCacheSectors(std::uint32_t handle);
// The last read of this thread that failed stopped at a sector of the disc's audio the drive
// could not deliver (damage), rather than one it may not read or an image's files lack.
bool lastFailureDamaged();
// 1 when the handle was open; 0 and InvalidHandle otherwise (handle 0 included).
int CloseCDHandle(std::uint32_t handle);
// Every call above sets it: NoError on success.
int GetAspiLibError();
// What the last call on this thread that failed found, in the program's words: the sector and
// what the reader said ("sector 660 is in track 3, a data track"); empty when it has nothing
// to add to the code's text, and after a success.
QString lastErrorDetail();

// While an object of this class lives, the reads of the thread that made it (ReadCDAudioLBA)
// end as soon as `stop` answers true: within one drive read, failing with AspiManagerError.
class ReadStop {
  public:
    explicit ReadStop(std::function<bool()> stop);
    ~ReadStop();
    ReadStop(const ReadStop&) = delete;
    ReadStop& operator=(const ReadStop&) = delete;

  private:
    std::unique_ptr<cdiolib::ReadStop> stop_;
};

// What the reads of `handle` had to do since it was opened: sectors paranoia read again or
// corrected. 0 for an unknown handle.
std::int64_t correctionsOf(std::uint32_t handle);

} // namespace akrip
