#pragma once

#include "cli/interruption.h"
#include "cli/options.h"
#include "engine/cd/discinfo.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/ripcompletion.h"

// The front cover of the command line's rips and look-ups: --cover, the Cover Art Archive
// (the "Cover art server" and "Cover art size" settings), and the cover file beside a rip.
namespace cli {

// rip --cover FILE: the picture read and checked into `choices` (with "Save cover file"),
// before anything is ripped; --cover none: no picture. False, said why, when FILE is no
// picture the rip can take.
bool takeCoverOption(const Options& options, ExtractionChoices& choices);

// Without --cover, after a look-up that found the disc's release: its front cover, fetched
// into `choices`. No cover is no failure: it is said, and the log gives the reason.
void fetchRipCover(const Options& options, ExtractionChoices& choices, Interruption& interruption);

// tracks --lookup: "Cover: <address> (W × H pixels, N bytes)", "Cover: none (why)", or
// "Cover: unknown (why)" when the archive could not be asked.
void printCoverLine(const DiscInfo& info, Interruption& interruption);

// The cover file a rip wrote (printed as a file written), kept (said), or could not write
// (said: exit status 1). Returns the exit status to combine, 0 or 1.
int reportCoverFile(const RipEnding& ending);

} // namespace cli
