#pragma once

#include "engine/cd/cuewriter.h"
#include "engine/cd/riplog.h"
#include "engine/platform/error.h"

#include <QString>

// The cue sheet kept beside a rip's files and its log: the files the rip made whole, in disc
// order, with the disc's gaps, hidden track, texts, catalogue number and ISRCs as its table of
// contents (read when the rip began) gives them.
namespace ripcue {

// The sheet of the files of `log` (by name without folder), in disc order, with the disc's
// texts, catalogue number and ISRCs. A track's number depends only on the tracks asked for:
// its number on the disc when they follow each other there, else its place among them (a
// sheet's tracks are consecutive); how a track went never renumbers another. A track that
// failed but left a file (its reads differed, or a read failed part way) stands with that file
// and a REM RESULT line; one that left none is a REM line in its place; those after the last
// file are left out. Each track's pregap stands at the end of the file before it when the track
// before it is whole in its file; else it is a PREGAP. The audio before the first track goes in
// the hidden track's file when track 0 is whole in its file along with the first track, else it is
// the first track's PREGAP. When the first track was not asked for, the hidden track's file
// (when it left one) is the sheet's track 1, titled as the hidden track, and the other tracks
// are numbered by their place after it. `fileType` is "WAVE" or "MP3". No file: no track in
// the sheet. With `folder` (the sheet's own), each file is named by its path from there, so a
// file in a folder below it is found. A disc of a set says which it is (REM DISCNUMBER,
// REM TOTALDISCS).
cuewriter::Disc sheetOf(const riplog::Log& log, const QString& fileType,
                        const QString& folder = {});

// Writes the sheet of `log` whole (a temporary file renamed into place, numbered when the name
// is taken) as `logPath` with ".cue" for ".log", and returns the name taken. Nothing is
// written (and an empty name returned) when no track left a file. Fails, naming the file and
// the reason.
Result<QString> write(const QString& logPath, const riplog::Log& log, const QString& fileType);

} // namespace ripcue
