#pragma once

#include "engine/cd/cuewriter.h"
#include "engine/cd/riplog.h"
#include "engine/platform/error.h"

#include <QString>

// The cue sheet kept beside a rip's files and its log: the files the rip made whole, in disc
// order, with the disc's gaps, hidden track, texts, catalogue number and ISRCs as its table of
// contents (read when the rip began) gives them.
namespace ripcue {

// The sheet of the tracks of `log` copied OK (its files, by name without folder). Each track's
// pregap stands at the end of the file before it when the track before it was ripped too;
// else it is a PREGAP. The audio before the first track goes in the hidden track's file when
// track 0 was ripped along with the first track, else it is the first track's PREGAP. Tracks
// keep their numbers when they follow each other on the disc; a selection with tracks left
// out between them is numbered from 1 (a sheet's tracks are consecutive). `fileType` is
// "WAVE" or "MP3". No track: no file in the sheet (tracks empty).
cuewriter::Disc sheetOf(const riplog::Log& log, const QString& fileType);

// Writes the sheet of `log` whole (a temporary file renamed into place, numbered when the name
// is taken) as `logPath` with ".cue" for ".log", and returns the name taken. Nothing is
// written (and an empty name returned) when no track was copied. Fails, naming the file and
// the reason.
Result<QString> write(const QString& logPath, const riplog::Log& log, const QString& fileType);

} // namespace ripcue
