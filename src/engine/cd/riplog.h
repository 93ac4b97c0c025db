#pragma once

#include "engine/cd/accuraterip.h"
#include "engine/cd/cdextract.h"
#include "engine/cd/disc.h"
#include "engine/cd/discinfo.h"
#include "engine/cd/readmode.h"
#include "engine/cd/ripcheck.h"
#include "engine/core/batchrunner.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/error.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QTextStream;

// The extraction log: proof of what a rip read and wrote, kept beside its files. Plain text,
// written whole or not at all (a temporary file renamed into place once synced), so a crash
// or a full disk never leaves half a log that looks complete. Text from outside (titles,
// names, reasons) is written with its control characters shown escaped (printable), so it
// cannot forge the log's lines.
namespace riplog {

enum class ReadMode {
    Secure,   // through the error-correcting reader: bit-exact, with checksums
    RealTime, // the sound card recorded while the disc played: not bit-exact, no checksums
};

enum class TrackResult {
    CopyOk,
    ReadErrors, // a read failed, or the test and copy passes disagree
    Aborted,
    Failed,     // the output could not be written, or the track cannot be read (see failure)
    NotStarted, // the rip was stopped before the track's turn
};

struct Track {
    int number = 0;
    QString outputFile; // empty when no file was kept
    // The files of the rip's other formats, in their order (empty when no file of that
    // format was kept); none for a rip in one format.
    std::vector<QString> otherOutputFiles;
    bool onDisc = true; // the track has a range on the disc (not a data or missing track)
    std::int32_t startLba = 0;
    std::int32_t endLba = 0;       // exclusive
    std::int32_t sectorsRead = -1; // sectors read into the file; -1: the whole range
    bool checksummed = false;
    ripcheck::Checksums sums;
    bool tested = false; // a test pass read the track first
    std::uint32_t testCrc32 = 0;
    std::int64_t corrections = 0; // sectors the reader read again or corrected
    TrackResult result = TrackResult::CopyOk;
    QString failure;                // why, for ReadErrors and Failed
    // A fast read's path ("Read once, accurately ripped (confidence 14)"); empty otherwise.
    QString readPath;
    int reReads = 0;   // secure reads after the fast one
    int c2Rereads = 0; // sectors a fast read read again for their C2 flags
    // Where the disc could not be read: zeros stand there (suspiciousText of each range).
    std::vector<QString> suspicious;
    QString title;                  // as the disc information gives it; empty when unknown
    std::optional<ReplayGain> gain; // of the audio copied; none for silence
};

struct TocTrack {
    int number = 0;
    std::int32_t startLba = 0;
    std::int32_t sectors = 0;
    bool audio = true;
};

// A track's standing in the AccurateRip database.
struct Verdict {
    int track = 0;
    // False for a track the database holds no entries for by its nature (the hidden track):
    // `match` is then no verdict, and the track is not counted in the summary.
    bool covered = true;
    accuraterip::TrackMatch match;

    // match.text(), or why the database says nothing of the track.
    QString text() const;
};

struct Log {
    QString program;   // "MP3 Vortan 2.0"
    QDateTime started; // local time
    QString drive;     // the drive's identification, or the image's file
    ReadMode mode = ReadMode::Secure;
    // How a bit-exact rip read (secure, fast or paranoid); the secure mode's words when unset.
    std::optional<readmode::Mode> readMode;
    // The drive reported C2 error pointers and the rip used them (a fast read); none when no
    // track said.
    std::optional<bool> c2Used;
    // The read cache the drive states, in sectors (0: none stated); none for an image's files
    // or when no track was read.
    std::optional<int> driveCache;
    // Seconds from the log's start to the end of the tracks' reads; -1: not measured.
    qint64 elapsedSeconds = -1;
    QString outputFormat; // "WAV (44,100 Hz, 16-bit, stereo)", "MP3 160 kbit/s, ..."
    // The read offset the rip corrected, with its source (readoffset::describe); empty when
    // no offset applies (a real-time capture). `overreads`: the drive read past the disc's edges.
    QString readOffset;
    bool overreads = false;
    std::vector<TocTrack> toc;
    std::int32_t leadOutLba = 0;
    std::optional<cddrives::DiscToc> discToc; // as read when the log was begun
    QString discIdentity;                     // as the window shows it
    std::uint32_t freedbId = 0;
    std::vector<Track> tracks;           // every track asked for, in order
    int tracksAsked = -1;                // -1: as many as `tracks` holds
    DiscInfo disc;                       // what the disc is known as (may be empty)
    std::optional<ReplayGain> albumGain; // of the tracks copied, together
    // What the AccurateRip database said of the disc: its record (empty when it does not hold
    // the disc), or why it could not be asked. None when it was not asked.
    std::optional<Result<accuraterip::Record>> accurateRip;
    // The front cover the outputs carry: where it came from and its size, or "none (why)";
    // empty when none was asked for. `coverFile`: the cover written beside the tracks, or why
    // none was; empty when none was to be written.
    QString cover;
    QString coverFile;

    QString text() const;
    // The head of text(): program, drive, table of contents, what the disc is known as.
    void writeHead(QTextStream& s) const;
    // How the database names the disc: its audio tracks, with the lead-out after a data track.
    accuraterip::DiscKey accurateRipKey() const;
    // Whether a track the database covers was read whole with its checksums and copied, so
    // that the database can tell whether it was read accurately.
    bool hasCheckableTracks() const;
    // Such tracks' standing in the record, in order; none before the database answered.
    std::vector<Verdict> verdicts() const;
    // For the user: "Track 3: Accurately ripped (confidence 12) [v2]" a track, then
    // "Accurately ripped: 9 of 10 tracks", counting the tracks asked for that the database
    // covers; or "The AccurateRip database could not be asked: <reason>". Empty when it was
    // not asked.
    QStringList accurateRipLines() const;
    // "Rip 2026-12-08 1234567.log": the start date and the disc identity.
    QString fileName() const;
};

// How the AccurateRip database names the disc of `toc`.
accuraterip::DiscKey accurateRipKey(const cddrives::DiscToc& toc);
// The entry of track `number` in the disc's AccurateRip record: the track's place among the
// disc's audio tracks (0 for the first, whatever data track comes before it); -1 for a data
// track, the hidden track (0) and a track the disc does not have, which the record never
// covers.
int recordPosition(const cddrives::DiscToc& toc, int number);

// "h:mm:ss.ff" of a sample position in a track (75 frames a second).
QString positionTime(std::int64_t samples);
// "Suspicious position 0:12:03.45 – 0:12:03.60" of a damaged range of a track.
QString suspiciousText(const SampleRange& range);

// "mm:ss.ff" of a sector count (75 frames a second).
QString sectorTime(std::int64_t sectors);
// The result's words: "Copy OK", "Copy finished with read errors", "Aborted", "Copy failed",
// "Not started".
QString resultText(TrackResult result);

// A log of a rip of `disc`: program, the time now, its drive's identification, its identity
// and table of contents; no tracks yet.
Log begin(const Disc& disc, ReadMode mode, const QString& outputFormat);

// The account of track `number` extracted into `outputFile` over [startLba, endLba): from
// the extraction's outcome when it ran (`ran`), and how its batch item ended. A test pass
// whose CRC differs from the copy's makes the result ReadErrors.
Track trackOf(int number, const QString& outputFile, std::int32_t startLba, std::int32_t endLba,
              const ExtractOutcome* outcome, JobResult::Status status, const QString& reason);

// Writes the log into `folder` under its file name (numbered "(2)", "(3)"... when a file of
// that name exists, taken atomically: a log never replaces a file, another rip's log
// included) and returns the path. Fails, naming the file and the reason, when it cannot be
// written whole; nothing is then left behind.
Result<QString> write(const QString& folder, const Log& log);
// write(), and a message to the user (through the dialogs) when the log cannot be written.
Result<QString> writeOrSay(const QString& folder, const Log& log);

} // namespace riplog
