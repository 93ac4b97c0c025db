#pragma once

#include "engine/cd/readmode.h"
#include "engine/pipeline/audioformat.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The command line of mp3vortan-cli, read into what the run is asked to do. Nothing here
// touches a file or the settings store.
namespace cli {

enum class Command {
    Help,
    Version,
    Encode,
    Decode,
    Tracks,
    Rip,
    Info,
    Verify,
    OffsetFind,
    Convert,
};

struct Options {
    Command command = Command::Help;
    QStringList arguments; // the files, or the one disc (a cue sheet or a device); verify:
                           // the disc, then the files
    // Each unset: the window's choice from the settings store.
    std::optional<int> bitrateIndex; // into modLAME's bitrate table
    std::optional<int> qualityIndex; // into modLAME::qualityNames()
    bool outputGiven = false;
    QString outputFolder; // as typed
    std::optional<int> filesAtOnce;
    QList<int> tracks;         // rip: in the order given, each once; empty: every track
    bool wav = false;          // rip: WAV files instead of MP3
    bool testAndCopy = false;  // rip: each track read twice (the "Test and copy" preference too)
    bool lookup = false;       // tracks, rip: ask the MusicBrainz web service about the disc
    bool nameFromDisc = false; // rip: "NN - Title" names (the window's preference too)
    bool store = false;        // offset find: store the best offset found without asking
    // rip: the release of the disc to take (its number in tracks --lookup's list, or its
    // MusicBrainz identifier; implies lookup); empty: the first.
    QString release;
    // rip: the file-name template (implies nameFromDisc); unset: the window's preference.
    std::optional<QString> names;
    // rip, verify: the drive's read offset in samples for this run, instead of the stored one
    std::optional<int> offsetSamples;
    // rip --cover: the picture file every output embeds instead of the looked-up front cover,
    // or "none": no picture at all.
    std::optional<QString> cover;
    // rip --mode: how the disc is read this run, instead of the Preferences' choice
    std::optional<readmode::Mode> readMode;

    // rip --to: every format each track is written in, from one read, the main one first;
    // empty: MP3, or WAV with --wav.
    std::vector<pipeline::OutputFormat> ripFormats;
    bool formatSwitchGiven = false;     // --mp3 or --wav (which --to excludes)
    std::optional<int> flacLevel;       // rip --flac-level
    std::optional<int> bitrateKbps;     // -b as typed, when it is a number
    std::optional<int> opusBitrateKbps; // rip: -b when Opus is among the formats

    // convert: the format written (--to), its bitrate in kbit/s (-b: MP3 one of modLAME's
    // list, which also sets bitrateIndex; Opus 6 to 510), and FLAC's compression level
    // (--flac-level); qualityIndex serves MP3 as it does for encode.
    std::optional<pipeline::OutputFormat> convertTo;
    std::optional<int> convertBitrateKbps;
    std::optional<int> convertFlacLevel;

    // convert --mirror: the arguments are source folders, each mirrored into -o's folder;
    // --delete removes the outputs whose source is gone, --dry-run only says what would be
    // done, --portable-names makes names valid on FAT, exFAT and NTFS (rip: its names too).
    bool mirror = false;
    bool mirrorDelete = false;
    bool dryRun = false;
    bool portableNames = false;
};

struct Parsed {
    Options options;
    QString error; // not empty: a usage error, to be shown with a hint at --help
};

// Reads `arguments` (without the program name).
Parsed parse(const QStringList& arguments);

// The --help text.
QString helpText();

} // namespace cli
