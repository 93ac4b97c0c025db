#pragma once

#include "cli/interruption.h"
#include "engine/cd/disc.h"
#include "engine/cd/recordlookup.h"

#include <QString>

// What the commands share: the lines they print and the disc they work on.
namespace cli {

// `text` as the program prints it: each control character written out as printable() does
// ("\n", "\t", "\e", "\x01"...) and each backslash doubled, so that a printed line stands
// for exactly one text (a name holding a newline never reads as another name holding "\n").
// Other characters, and bytes of names that are not UTF-8, go out as they are.
QString escaped(const QString& text);

// A line to standard error, escaped (file names, tags, disc texts and the web services' words
// never reach the terminal raw); a newline of `text` itself begins a new line.
void say(const QString& text);
// "mp3vortan-cli: <text>" to standard error; 1, the exit status of a failure.
int fail(const QString& text);
// A line to standard output (a file written, a figure asked for), escaped likewise.
void print(const QString& text);

// The drive of `disc`: a cue sheet is registered as a drive; a device must be one the CD
// library found. -1 (said why) when there is none. The CD library works through
// `interruption`'s abandonable stage.
int driveOf(const QString& disc, Interruption& interruption);
// The disc in drive `drive` (readDisc), read as an abandonable stage of `interruption`.
Disc readDiscOf(int drive, Interruption& interruption);

// The AccurateRip database's record of the disc `key` names (the "AccurateRip server"
// setting), or why it could not be asked; runs the event loop meanwhile, and Ctrl+C abandons
// the request.
accuraterip::RecordLookup::Result askDatabase(const accuraterip::DiscKey& key,
                                              Interruption& interruption);

} // namespace cli
