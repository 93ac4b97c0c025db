#pragma once

#include "cli/options.h"

// The commands of mp3vortan-cli. Each returns the exit status: 0 when everything asked for
// was done, 1 when something failed (each failure named on standard error with its reason).
// They read the settings store and never write it.
//
// GUI thread (the thread of the QCoreApplication), with no event loop running yet.
namespace cli {

int encode(const Options& options);
int decode(const Options& options);
int tracks(const Options& options);
int rip(const Options& options);
int info(const Options& options);
// Prints one verdict line per WAV file; 1 when any does not match or cannot be compared.
int verify(const Options& options);
// "offset find DISC": asks the AccurateRip database for the disc's record, reads one or two of
// its tracks with a margin and prints the read offsets at which they match, best first; the
// best is stored for the drive's model with --store, or when the user says so at the prompt
// (a terminal only). 1 when no offset matches or the database cannot be asked.
int offsetFind(const Options& options);

} // namespace cli
