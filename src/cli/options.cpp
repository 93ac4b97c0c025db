#include "cli/options.h"

#include "engine/cd/nametemplate.h"
#include "engine/cd/readoffset.h"
#include "engine/core/settings.h"
#include "engine/encode/modlame.h"
#include "engine/pipeline/encoder.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

namespace cli {

namespace {

// Which options each command takes.
enum Accepts : unsigned {
    Bitrate = 1,
    Quality = 2,
    Output = 4,
    Jobs = 8,
    Tracks = 16,
    Format = 32,
    TestAndCopy = 64,
    Lookup = 128,
    NameFromDisc = 256,
    Offset = 512,
    Store = 1024,
    ToFormats = 2048,
    FlacLevel = 4096,
    ReadModeOption = 8192,
    Release = 16384,
    Names = 32768,
    PortableNames = 65536,
    CoverFile = 1u << 20,
};

struct CommandInfo {
    const char* name;
    Command command;
    unsigned accepts;
    bool oneArgument; // exactly one argument (a disc); otherwise one or more files
};

constexpr CommandInfo commands[] = {
    {"encode", Command::Encode, Bitrate | Quality | Output | Jobs, false},
    {"decode", Command::Decode, Output | Jobs, false},
    {"tracks", Command::Tracks, Lookup, true},
    {"rip", Command::Rip,
     Tracks | Format | Bitrate | Quality | Output | TestAndCopy | Lookup | NameFromDisc | Offset |
         ToFormats | FlacLevel | CoverFile | ReadModeOption | Release | Names | PortableNames,
     true},
    {"info", Command::Info, 0, false},
    {"verify", Command::Verify, Offset, false},
    {"offset", Command::OffsetFind, Store, true}, // "offset find DISC"
    // convert reads its --to, --flac-level and --mirror's switches itself (readConvertOption).
    {"convert", Command::Convert, Bitrate | Quality | Output | Jobs, false},
};

std::optional<int> bitrateIndexOf(const QString& text) {
    bool ok = false;
    const uint kbps = text.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    for (int i = 0; i < modLAME::bitrateCount; ++i)
        if (modLAME::bitrateForIndex(i) == kbps)
            return i;
    return std::nullopt;
}

QString bitrateList() {
    QStringList values;
    for (int i = 0; i < modLAME::bitrateCount; ++i)
        values << QString::number(modLAME::bitrateForIndex(i));
    return values.join(QLatin1Char(' '));
}

std::optional<int> qualityIndexOf(const QString& text) {
    const QStringList names = modLAME::qualityNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(text, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return std::nullopt;
}

// "1,3-5": tracks 0..99 (0: a hidden track before the first), each once, in the order given.
// Empty list on any fault.
QList<int> trackList(const QString& text) {
    QList<int> tracks;
    QSet<int> seen;
    auto number = [](const QString& part, int& value) {
        bool ok = false;
        value = part.toInt(&ok);
        return ok && value >= 0 && value <= 99 && !part.startsWith(QLatin1Char('+'));
    };
    for (const QString& piece : text.split(QLatin1Char(','))) {
        const QStringList ends = piece.split(QLatin1Char('-'));
        int first = 0;
        int last = 0;
        if (ends.size() > 2 || !number(ends.front(), first) || !number(ends.back(), last) ||
            last < first)
            return {};
        for (int track = first; track <= last; ++track)
            if (!seen.contains(track)) {
                seen.insert(track);
                tracks << track;
            }
    }
    return tracks;
}

// Reads the value of option `name` (`accepts` tells which) into `o`. Empty, or why the value
// is refused.
QString readValue(Accepts accepts, const QString& name, const QString& value, Options& o) {
    switch (accepts) {
    case Bitrate: {
        o.bitrateIndex = bitrateIndexOf(value);
        bool isNumber = false;
        const int kbps = value.toInt(&isNumber);
        if (isNumber)
            o.bitrateKbps = kbps;
        // A rip may take it as an Opus bitrate: checked once its formats are known.
        if (!o.bitrateIndex && !(o.command == Command::Rip && o.bitrateKbps))
            return QCoreApplication::translate("cli::Options",
                                               "bitrate '%1' is not one of %2 (kbit/s)")
                .arg(value, bitrateList());
        break;
    }
    case Quality:
        o.qualityIndex = qualityIndexOf(value);
        if (!o.qualityIndex)
            return QCoreApplication::translate("cli::Options", "quality '%1' is not one of %2")
                .arg(value, modLAME::qualityNames().join(QStringLiteral(", ")));
        break;
    case Output:
        if (value.isEmpty())
            return QCoreApplication::translate("cli::Options", "%1 needs a folder").arg(name);
        o.outputGiven = true;
        o.outputFolder = value;
        break;
    case Jobs: {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1 || n > maxFilesAtOnce)
            return QCoreApplication::translate("cli::Options",
                                               "files at once '%1' is not a number from 1 to %2")
                .arg(value)
                .arg(maxFilesAtOnce);
        o.filesAtOnce = n;
        break;
    }
    case Tracks:
        o.tracks = trackList(value);
        if (o.tracks.isEmpty())
            return QCoreApplication::translate("cli::Options",
                                               "track list '%1' is not like 1,3-5 (tracks 0-99)")
                .arg(value);
        break;
    case CoverFile:
        if (value.isEmpty())
            return QCoreApplication::translate("cli", "--cover needs a picture file or none");
        o.cover = value;
        break;
    case ReadModeOption:
        o.readMode = readmode::fromName(value);
        if (!o.readMode)
            return QCoreApplication::translate("options",
                                               "read mode '%1' is not secure, fast or paranoid")
                .arg(value);
        break;
    case Offset: {
        bool ok = false;
        const int samples = value.toInt(&ok);
        if (!ok || samples < -readoffset::maxSamples || samples > readoffset::maxSamples)
            return QCoreApplication::translate("cli::Options",
                                               "read offset '%1' is not a number of samples from "
                                               "-%2 to %2")
                .arg(value)
                .arg(readoffset::maxSamples);
        o.offsetSamples = samples;
        break;
    }
    case ToFormats: {
        o.ripFormats.clear();
        for (const QString& part : value.split(QLatin1Char(','))) {
            pipeline::OutputFormat format{};
            if (!pipeline::outputFormatFromName(part.trimmed(), format))
                return QCoreApplication::translate("cli::Options",
                                                   "format '%1' is not one of wav, mp3, flac, opus")
                    .arg(part.trimmed());
            if (std::find(o.ripFormats.begin(), o.ripFormats.end(), format) == o.ripFormats.end())
                o.ripFormats.push_back(format);
        }
        break;
    }
    case Release:
        if (value.trimmed().isEmpty())
            return QCoreApplication::translate("cli", "--release needs a release's number or "
                                                      "MusicBrainz identifier");
        o.release = value.trimmed();
        o.lookup = true;
        break;
    case Names: {
        if (const auto parsed = nametemplate::Template::parse(value); !parsed)
            return QCoreApplication::translate("cli", "--names: %1")
                .arg(parsed.error().description());
        o.names = value;
        o.nameFromDisc = true;
        break;
    }
    case FlacLevel: {
        bool ok = false;
        const int level = value.toInt(&ok);
        if (!ok || level < pipeline::minFlacLevel || level > pipeline::maxFlacLevel)
            return QCoreApplication::translate("cli::Options",
                                               "FLAC level '%1' is not a number from %2 to %3")
                .arg(value)
                .arg(pipeline::minFlacLevel)
                .arg(pipeline::maxFlacLevel);
        o.flacLevel = level;
        break;
    }
    default:
        break;
    }
    return {};
}

// Why a rip's formats and their choices do not go together, or nothing: --to excludes --mp3
// and --wav; -b must be a bitrate of each format asked that takes one (MP3's list, Opus's
// range); --flac-level needs FLAC.
QString checkRipFormats(Options& o) {
    if (!o.ripFormats.empty() && o.formatSwitchGiven)
        return QCoreApplication::translate("cli::Options",
                                           "--to cannot be given with --mp3 or --wav");
    const auto asked = [&o](pipeline::OutputFormat format) {
        return std::find(o.ripFormats.begin(), o.ripFormats.end(), format) != o.ripFormats.end();
    };
    const bool mp3 = o.ripFormats.empty() ? !o.wav : asked(pipeline::OutputFormat::Mp3);
    if (o.bitrateKbps && asked(pipeline::OutputFormat::Opus)) {
        if (*o.bitrateKbps < pipeline::minOpusBitrateKbps ||
            *o.bitrateKbps > pipeline::maxOpusBitrateKbps)
            return QCoreApplication::translate("cli::Options",
                                               "Opus bitrate '%1' is not from %2 to %3 kbit/s")
                .arg(*o.bitrateKbps)
                .arg(pipeline::minOpusBitrateKbps)
                .arg(pipeline::maxOpusBitrateKbps);
        o.opusBitrateKbps = o.bitrateKbps;
    }
    if (o.bitrateKbps && !o.bitrateIndex && (mp3 || !asked(pipeline::OutputFormat::Opus)))
        return QCoreApplication::translate("cli::Options", "bitrate '%1' is not one of %2 (kbit/s)")
            .arg(*o.bitrateKbps)
            .arg(bitrateList());
    if (o.flacLevel && !asked(pipeline::OutputFormat::Flac))
        return QCoreApplication::translate("cli::Options",
                                           "--flac-level needs FLAC among the formats (--to flac)");
    return {};
}

// The options a command line may give, by the spelling the user types.
struct Flag {
    const char* shortName;
    const char* longName;
    Accepts accepts;
};
constexpr Flag flags[] = {
    {"-b", "--bitrate", Bitrate},
    {"-q", "--quality", Quality},
    {"-o", "--output", Output},
    {"-j", "--jobs", Jobs},
    {"-t", "--tracks", Tracks},
    {"", "--mp3", Format},
    {"", "--wav", Format},
    {"", "--test-and-copy", TestAndCopy},
    {"", "--lookup", Lookup},
    {"", "--name-from-disc", NameFromDisc},
    {"", "--offset", Offset},
    {"", "--store", Store},
    {"", "--to", ToFormats},
    {"", "--flac-level", FlacLevel},
    {"", "--cover", CoverFile},
    {"", "--mode", ReadModeOption},
    {"", "--release", Release},
    {"", "--names", Names},
    {"", "--portable-names", PortableNames},
};

// The convert command's own options, --to FORMAT and --flac-level N, read into `o` (moving
// `i` past a value taken from the next argument): why one is refused, or an empty text;
// nothing when `name` is neither.
std::optional<QString> readConvertOption(const QStringList& arguments, qsizetype& i,
                                         const QString& name, QString value, bool valueAttached,
                                         Options& o) {
    const std::pair<const char*, bool Options::*> mirrorSwitches[] = {
        {"--mirror", &Options::mirror},
        {"--delete", &Options::mirrorDelete},
        {"--dry-run", &Options::dryRun},
        {"--portable-names", &Options::portableNames}};
    for (const auto& [switchName, member] : mirrorSwitches)
        if (name == QLatin1String(switchName)) {
            if (valueAttached)
                return QCoreApplication::translate("cli::Options", "%1 takes no value").arg(name);
            o.*member = true;
            return QString();
        }
    const bool to = name == QLatin1String("--to");
    if (!to && name != QLatin1String("--flac-level"))
        return std::nullopt;
    if (!valueAttached) {
        if (i + 1 >= arguments.size())
            return QCoreApplication::translate("cli::Options", "%1 needs a value").arg(name);
        value = arguments[++i];
    }
    if (to) {
        pipeline::OutputFormat format{};
        if (!pipeline::outputFormatFromName(value, format))
            return QCoreApplication::translate("cli::Options",
                                               "format '%1' is not one of mp3, flac, opus, wav")
                .arg(value);
        o.convertTo = format;
        return QString();
    }
    bool ok = false;
    const int level = value.toInt(&ok);
    if (!ok || level < pipeline::minFlacLevel || level > pipeline::maxFlacLevel)
        return QCoreApplication::translate("cli::Options",
                                           "FLAC level '%1' is not a number from %2 to %3")
            .arg(value)
            .arg(pipeline::minFlacLevel)
            .arg(pipeline::maxFlacLevel);
    o.convertFlacLevel = level;
    return QString();
}

// convert's -b: a number, checked against the format once the whole line is read
// (checkConvert), since -b may come before --to.
QString readConvertBitrate(const QString& value, Options& o) {
    bool ok = false;
    const int kbps = value.toInt(&ok);
    if (!ok || kbps <= 0)
        return QCoreApplication::translate("cli::Options", "bitrate '%1' is not a number of kbit/s")
            .arg(value);
    o.convertBitrateKbps = kbps;
    return {};
}

// Why the convert command's options do not fit the format it writes, or nothing.
QString checkConvert(Options& o) {
    if (!o.convertTo)
        return QCoreApplication::translate(
            "cli::Options", "convert: give the format to write with --to mp3, flac, opus or "
                            "wav");
    const pipeline::OutputFormat format = *o.convertTo;
    const QString formatName = pipeline::extensionOf(format);
    if (o.convertBitrateKbps) {
        const int kbps = *o.convertBitrateKbps;
        if (format == pipeline::OutputFormat::Mp3) {
            o.bitrateIndex = bitrateIndexOf(QString::number(kbps));
            if (!o.bitrateIndex)
                return QCoreApplication::translate("cli::Options",
                                                   "bitrate '%1' is not one of %2 (kbit/s)")
                    .arg(kbps)
                    .arg(bitrateList());
        } else if (format == pipeline::OutputFormat::Opus) {
            if (kbps < pipeline::minOpusBitrateKbps || kbps > pipeline::maxOpusBitrateKbps)
                return QCoreApplication::translate(
                           "cli::Options", "Opus bitrate '%1' is not from %2 to %3 (kbit/s)")
                    .arg(kbps)
                    .arg(pipeline::minOpusBitrateKbps)
                    .arg(pipeline::maxOpusBitrateKbps);
        } else {
            return QCoreApplication::translate(
                       "cli::Options", "convert --to %1 takes no bitrate (-b is for mp3 and opus)")
                .arg(formatName);
        }
    }
    if (o.qualityIndex && format != pipeline::OutputFormat::Mp3)
        return QCoreApplication::translate("cli::Options",
                                           "convert --to %1 takes no quality (-q is for mp3)")
            .arg(formatName);
    if (o.convertFlacLevel && format != pipeline::OutputFormat::Flac)
        return QCoreApplication::translate("cli::Options", "convert --to %1 takes no FLAC level")
            .arg(formatName);
    if (!o.mirror && (o.mirrorDelete || o.dryRun || o.portableNames))
        return QCoreApplication::translate(
            "cli::Options", "--delete, --dry-run and --portable-names go with convert --mirror");
    if (o.mirror && !o.outputGiven)
        return QCoreApplication::translate(
            "cli::Options", "convert --mirror: give the destination folder with -o DIR");
    return {};
}

// The switch (an option without a value) `accepts` sets, if it is one.
bool* switchOf(Accepts accepts, Options& o) {
    switch (accepts) {
    case TestAndCopy:
        return &o.testAndCopy;
    case Lookup:
        return &o.lookup;
    case NameFromDisc:
        return &o.nameFromDisc;
    case Store:
        return &o.store;
    case PortableNames:
        return &o.portableNames;
    default:
        return nullptr;
    }
}

// Reads the option arguments[i] ("--name=value", "--name value", "-n value" or a switch) into
// `o`, moving `i` past a value it takes from the next argument. Returns why it is refused, or
// nothing.
QString readOption(const QStringList& arguments, qsizetype& i, const CommandInfo& info,
                   const QString& commandName, Options& o) {
    const QString& arg = arguments[i];
    QString name = arg;
    QString value;
    bool valueAttached = false;
    if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
        name = arg.section(QLatin1Char('='), 0, 0);
        value = arg.section(QLatin1Char('='), 1);
        valueAttached = true;
    }
    if (info.command == Command::Convert)
        if (auto read = readConvertOption(arguments, i, name, value, valueAttached, o))
            return *read;
    const Flag* flag = nullptr;
    for (const Flag& f : flags)
        if (name == QLatin1String(f.shortName) || name == QLatin1String(f.longName))
            flag = &f;
    if (!flag)
        return QCoreApplication::translate("cli::Options", "unknown option '%1'").arg(name);
    if (!(info.accepts & flag->accepts))
        return QCoreApplication::translate("cli::Options", "'%1' does not take %2")
            .arg(commandName, name);
    if (bool* switched = switchOf(flag->accepts, o)) {
        if (valueAttached)
            return QCoreApplication::translate("cli::Options", "%1 takes no value").arg(name);
        *switched = true;
        return {};
    }
    if (flag->accepts == Format) {
        if (valueAttached)
            return QCoreApplication::translate("cli::Options", "%1 takes no value").arg(name);
        o.wav = name == QLatin1String("--wav");
        o.formatSwitchGiven = true;
        return {};
    }
    if (!valueAttached) {
        if (i + 1 >= arguments.size())
            return QCoreApplication::translate("cli::Options", "%1 needs a value").arg(name);
        value = arguments[++i];
    }
    if (info.command == Command::Convert && flag->accepts == Bitrate)
        return readConvertBitrate(value, o);
    return readValue(flag->accepts, name, value, o);
}

// Why the command's arguments (files or a disc) are not what it takes, or nothing.
QString checkArguments(const CommandInfo& info, const QString& commandName, const Options& o) {
    if (o.arguments.isEmpty() && o.mirror)
        return QCoreApplication::translate("cli::Options",
                                           "convert --mirror: no source folders given");
    if (o.arguments.isEmpty())
        return info.oneArgument
                   ? QCoreApplication::translate("cli::Options",
                                                 "%1: no disc given (a .cue image or a CD device)")
                         .arg(commandName)
                   : QCoreApplication::translate("cli::Options", "%1: no files given")
                         .arg(commandName);
    if (info.command == Command::Verify && o.arguments.size() < 2)
        return QCoreApplication::translate("cli::Options",
                                           "verify: give the disc, then the WAV files to compare");
    if (info.oneArgument && o.arguments.size() > 1)
        return QCoreApplication::translate("cli::Options", "%1 takes one disc, not %2 arguments")
            .arg(commandName)
            .arg(o.arguments.size());
    return {};
}

} // namespace

Parsed parse(const QStringList& arguments) {
    Parsed out;
    Options& o = out.options;
    auto fail = [&out](const QString& error) {
        out.error = error;
        return out;
    };
    if (arguments.isEmpty())
        return fail(QCoreApplication::translate("cli::Options", "no command given"));

    const QString& first = arguments.front();
    if (first == QLatin1String("-h") || first == QLatin1String("--help") ||
        first == QLatin1String("help"))
        return out;
    if (first == QLatin1String("-V") || first == QLatin1String("--version")) {
        o.command = Command::Version;
        return out;
    }
    const CommandInfo* info = nullptr;
    for (const CommandInfo& c : commands)
        if (first == QLatin1String(c.name))
            info = &c;
    if (!info)
        return fail(QCoreApplication::translate("cli::Options", "unknown command '%1'").arg(first));
    o.command = info->command;
    // How messages name the command.
    const QString commandName = o.command == Command::OffsetFind ? QStringLiteral("offset find")
                                                                 : QLatin1String(info->name);
    qsizetype firstArgument = 1;
    if (o.command == Command::OffsetFind) {
        if (arguments.size() < 2 || arguments[1] != QLatin1String("find"))
            return fail(QCoreApplication::translate("cli::Options",
                                                    "offset: the command is 'offset find DISC'"));
        firstArgument = 2;
    }

    bool optionsEnded = false;
    for (qsizetype i = firstArgument; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            o.arguments << arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            o.command = Command::Help;
            return out;
        } else if (const QString refused = readOption(arguments, i, *info, commandName, o);
                   !refused.isEmpty()) {
            return fail(refused);
        }
    }
    if (const QString refused = checkArguments(*info, commandName, o); !refused.isEmpty())
        return fail(refused);
    if (o.command == Command::Rip)
        if (const QString refused = checkRipFormats(o); !refused.isEmpty())
            return fail(refused);
    if (o.command == Command::Convert)
        if (const QString refused = checkConvert(o); !refused.isEmpty())
            return fail(refused);
    return out;
}

QString helpText() {
    return QCoreApplication::translate(
               "cli::Options",
               "Usage: mp3vortan-cli COMMAND [OPTIONS] ARGUMENTS\n"
               "\n"
               "MP3 Vortan's conversions from the shell, with the window's settings.\n"
               "\n"
               "Commands:\n"
               "  encode FILE...  WAV files to MP3            [-b KBITS] [-q QUALITY] [-o DIR] "
               "[-j N]\n"
               "  decode FILE...  MP3 files to WAV            [-o DIR] [-j N]\n"
               "  convert FILE... --to FORMAT  audio files of any common format (FLAC, Ogg,\n"
               "                  Opus, M4A, WAV, MP3...) to mp3, flac, opus or wav, with\n"
               "                  their tags  [-b KBITS] [-q QUALITY] [--flac-level N] [-o DIR]\n"
               "                  [-j N]; e.g. convert --to flac -o ~/Music/flac *.wav\n"
               "  convert --mirror FOLDER... -o DIR --to FORMAT  a whole library: every audio\n"
               "                  file under the folders converted into the same relative\n"
               "                  folder of DIR; MP3 to mp3 and Opus to opus are copied, never\n"
               "                  coded twice; cover images go along and into the outputs;\n"
               "                  what is up to date is left alone, so a rerun (also after\n"
               "                  Ctrl+C or a crash) does only the rest  [--delete] [--dry-run]\n"
               "                  [--portable-names] [-b KBITS] [-q QUALITY] [--flac-level N]\n"
               "                  [-j N]; e.g. convert --mirror ~/Music -o /media/card --to mp3\n"
               "  tracks DISC     the disc's identity, MusicBrainz disc ID and track list, with\n"
               "                  the titles its CD-Text gives                 [--lookup]\n"
               "  rip DISC        the disc's tracks to MP3 or WAV files (or FLAC, Opus: --to)\n"
               "                  by digital extraction\n"
               "                  [-t LIST] [--mp3|--wav] [--test-and-copy] [-b KBITS] [-q "
               "QUALITY]\n"
               "                  [-o DIR] [--lookup] [--name-from-disc] [--offset N]\n"
               "                  [--to FORMATS] [--flac-level N] [--cover FILE|none]\n"
               "                  [--release N|ID] [--names TEMPLATE] [--portable-names]\n"
               "                  [--mode secure|fast|paranoid]; the files are tagged with\n"
               "                  the disc's information and its front cover (also written\n"
               "                  beside them); a rip log with each\n"
               "                  track's checksums, loudness and the read offset corrected\n"
               "                  and a cue sheet of the files (gaps, ISRCs, catalogue\n"
               "                  number) go beside them\n"
               "  info FILE...    the MPEG header values, the ID3v1 tag and the ID3v2 frames of\n"
               "                  MP3 files; the stream values and tags of other audio files\n"
               "  verify DISC WAV...  each WAV's checksums against its track of the disc\n"
               "                  [--offset N]; both rip and verify ask the AccurateRip\n"
               "                  database and exit 1 when a track does not match its record\n"
               "  offset find DISC  the drive's read offset, found by reading one or two tracks\n"
               "                  and comparing them with the AccurateRip database's record\n"
               "                  of the disc [--store]\n"
               "  DISC is a disc image's cue sheet (.cue: one BIN, or WAVE files of CD audio,\n"
               "  such as the sheet a rip leaves) or a CD device (/dev/sr0).\n"
               "\n"
               "Options:\n"
               "  -b, --bitrate KBITS  constant bitrate: %1;\n"
               "                       for Opus (convert --to opus, rip --to opus), %8 to %9\n"
               "                       (default %10)\n"
               "  -q, --quality NAME   %2\n"
               "  -o, --output DIR     the destination folder (created when missing)\n"
               "  -j, --jobs N         files converted at once, 1 to %3\n"
               "      --to FORMAT      what convert writes: mp3, flac, opus or wav; rip takes\n"
               "                       a list, each track written in every format listed from\n"
               "                       one read, the first the main one, each with its own\n"
               "                       cue sheet, e.g. rip --to flac,mp3 /dev/sr0 (rip: not\n"
               "                       with --mp3 or --wav)\n"
               "      --flac-level N   FLAC compression level, %5 (fastest) to %6 (smallest;\n"
               "                       default %7)\n"
               "      --mirror         convert takes source folders, mirrored into -o's folder\n"
               "      --delete         with --mirror: removes the outputs (and cover copies)\n"
               "                       this program made that no source gives any more;\n"
               "                       nothing else\n"
               "      --dry-run        with --mirror: lists what would be converted, copied,\n"
               "                       left up to date and removed, and changes nothing\n"
               "      --portable-names with --mirror or rip: names valid on FAT, exFAT and NTFS\n"
               "                       (memory cards, phones): no <>:\"\\|?*, no trailing dot\n"
               "                       or space; names that become equal are numbered\n"
               "  -t, --tracks LIST    the tracks to extract, e.g. 1,3-5 (default: all); 0 is a\n"
               "                       hidden track before track 1, which all leaves out\n"
               "      --mp3, --wav     what rip writes (default: MP3)\n"
               "      --test-and-copy  rip reads each track twice, a test pass then the copy;\n"
               "                       the log gives both CRCs, and a track whose CRCs differ\n"
               "                       fails\n"
               "      --lookup         ask the MusicBrainz web service for the disc's album,\n"
               "                       artist and titles (the first matching release, or\n"
               "                       --release's; tracks numbers them all, with whether the\n"
               "                       Cover Art Archive has a front cover; rip embeds that\n"
               "                       cover in each file and writes cover.jpg beside them, as\n"
               "                       Preferences say)\n"
               "      --cover FILE     rip embeds the picture FILE (JPEG or PNG) as the front\n"
               "                       cover instead of the one --lookup fetches; --cover\n"
               "                       none: no picture at all\n"
               "      --name-from-disc rip names each file \"NN - Title\" after its track's\n"
               "                       title (CD-Text or --lookup)\n"
               "      --names TEMPLATE rip names each file (and folders below -o) by TEMPLATE\n"
               "                       (the \"File names\" preference; implies --name-from-disc)\n"
               "                       with {albumartist} {artist} {album} {year} {disc}\n"
               "                       {discs} {track} {title} {isrc}; a part in [ ] is left\n"
               "                       out when a field in it is empty, e.g.\n"
               "                       \"{albumartist}/{album}/[{disc}-]{track} - {title}\"\n"
               "      --release N|ID   rip the N-th release of tracks --lookup's list, or the\n"
               "                       one with that MusicBrainz ID (implies --lookup)\n"
               "      --mode MODE      how rip reads the disc: secure (every sector through\n"
               "                       the error-correcting reader), fast (each track read\n"
               "                       once, read again securely unless the AccurateRip\n"
               "                       database confirms it) or paranoid (secure, tested and\n"
               "                       copied); default: the choice in Preferences (secure)\n"
               "      --offset N       the drive's read offset in samples, -%4 to %4, for this\n"
               "                       run (default: the one stored for the drive's model in\n"
               "                       Preferences, else 0); e.g. rip --offset 6 /dev/sr0 for\n"
               "                       a drive that reads 6 samples late\n"
               "      --store          offset find stores the best offset for the drive's\n"
               "                       model without asking\n"
               "  -h, --help           this text\n"
               "  -V, --version        the program's version\n"
               "\n"
               "Bitrate, quality, destination and files at once default to the choices made\n"
               "in the MP3 Vortan window; options apply to this run only and are never saved.\n"
               "No file is replaced: an output whose name is taken gets a number, \"a (2).mp3\".\n"
               "Progress goes to standard error, the path of each file written completely to\n"
               "standard output, one a line. Printed lines are escaped: a backslash is \\\\,\n"
               "a newline \\n, a tab \\t, other control characters \\r, \\e, \\xHH, \\uHHHH.\n"
               "Ctrl+C or SIGTERM ends the run at any stage; the files under way end\n"
               "properly (a rip keeps no file of the track under way).\n"
               "Messages and this help follow the locale's language (LANG); standard output\n"
               "stays English.\n"
               "\n"
               "Exit status: 0 when every file was converted (verify: every file matches its\n"
               "track), 1 when some were not (each is named with the reason) or the run was\n"
               "interrupted, 2 for a usage error.\n")
        .arg(bitrateList(), modLAME::qualityNames().join(QStringLiteral(", ")))
        .arg(maxFilesAtOnce)
        .arg(readoffset::maxSamples)
        .arg(pipeline::minFlacLevel)
        .arg(pipeline::maxFlacLevel)
        .arg(pipeline::defaultFlacLevel)
        .arg(pipeline::minOpusBitrateKbps)
        .arg(pipeline::maxOpusBitrateKbps)
        .arg(pipeline::defaultOpusBitrateKbps);
}

} // namespace cli
