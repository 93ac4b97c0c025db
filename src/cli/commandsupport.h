#pragma once

#include "cli/interruption.h"
#include "engine/cd/recordlookup.h"

#include <QString>

// What the commands share: the lines they print and the disc they work on.
namespace cli {

// A line to standard error, its control characters escaped (file names, tags, disc texts and
// the web services' words never reach the terminal raw).
void say(const QString& text);
// "mp3vortan-cli: <text>" to standard error; 1, the exit status of a failure.
int fail(const QString& text);
// A line to standard output (a file written, a figure asked for), escaped likewise.
void print(const QString& text);

// The drive of `disc`: a cue sheet is registered as a drive; a device must be one the CD
// library found. -1 (said why) when there is none.
int driveOf(const QString& disc);

// The AccurateRip database's record of the disc `key` names (the "AccurateRip server"
// setting), or why it could not be asked; runs the event loop meanwhile, and Ctrl+C abandons
// the request.
accuraterip::RecordLookup::Result askDatabase(const accuraterip::DiscKey& key,
                                              Interruption& interruption);

} // namespace cli
