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

} // namespace cli
