#pragma once

#include "cli/interruption.h"
#include "cli/options.h"
#include "cli/progressdisplay.h"
#include "engine/cd/disc.h"
#include "engine/cd/recordlookup.h"
#include "engine/encode/modlame.h"
#include "engine/service/conversionservice.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

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

// The destination of this run: -o, or the folder the window writes into (its stored choice,
// or the first-run folder), as the prefix of output names (the root folder is ""). Created
// when missing; what a crashed or killed run left there half-written is removed, and said.
// Nothing when it cannot be created (said why).
std::optional<QString> settleDestination(const Options& options);

// The MP3 encoder's configuration of this run: -b and -q, else the window's choices.
modLAME::EncoderConfig configFor(const Options& options);

// A batch as the commands run it, with what its display needs.
struct Batch {
    ConversionBatch work;
    std::vector<qint64> weights;                   // one per item, bytes of its source
    std::function<QString(const WorkItem&)> label; // the item as the user knows it
    QString verb; // the past participle of the work: "encoded", "converted", "extracted"
    bool printOutputs = true; // each completed output's path as it ends (see ProgressDisplay)
    // Asked as each item ends; true: no further item starts (the files under way finish).
    std::function<bool(const WorkItem&, const JobResult&)> stopAfter;
    std::optional<RunShare> partOf; // a step of a larger run: the bar shows the run
};

struct BatchOutcome {
    int status = 0; // the exit status
    QList<WorkItem> items;
    QList<JobResult> results;
};

// Runs the batch through the program's batch loop, showing its progress, and says what
// failed. An interruption (Ctrl+C) ends the files under way properly and starts no other; one
// that came before the batch starts none (the exit status is 1 either way).
BatchOutcome runBatch(Batch batch, Interruption& interruption);

// A batch of `kind` over the files named on the command line, into `destination`, each output
// named as the service names it; `choose`, when given, completes the settings (the run's
// format choices) before the outputs are named.
Batch fileBatch(const Options& options, ConversionKind kind, const QString& destination,
                const std::function<void(ConversionSettings&)>& choose = {});

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
