#pragma once

#include "platform/error.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// What a cue sheet says about a single-file disc image: the data file its FILE line names and
// where each track starts in that file. Pure text work; the disc itself is read by libcdio.
namespace cuesheet {

struct Track {
    int number = 0;
    bool audio = true;
    std::int32_t startSector = 0; // INDEX 01, in 2,352-byte sectors from the file's start
};

struct Sheet {
    QString dataFile; // as the FILE line writes it (relative to the cue's folder, or absolute)
    QString fileType; // the FILE line's type, upper case ("BINARY", "WAVE"...)
    std::vector<Track> tracks; // in the sheet's order
    QByteArray text;           // the sheet as read
};

// Sheets larger than this are not cue sheets (a data file picked by mistake is not read).
inline constexpr qint64 maxSheetBytes = 1 << 20;

// Parses `text`: keywords are case-insensitive, lines may end in CRLF, file names may be
// quoted or bare. Lines other than FILE, TRACK and INDEX are skipped. Fails, naming
// `path`, when the text has no FILE or no TRACK line ("... is not a cue sheet") or when a
// FILE, TRACK or INDEX line is malformed (track numbers 1..99 ascending, INDEX 01 of each
// track given, starts ascending, a track mode this program can read), or when it names
// more than one data file.
Result<Sheet> parse(const QByteArray& text, const QString& path);
// Reads and parses the file `path`.
Result<Sheet> read(const QString& path);

// `text` as libcdio's own parser reads it, whose keywords are case-sensitive and which takes
// a CR as part of a line: LF line ends, each line's keyword and TRACK's mode in upper case,
// the FILE line naming `dataFile` (quoted); everything else as it was.
QByteArray forLibrary(const QByteArray& text, const QString& dataFile);

} // namespace cuesheet
