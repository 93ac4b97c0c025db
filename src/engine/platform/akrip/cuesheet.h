#pragma once

#include "engine/platform/error.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// What a cue sheet says about a disc image: the data files its FILE lines name, where each
// track and its indexes start in them, the sheet's CD-Text, catalogue number and ISRCs. Pure
// text work: the sheet is untrusted input, read here by the program's own rules before anything
// else sees it; the disc's sectors are read by libcdio, which is handed only the canonical
// sheet forLibrary() writes, over one data file.
namespace cuesheet {

// Positions are in 2,352-byte sectors from the start of the file that holds them (`file` for
// INDEX 01 and the later indexes, `pregapFile` for INDEX 00); in a sheet of one file, from the
// start of the data.
struct Track {
    int number = 0;
    bool audio = true;
    std::int32_t startSector = 0;  // INDEX 01
    std::int32_t pregapStart = -1; // INDEX 00, when the sheet gives one
    std::vector<std::int32_t> laterIndexes; // INDEX 02, 03...
    int file = 0;                  // of `Sheet::files`
    int pregapFile = 0;
    std::int32_t pregapSilence = 0; // PREGAP: silence no file holds, before INDEX 01
    int session = 1;               // from "REM SESSION nn"; 1 when the sheet says none
    QByteArray title;              // TITLE and PERFORMER as the sheet writes them
    QByteArray performer;
    QByteArray isrc; // twelve letters and digits; empty when the sheet gives none (or a bad one)
};

struct DataFile {
    QString name; // as the FILE line writes it (relative to the cue's folder, or absolute)
    QString type; // the FILE line's type, upper case ("BINARY", "WAVE"...)
};

struct Sheet {
    std::vector<DataFile> files; // in the sheet's order; at least one
    QString dataFile;            // the first file's name and type
    QString fileType;
    QByteArray title; // the disc's TITLE and PERFORMER
    QByteArray performer;
    QByteArray catalog;        // CATALOG: thirteen digits; empty when none (or a bad one)
    std::vector<Track> tracks; // in the sheet's order
};

// Sheets larger than this are not cue sheets (a data file picked by mistake is not read).
inline constexpr qint64 maxSheetBytes = 1 << 20;
// The highest position an INDEX may give: 99:59:74.
inline constexpr std::int32_t maxSector = (99 * 60 + 59) * 75 + 74;

// Parses `text`: UTF-8 with or without its byte-order mark, UTF-16 when it starts with its
// byte-order mark, anything else byte for byte; lines end in CR LF, LF or CR; keywords are
// case-insensitive, words may be quoted or bare. FILE, TRACK, INDEX, PREGAP, TITLE,
// PERFORMER, CATALOG, ISRC and "REM SESSION" are read; other lines are skipped (POSTGAP too).
// A CATALOG or ISRC that is not of its form (thirteen digits; twelve letters and digits), or
// is all zeros (a disc or track without a code), is skipped. Fails, naming `path`, the line and
// the reason, for anything but: FILE lines with a name and a type, the first before the first
// TRACK; tracks numbered 1..99, each one more than the one before, in a mode of 2,352-byte
// sectors (AUDIO, MODE1/2352, MODE2/2352); INDEX numbers 0..99 rising within their track, the
// first 00 or 01, times mm:ss:ff with seconds below 60, frames below 75 and no later than
// 99:59:74, each later than every INDEX before it in its file; an INDEX 01 for every track;
// sessions that only rise, with audio in the first session only. Text with a zero byte, or no
// FILE or TRACK line, is "not a cue sheet".
Result<Sheet> parse(const QByteArray& text, const QString& path);
// Reads and parses the file `path`, which must be a regular file (a FIFO or a device is
// refused without being read).
Result<Sheet> read(const QString& path);

// `sheet` as one data file: its files' contents one after another, file k holding
// `fileSectors[k]` sectors, each track's PREGAP silence put before its INDEX 01 when
// `withSilence` (the data then holds those sectors of zeros). Positions become sectors from
// the data's start. Fails, naming `path`, when an INDEX lies at or past the end of its file,
// or a track starts past 99:59:74.
Result<Sheet> joined(const Sheet& sheet, const std::vector<std::int32_t>& fileSectors,
                     bool withSilence, const QString& path);

// The canonical sheet libcdio is given for the first `trackCount` tracks of `sheet`: its FILE
// line naming `dataFile`, then each track as "TRACK nn MODE" with its INDEX 01, numbered from
// 1 whatever the sheet's numbers are (libcdio's own parser writes outside its memory for
// track numbers from about 68 up), in the upper-case, LF-ended form that parser reads. The
// sheet's texts are not in it: the program reads them itself.
QByteArray forLibrary(const Sheet& sheet, int trackCount, const QString& dataFile);

// A text of the sheet as the program shows it: UTF-8 when its bytes are valid UTF-8 (what
// sheets are mostly written in), else ISO-8859-1 (as CD-Text on a disc is).
QString decodedText(const QByteArray& bytes);

} // namespace cuesheet
