#include "cli/commands.h"
#include "cli/commandsupport.h"

#include "cli/interruption.h"
#include "cli/progressdisplay.h"
#include "cli/ripcover.h"
#include "engine/cd/discinfo.h"
#include "engine/cd/disclisting.h"
#include "engine/cd/disclookup.h"
#include "engine/cd/extractionplan.h"
#include "engine/cd/modakrip32.h"
#include "engine/cd/readoffset.h"
#include "engine/cd/recordlookup.h"
#include "engine/cd/ripcompletion.h"
#include "engine/cd/ripcue.h"
#include "engine/cd/riplog.h"
#include "engine/cd/ripverify.h"
#include "engine/core/batchrunner.h"
#include "engine/core/destination.h"
#include "engine/core/displaytext.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/decode/decodejob.h"
#include "engine/decode/decoding.h"
#include "engine/formats/outputfile.h"
#include "engine/pipeline/encodejob.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/nativepath.h"
#include "engine/service/conversionservice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace cli {

QString escaped(const QString& text) {
    return printable(QString(text).replace(QLatin1Char('\\'), QLatin1String("\\\\")));
}

// Every line the program prints goes out escaped: file names, tags, disc texts and the web
// service's words never reach the terminal raw.
void say(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = escaped(line);
    std::fputs(nativepath::encode(lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).constData(),
               stderr);
}

int fail(const QString& text) {
    say(QCoreApplication::translate("cli::Commands", "mp3vortan-cli: ") + text);
    return 1;
}

void print(const QString& text) {
    std::fputs(nativepath::encode(escaped(text) + QLatin1Char('\n')).constData(), stdout);
}

namespace {

QString absolute(const QString& path) {
    return nativepath::absolute(path);
}

} // namespace

std::optional<QString> settleDestination(const Options& options) {
    const QString folder =
        options.outputGiven ? absolute(options.outputFolder) : storedDestinationFolder();
    if (!nativepath::makeFolders(folder)) {
        fail(QCoreApplication::translate("cli::Commands",
                                         "the destination folder %1 cannot be created")
                 .arg(folder));
        return std::nullopt;
    }
    for (const QString& leftover : outputfile::removeLeftovers(folder))
        say(QCoreApplication::translate(
                "cli::Commands", "mp3vortan-cli: removed %1, left unfinished by an earlier run")
                .arg(leftover));
    return folder == QLatin1String("/") ? QString() : folder;
}

namespace {

int filesAtOnceFor(const Options& options) {
    return options.filesAtOnce.value_or(filesAtOnce());
}

} // namespace

modLAME::EncoderConfig configFor(const Options& options) {
    return fileEncoderConfigFor(options.bitrateIndex.value_or(EncodingBitrate),
                                options.qualityIndex.value_or(EncodingQuality));
}

BatchOutcome runBatch(Batch batch, Interruption& interruption) {
    ConversionService service;
    ProgressDisplay display(::isatty(STDERR_FILENO) == 1, std::move(batch.weights), batch.label);
    display.printsOutputs = batch.printOutputs;
    if (batch.partOf)
        display.partOf(*batch.partOf);
    QObject::connect(&service, &ConversionService::itemStarted, &service,
                     [&display](const WorkItem& item) { display.itemStarted(item); });
    QObject::connect(&service, &ConversionService::itemProgress, &service,
                     [&display](const WorkItem& item, const QString&, int percent) {
                         display.itemProgress(item, percent);
                     });
    QObject::connect(&service, &ConversionService::itemFinished, &service,
                     [&display, &service, stopAfter = batch.stopAfter](const WorkItem& item,
                                                                       const JobResult& result) {
                         display.itemFinished(item, result);
                         if (stopAfter && stopAfter(item, result))
                             service.stop();
                     });
    ConversionReport report;
    QObject::connect(&service, &ConversionService::batchFinished, &service,
                     [&report](const ConversionReport& ended) {
                         report = ended;
                         QCoreApplication::exit(0);
                     });
    QObject::connect(&interruption, &Interruption::interrupted, &service,
                     &ConversionService::abort);
    if (!interruption.happened() && service.start(std::move(batch.work)))
        QCoreApplication::exec();
    display.end();

    BatchOutcome outcome{0, report.items, report.results};
    QStringList problems;
    for (qsizetype i = 0; i < outcome.results.size(); ++i)
        if (outcome.results[i].status != JobResult::Status::Completed)
            problems << display.problem(outcome.items[i], outcome.results[i]);
    if (interruption.happened()) {
        say(outcome.items.isEmpty()
                ? QCoreApplication::translate("cli::Commands",
                                              "mp3vortan-cli: interrupted; nothing was %1")
                      .arg(batch.verb)
                : QCoreApplication::translate("cli::Commands", "mp3vortan-cli: interrupted"));
        outcome.status = 1;
    }
    if (problems.isEmpty())
        return outcome;
    outcome.status = 1;
    // Each was named as it ended; a batch of several names them together once more.
    if (outcome.items.size() > 1) {
        say(QCoreApplication::translate("cli::Commands",
                                        "mp3vortan-cli: %1 of %2 files could not be %3:")
                .arg(problems.size())
                .arg(outcome.items.size())
                .arg(batch.verb));
        for (const QString& line : problems)
            say(QStringLiteral("  ") + line);
    }
    return outcome;
}

Batch fileBatch(const Options& options, ConversionKind kind, const QString& destination,
                const std::function<void(ConversionSettings&)>& choose) {
    Batch batch;
    batch.work.kind = kind;
    batch.work.settings.destination = destination;
    batch.work.settings.filesAtOnce = filesAtOnceFor(options);
    batch.work.settings.encoder = configFor(options);
    if (choose)
        choose(batch.work.settings);
    for (const QString& argument : options.arguments) {
        const QString source = absolute(argument);
        batch.work.items.append(
            WorkItem{source, ConversionService::outputFor(kind, batch.work.settings, source)});
        batch.weights.push_back(std::max<qint64>(nativepath::fileSize(source), 0));
    }
    batch.label = [names = options.arguments](const WorkItem& item) {
        return names.value(item.index);
    };
    return batch;
}

int driveOf(const QString& disc, Interruption& interruption) {
    if (disc.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive)) {
        // Joining an image's WAVE files reads them whole.
        const Result<cddrives::ImageReport> image =
            interruption.abandonable<Result<cddrives::ImageReport>>(
                [&disc] { return cddrives::registerImage(disc); });
        if (!image) {
            fail(image.error().description());
            return -1;
        }
        if (!image->incompleteTracks.isEmpty())
            say(QCoreApplication::translate(
                    "cli::Commands",
                    "mp3vortan-cli: %1: the data file holds less than the cue sheet "
                    "describes (an incomplete copy?)\n  %2")
                    .arg(disc, image->incompleteTracks.join(QStringLiteral("\n  "))));
        return image->driveIndex;
    }
    const QString wanted = nativepath::canonical(disc);
    // The first call finds the devices, which may wait for each.
    const std::vector<cddrives::Drive> drives =
        interruption.abandonable<std::vector<cddrives::Drive>>([] { return cddrives::drives(); });
    QStringList known;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (drives[i].isImage)
            continue;
        known << drives[i].path;
        if (!wanted.isEmpty() && nativepath::canonical(drives[i].path) == wanted)
            return static_cast<int>(i);
    }
    fail(QCoreApplication::translate("cli::Commands", "%1: no such CD drive (drives found: %2)")
             .arg(disc, known.isEmpty() ? QCoreApplication::translate("cli::Commands", "none")
                                        : known.join(QStringLiteral(", "))));
    return -1;
}

// A real drive may take long to answer, and a disc's CD-Text, codes and hidden track are read
// from it.
Disc readDiscOf(int drive, Interruption& interruption) {
    return interruption.abandonable<Disc>([drive] { return readDisc(drive); });
}

namespace {

// The disc a command works on, read once, and its listing.
struct ListedDisc {
    Disc disc;
    disclisting::Listing listing;
    const discinfo::DriveDisc& known() const { return disc.known; }
};

// Reads the disc `source` names and lists it the way the window does. False (said why) when
// there is no music CD.
bool listDisc(const QString& source, ListedDisc& out, Interruption& interruption) {
    const int drive = driveOf(source, interruption);
    if (drive < 0)
        return false;
    cddrives::setMediaDrive(drive);
    out.disc = readDiscOf(drive, interruption);
    if (const QString message = disclisting::notMusicCdMessage(out.disc); !message.isEmpty()) {
        fail(source + QStringLiteral(": ") + message);
        return false;
    }
    out.listing = disclisting::listingOf(out.disc);
    return true;
}

// Runs the event loop until `lookup` (a DiscLookup, a RecordLookup) answers `request`, or until
// an interruption (Ctrl+C), which abandons it: nothing then. The look-up bounds its own wait.
template <typename Lookup, typename Request>
std::optional<typename Lookup::Result> answerOf(Lookup& lookup, const Request& request,
                                                Interruption& interruption) {
    std::optional<typename Lookup::Result> answer;
    const QMetaObject::Connection stop = QObject::connect(
        &interruption, &Interruption::interrupted, &lookup, [] { QCoreApplication::exit(0); });
    lookup.start(request, [&answer](const typename Lookup::Result& result) {
        answer = result;
        QCoreApplication::exit(0);
    });
    if (!interruption.happened() && !answer)
        QCoreApplication::exec();
    QObject::disconnect(stop);
    if (!answer)
        lookup.cancel();
    return answer;
}

VortanError interrupted(const QString& source) {
    return VortanError(VortanError::InvalidArgument, source,
                       QCoreApplication::translate("cli::Commands", "interrupted"));
}

// The releases the MusicBrainz web service (the "MusicBrainz server" setting) knows `disc`
// by, in its order. Fails with the reason the disc could not be looked up.
Result<std::vector<musicbrainz::ReleaseMatch>> lookUp(const ListedDisc& disc,
                                                      Interruption& interruption) {
    if (disc.known().musicBrainz.id.isEmpty())
        return VortanError(VortanError::InvalidArgument, QStringLiteral("lookup"),
                           QCoreApplication::translate(
                               "cli::Commands", "the disc's MusicBrainz disc ID could not be "
                                                "computed (%1)")
                               .arg(disc.known().discIdError));
    musicbrainz::LookupRequest request;
    request.disc = disc.known().musicBrainz;
    request.server = MusicBrainzServer;
    musicbrainz::DiscLookup lookup;
    const auto answer = answerOf(lookup, request, interruption);
    if (!answer)
        return interrupted(QStringLiteral("lookup"));
    return answer.value();
}

} // namespace

// The AccurateRip database's record of the disc `key` names (the "AccurateRip server"
// setting), or why it could not be asked.
accuraterip::RecordLookup::Result askDatabase(const accuraterip::DiscKey& key,
                                              Interruption& interruption) {
    accuraterip::LookupRequest request;
    request.key = key;
    request.server = AccurateRipServer;
    accuraterip::RecordLookup lookup;
    const auto answer = answerOf(lookup, request, interruption);
    if (!answer)
        return interrupted(QStringLiteral("AccurateRip"));
    return answer.value();
}

namespace {

// What `disc` is known as: its CD-Text, merged with the release the web service gives when
// `lookup` is asked for: the one `release` names (tracks --lookup's number or a MusicBrainz
// identifier), else the first, and stderr says how many others there were (rip). `releases`,
// when given, receives every release. A failed look-up is said, and the CD-Text is kept.
// Returns 0, 1 when the look-up failed, 2 when `release` names none of the releases (said).
int discInformation(const ListedDisc& disc, bool lookup, const QString& release, DiscInfo& info,
                    std::vector<musicbrainz::ReleaseMatch>* releases, Interruption& interruption) {
    info = disc.known().cdText;
    if (!lookup)
        return 0;
    const auto found = lookUp(disc, interruption);
    if (!found) {
        say(QCoreApplication::translate("cli::Commands",
                                        "mp3vortan-cli: the disc could not be looked up: %1")
                .arg(found.error().description()));
        return 1;
    }
    if (found->empty()) {
        say(QCoreApplication::translate("cli::Commands",
                                        "mp3vortan-cli: MusicBrainz does not know disc ID %1")
                .arg(disc.known().musicBrainz.id));
        return release.isEmpty() ? 0 : 2;
    }
    std::size_t chosen = 0;
    if (!release.isEmpty()) {
        const auto named = musicbrainz::chooseRelease(found.value(), release);
        if (!named) {
            say(QStringLiteral("mp3vortan-cli: ") + named.error().description());
            return 2;
        }
        chosen = named.value();
    } else if (!releases && found->size() > 1) {
        say(QCoreApplication::translate("cli", "mp3vortan-cli: MusicBrainz knows %1 other "
                                               "releases of this disc; the first is taken "
                                               "(tracks --lookup lists them, --release chooses)")
                .arg(found->size() - 1));
    }
    info = discinfo::merge(disc.known().cdText, found.value()[chosen].disc);
    info.discId = disc.known().musicBrainz.id;
    if (releases)
        *releases = found.value();
    return 0;
}

// The releases as tracks --lookup lists them: a heading, then one numbered line each, its
// columns between " | " ("-" for an empty one) and its MusicBrainz identifier last.
QStringList releaseLines(const std::vector<musicbrainz::ReleaseMatch>& releases) {
    const QString between = QStringLiteral(" | ");
    QStringList lines{QStringLiteral("Releases:"),
                      QStringLiteral("  #  ") + musicbrainz::releaseColumnTitles(false).join(between) +
                          between + QStringLiteral("MusicBrainz release")};
    for (std::size_t i = 0; i < releases.size(); ++i) {
        QStringList columns = musicbrainz::releaseColumns(releases[i]);
        columns << releases[i].disc.releaseId;
        for (QString& column : columns)
            column = column.isEmpty() ? QStringLiteral("-") : escaped(column);
        lines << QStringLiteral("%1  %2").arg(i + 1, 3).arg(columns.join(between));
    }
    return lines;
}

} // namespace

int encode(const Options& options, Interruption& interruption) {
    LoadSettings();
    const std::optional<QString> destination = settleDestination(options);
    if (!destination)
        return 1;
    Batch batch = fileBatch(options, ConversionKind::WavToMp3, *destination);
    batch.verb = QCoreApplication::translate("cli::Commands", "encoded");
    return runBatch(std::move(batch), interruption).status;
}

int decode(const Options& options, Interruption& interruption) {
    LoadSettings();
    const std::optional<QString> destination = settleDestination(options);
    if (!destination)
        return 1;
    Batch batch = fileBatch(options, ConversionKind::Mp3ToWav, *destination);
    batch.verb = QCoreApplication::translate("cli::Commands", "decoded");
    return runBatch(std::move(batch), interruption).status;
}

int tracks(const Options& options, Interruption& interruption) {
    ListedDisc disc;
    if (!listDisc(options.arguments.front(), disc, interruption))
        return 1;
    print(QStringLiteral("Disc identity: %1 (freedb %2)")
              .arg(disc.listing.identity)
              .arg(disc.disc.freedbId, 8, 16, QLatin1Char('0')));
    print(disc.known().musicBrainz.id.isEmpty()
              ? QStringLiteral("MusicBrainz disc ID: none (%1)").arg(disc.known().discIdError)
              : QStringLiteral("MusicBrainz disc ID: ") + disc.known().musicBrainz.id);
    if (options.lookup)
        LoadSettings(); // the server to ask
    DiscInfo info;
    std::vector<musicbrainz::ReleaseMatch> releases;
    const bool lookedUp =
        discInformation(disc, options.lookup, QString(), info, &releases, interruption) == 0;
    const auto printKnown = [](const QString& name, const QString& value) {
        if (!value.isEmpty())
            print(name + QStringLiteral(": ") + value);
    };
    printKnown(QStringLiteral("Album"), info.album);
    printKnown(QStringLiteral("Artist"), info.artist);
    printKnown(QStringLiteral("Date"), info.date);
    printKnown(QStringLiteral("MusicBrainz release"), info.releaseId);
    if (options.lookup && lookedUp)
        printCoverLine(info, interruption);
    print(QStringLiteral("Tracks: %1").arg(disc.listing.trackCountText));
    for (const disclisting::TrackEntry& entry : disc.listing.entries) {
        // Each entry as the window lists it; its title after a tab.
        QString line = entry.text;
        if (const TrackInfo* track = info.track(entry.track); track && !track->title.isEmpty()) {
            line += QLatin1Char('\t') + escaped(track->title);
            if (!track->artist.isEmpty() && track->artist != info.artist)
                line += QStringLiteral(" (%1)").arg(escaped(track->artist));
        }
        std::fputs(nativepath::encode(line + QLatin1Char('\n')).constData(), stdout);
    }
    if (!releases.empty())
        for (const QString& line : releaseLines(releases))
            std::fputs(nativepath::encode(line + QLatin1Char('\n')).constData(), stdout);
    if (interruption.happened()) {
        say(QCoreApplication::translate("cli::Commands", "mp3vortan-cli: interrupted"));
        return 1;
    }
    return lookedUp ? 0 : 1;
}

namespace {

// Why track `track` of `disc` (named `source`) cannot be asked for (a usage error); empty
// when it can.
QString unaskable(const disclisting::Listing& disc, const QString& source, int track) {
    if (track == 0 && disc.hiddenTrack)
        return {};
    const std::vector<int>& data = disc.dataTracks;
    if (std::find(data.begin(), data.end(), track) != data.end())
        return QCoreApplication::translate(
                   "cli::Commands",
                   "track %1 of %2 is a data track; only audio tracks can be ripped")
            .arg(track)
            .arg(source);
    const std::vector<int>& known = disc.extractable;
    if (std::find(known.begin(), known.end(), track) != known.end())
        return {};
    std::vector<int> all = known;
    all.insert(all.end(), data.begin(), data.end());
    const auto [lowest, highest] = std::minmax_element(all.begin(), all.end());
    return QCoreApplication::translate("cli::Commands",
                                       "%1 has no track %2 (its tracks are %3 to %4)")
        .arg(source)
        .arg(track)
        .arg(lowest == all.end() ? 0 : *lowest)
        .arg(highest == all.end() ? 0 : *highest);
}

// The read offset the run corrects for drive `drive`: the command line's, else the stored one.
readoffset::Offset offsetOf(const Options& options, int drive) {
    readoffset::Offset offset = readoffset::forDrive(drive);
    if (options.offsetSamples) {
        offset.samples = *options.offsetSamples;
        offset.source = readoffset::Offset::Source::CommandLine;
    }
    return offset;
}

// The tracks `options` asks for from `disc` (named `source`): all but the data tracks when it
// names none (an image's missing ones too: they fail, named). Nothing when one of them cannot be
// asked for (said why).
std::optional<QList<int>> tracksToRip(const Options& options, const ListedDisc& disc,
                                      const QString& source) {
    QList<int> wanted = options.tracks;
    if (wanted.isEmpty())
        for (const int track : disc.listing.extractable)
            wanted << track;
    for (const int track : wanted)
        if (const QString problem = unaskable(disc.listing, source, track); !problem.isEmpty()) {
            say(QCoreApplication::translate("cli::Commands", "mp3vortan-cli: ") + problem);
            return std::nullopt;
        }
    return wanted;
}

// The rip log's words for `format` as `choices` write it.
QString formatTextOf(pipeline::OutputFormat format, const ExtractionChoices& choices,
                     int bitrateIndex, int qualityIndex) {
    switch (format) {
    case pipeline::OutputFormat::Wav:
        return wavFormatText();
    case pipeline::OutputFormat::Mp3:
        return mp3FormatText(QString::number(modLAME::bitrateForIndex(bitrateIndex)),
                             modLAME::qualityNames().value(qualityIndex));
    case pipeline::OutputFormat::Flac:
        return flacFormatText(choices.formatSettings.flacLevel);
    case pipeline::OutputFormat::Opus:
        return opusFormatText(choices.formatSettings.opusBitrateKbps);
    }
    return {};
}

// How the tracks are written: the window's CD bar as it starts (its bitrate and quality
// lists, no flag ticked), with the command line's choices; the disc information is left to
// the caller.
ExtractionChoices ripChoices(const Options& options, const QString& destination, int drive) {
    const int bitrateIndex = options.bitrateIndex.value_or(EncodingBitrate);
    const int qualityIndex = options.qualityIndex.value_or(EncodingQuality);
    ExtractionChoices choices;
    choices.destination = destination;
    choices.mp3 = !options.wav;
    choices.config = modLAME::makeConfig(modLAME::bitrateForIndex(bitrateIndex),
                                         modLAME::qualityPresetCode(qualityIndex));
    choices.formatText =
        choices.mp3 ? mp3FormatText(QString::number(modLAME::bitrateForIndex(bitrateIndex)),
                                    modLAME::qualityNames().value(qualityIndex))
                    : wavFormatText();
    // --to: the formats from one read; the log states each, the main one first.
    choices.formats = options.ripFormats;
    if (options.flacLevel)
        choices.formatSettings.flacLevel = *options.flacLevel;
    if (options.opusBitrateKbps)
        choices.formatSettings.opusBitrateKbps = *options.opusBitrateKbps;
    if (!choices.formats.empty()) {
        choices.mp3 = choices.formats.front() == pipeline::OutputFormat::Mp3;
        QStringList texts;
        for (const pipeline::OutputFormat format : choices.formats)
            texts << formatTextOf(format, choices, bitrateIndex, qualityIndex);
        choices.formatText = texts.join(QStringLiteral("; "));
    }
    choices.testFirst = options.testAndCopy || TestAndCopy == 1;
    choices.nameFromDisc = options.nameFromDisc || NameFromDisc == 1;
    choices.nameTemplate = options.names.value_or(FileNameTemplate);
    choices.portableNames = options.portableNames;
    choices.offset = offsetOf(options, drive);
    const readmode::Choices reading = readmode::fromSettings();
    choices.readMode = options.readMode.value_or(reading.mode);
    choices.minimumConfidence = reading.minimumConfidence;
    choices.retryLimit = reading.retryLimit;
    choices.databaseServer = AccurateRipServer;
    return choices;
}

// The batch of `plan`'s tracks, weighed by their lengths in `listing`.
Batch ripBatch(const ExtractionPlan& plan, const ExtractionChoices& choices,
               const QList<int>& wanted, const disclisting::Listing& listing) {
    Batch batch;
    batch.work.kind = ConversionKind::CdExtraction;
    batch.work.settings.destination = choices.destination;
    batch.work.settings.encoder = choices.config;
    batch.work.settings.testAndCopy =
        choices.testFirst || choices.readMode == readmode::Mode::Paranoid;
    batch.work.settings.namesFromDisc = choices.nameFromDisc;
    batch.work.items = plan.items();
    for (const int track : wanted)
        batch.weights.push_back(qint64{listing.lengthsMs.at(static_cast<std::size_t>(track))} *
                                176400 / 1000);
    batch.work.makeJob = plan.jobMaker();
    batch.label = [&plan](const WorkItem& item) {
        return QCoreApplication::translate("cli::Commands", "Track %1").arg(plan.track(item.index));
    };
    batch.verb = QCoreApplication::translate("cli::Commands", "extracted");
    batch.printOutputs = false; // named once they have their names (finishRip)
    return batch;
}

// Once the rip's batch has ended, the steps after it (RipCompletion), told as the command line
// tells them: the files take their names and are printed, then the log of every track asked
// for goes beside them, with what the AccurateRip database says of the tracks read whole, and
// the cue sheets of the files. A track that does not match a record the database holds fails
// the rip; no answer changes nothing, unless the rip was interrupted (the verdict was then not
// given: a failure too). Returns the exit status.
int finishRip(const std::shared_ptr<ExtractionPlan>& plan, const BatchOutcome& outcome,
              Interruption& interruption) {
    int status = outcome.status;
    std::optional<RipEnding> ended;
    RipCompletion::Steps steps;
    steps.outputsPlaced = [&plan, &outcome, &status](const std::vector<VortanError>& unfinished) {
        for (const VortanError& error : unfinished) {
            say(QCoreApplication::translate("cli::Commands", "mp3vortan-cli: ") +
                error.description());
            status = 1;
        }
        for (qsizetype i = 0; i < outcome.results.size(); ++i)
            if (outcome.results[i].status == JobResult::Status::Completed)
                for (const QString& written : plan->outputsOf(static_cast<int>(i)))
                    print(written);
    };
    steps.written = [&ended](const RipEnding& ending) {
        ended = ending;
        QCoreApplication::exit(0);
    };
    RipCompletion completion(plan, std::move(steps));
    QObject::connect(&interruption, &Interruption::interrupted, &completion, [&completion] {
        completion.abandonDatabase(interrupted(QStringLiteral("AccurateRip")));
    });
    if (interruption.happened())
        completion.abandonDatabase(interrupted(QStringLiteral("AccurateRip")));
    completion.start(outcome.items, outcome.results);
    while (!ended)
        QCoreApplication::exec();

    const riplog::Log& log = ended->log;
    if (log.hasCheckableTracks()) {
        if (interruption.happened()) {
            say(QCoreApplication::translate(
                "cli::Commands", "mp3vortan-cli: interrupted: the AccurateRip verdict was not "
                                 "given"));
            status = 1;
        } else {
            for (const QString& line : log.accurateRipLines())
                say(line);
        }
        if (ended->mismatch())
            status = 1;
    }
    if (interruption.happened())
        status = 1;
    if (!ended->logPath)
        return status;
    if (*ended->logPath)
        print(ended->logPath->value());
    else
        status = fail(ended->logPath->error().description());
    for (const Result<QString>& cue : ended->cueSheets) {
        if (!cue)
            status = fail(cue.error().description());
        else if (!cue->isEmpty())
            print(cue.value());
    }
    if (reportCoverFile(*ended) != 0)
        status = 1;
    return status;
}

} // namespace

int rip(const Options& options, Interruption& interruption) {
    LoadSettings();
    ListedDisc disc;
    const QString& source = options.arguments.front();
    if (!listDisc(source, disc, interruption))
        return 1;
    const std::optional<QList<int>> wanted = tracksToRip(options, disc, source);
    if (!wanted)
        return 2;
    if (!modAKRip32::OpenCDDrive(disc.disc.drive))
        return fail(QCoreApplication::translate("cli::Commands",
                                                "%1: the table of contents cannot be read (%2)")
                        .arg(source, modAKRip32::AspiErrorText()));
    // A failed look-up is said; the rip goes on with what the CD-Text gives. A release asked
    // for that the disc does not have is a usage error: nothing is made.
    DiscInfo known;
    if (discInformation(disc, options.lookup, options.release, known, nullptr, interruption) == 2) {
        modAKRip32::CloseCurrentCD();
        return 2;
    }
    const std::optional<QString> destination = settleDestination(options);
    if (!destination)
        return 1;
    ExtractionChoices choices = ripChoices(options, *destination, disc.disc.drive);
    choices.disc = known;
    if (!takeCoverOption(options, choices)) {
        modAKRip32::CloseCurrentCD();
        return 1;
    }
    fetchRipCover(options, choices, interruption);
    // A track stopped part way is not kept: its file is not the track.
    choices.keepStopped = false;
    const auto plan = std::make_shared<ExtractionPlan>(*wanted, disc.disc, choices);
    if (interruption.happened()) {
        modAKRip32::CloseCurrentCD();
        say(QCoreApplication::translate("cli::Commands",
                                        "mp3vortan-cli: interrupted; nothing was ripped"));
        return 1;
    }
    const BatchOutcome outcome =
        runBatch(ripBatch(*plan, choices, *wanted, disc.listing), interruption);
    modAKRip32::CloseCurrentCD();
    return finishRip(plan, outcome, interruption);
}

int verify(const Options& options, Interruption& interruption) {
    LoadSettings(); // the AccurateRip server
    const int drive = driveOf(options.arguments.front(), interruption);
    if (drive < 0)
        return 1;
    int status = 0;
    std::vector<ripverify::Verdict> compared; // the files whose checksums were taken
    const readoffset::Offset offset = offsetOf(options, drive);
    if (offset.samples != 0 || offset.source == readoffset::Offset::Source::Ignored)
        say(QCoreApplication::translate("cli::Commands", "Read offset correction: ") +
            readoffset::describe(offset, readoffset::modelOf(drive)));
    const Disc disc = readDiscOf(drive, interruption);
    for (const QString& wav : options.arguments.mid(1)) {
        // The file and its track are read whole.
        const ripverify::Verdict verdict = interruption.abandonable<ripverify::Verdict>(
            [&wav, &disc, &offset] { return ripverify::verifyWav(absolute(wav), disc, offset); });
        if (verdict.matched) {
            print(verdict.text());
        } else {
            say(QCoreApplication::translate("cli::Commands", "mp3vortan-cli: ") + verdict.text());
            status = 1;
        }
        if (verdict.problem.isEmpty() && verdict.track > 0)
            compared.push_back(verdict);
    }
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    if (compared.empty() || !toc)
        return status;
    // The files' standing in the AccurateRip database, as a rip's log gives it.
    const auto record = askDatabase(riplog::accurateRipKey(*toc), interruption);
    if (interruption.happened()) {
        say(QCoreApplication::translate(
            "cli::Commands", "mp3vortan-cli: interrupted: the AccurateRip verdict was not given"));
        return 1;
    }
    if (!record) {
        say(QCoreApplication::translate(
                "cli::Commands", "mp3vortan-cli: the AccurateRip database could not be asked: ") +
            record.error().description());
        return status;
    }
    int accurate = 0;
    for (const ripverify::Verdict& verdict : compared) {
        const accuraterip::TrackMatch match =
            accuraterip::compare(record.value(), riplog::recordPosition(*toc, verdict.track),
                                 verdict.file.accurateRipV1, verdict.file.accurateRipV2);
        const QString line = QCoreApplication::translate("cli::Commands", "Track %1: %2: %3")
                                 .arg(verdict.track)
                                 .arg(verdict.wavPath, match.text());
        if (match.kind == accuraterip::TrackMatch::Mismatch) {
            say(QCoreApplication::translate("cli::Commands", "mp3vortan-cli: ") + line);
            status = 1;
        } else {
            print(line);
        }
        accurate += match.kind == accuraterip::TrackMatch::Accurate ? 1 : 0;
    }
    print(accuraterip::summaryText(accurate, static_cast<int>(compared.size())));
    return status;
}

} // namespace cli
