#pragma once

#include "cli/interruption.h"
#include "cli/options.h"

// The commands of mp3vortan-cli. Each returns the exit status: 0 when everything asked for
// was done, 1 when something failed (each failure named on standard error with its reason).
// They read the settings store and never write it. An interruption (SIGINT, SIGTERM) ends each
// within a moment at whatever stage it is, with exit status 1: a batch ends its files under
// way and starts no other, and what a rip has done is logged.
//
// GUI thread (the thread of the QCoreApplication), with no event loop running yet.
namespace cli {

int encode(const Options& options, Interruption& interruption);
int decode(const Options& options, Interruption& interruption);
// Each file, of any format the program reads, to --to's format, with its tags.
int convert(const Options& options, Interruption& interruption);
// convert --mirror: every audio file under the source folders converted into the same
// relative folder of the destination, what is up to date left as it is (see
// engine/library).
int mirror(const Options& options, Interruption& interruption);
int tracks(const Options& options, Interruption& interruption);
int rip(const Options& options, Interruption& interruption);
int info(const Options& options, Interruption& interruption);
// Prints one verdict line per WAV file; 1 when any does not match or cannot be compared.
int verify(const Options& options, Interruption& interruption);
// "offset find DISC": asks the AccurateRip database for the disc's record, reads one or two of
// its tracks with a margin and prints the read offsets at which they match, best first; the
// best is stored for the drive's model with --store, or when the user says so at the prompt
// (a terminal only). 1 when no offset matches or the database cannot be asked.
int offsetFind(const Options& options, Interruption& interruption);

} // namespace cli
