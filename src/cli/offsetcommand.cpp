// mp3vortan-cli offset find: a drive's read offset found against the AccurateRip database.
#include "cli/commands.h"
#include "cli/commandsupport.h"
#include "engine/cd/offsetfind.h"
#include "engine/cd/readoffset.h"
#include "engine/cd/riplog.h"
#include "engine/core/settings.h"
#include "engine/platform/akrip/cddrives.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

// "+6 samples: tracks 2, 3 match (confidence 24)".
QString foundText(const offsetfind::FoundOffset& found) {
    QStringList tracks;
    for (const int track : found.tracks)
        tracks << QString::number(track);
    return QCoreApplication::translate("cli::Offset", "%1: %2 %3 %4 (confidence %5)")
        .arg(readoffset::samplesText(found.offset),
             found.tracks.size() == 1 ? QCoreApplication::translate("cli::Offset", "track")
                                      : QCoreApplication::translate("cli::Offset", "tracks"),
             tracks.join(QStringLiteral(", ")),
             found.tracks.size() == 1 ? QCoreApplication::translate("cli::Offset", "matches")
                                      : QCoreApplication::translate("cli::Offset", "match"))
        .arg(found.confidence);
}

// Reads and compares on a thread of its own, which asks `interruption` between reads: Ctrl+C
// (before the search or during it) stops the reading within one drive read.
Result<offsetfind::Search> searchOffsets(const Disc& disc, const accuraterip::Record& record,
                                         const Interruption& interruption) {
    std::optional<Result<offsetfind::Search>> found;
    std::thread worker([&] {
        found = offsetfind::findDriveOffset(disc, record, offsetfind::defaultMargin,
                                            [&interruption] { return interruption.happened(); });
    });
    worker.join();
    return std::move(*found);
}

// Whether the user, at a terminal, says yes to `question`; no when input is not a terminal.
bool userAgrees(const QString& question) {
    if (!isatty(STDIN_FILENO))
        return false;
    say(question + QStringLiteral(" [y/N] "));
    char answer[16] = {};
    return std::fgets(answer, sizeof answer, stdin) && (answer[0] == 'y' || answer[0] == 'Y');
}

} // namespace

int offsetFind(const Options& options, Interruption& interruption) {
    LoadSettings(); // the AccurateRip server
    const int drive = driveOf(options.arguments.front(), interruption);
    if (drive < 0)
        return 1;
    const Disc disc = readDiscOf(drive, interruption);
    if (!disc.toc)
        return fail(disc.unreadable);
    const auto record = askDatabase(riplog::accurateRipKey(*disc.toc), interruption);
    if (!record)
        return fail(QCoreApplication::translate("cli::Offset",
                                                "the AccurateRip database could not be asked: %1")
                        .arg(record.error().description()));
    if (record->chunks.empty())
        return fail(QCoreApplication::translate(
            "cli::Offset", "the disc is not in the AccurateRip database: its offset "
                           "cannot be found with it; try another disc"));
    say(QCoreApplication::translate("cli::Offset", "Reading tracks with %1 samples either side...")
            .arg(offsetfind::defaultMargin));
    const Result<offsetfind::Search> search = searchOffsets(disc, record.value(), interruption);
    if (!search)
        return fail(search.error().description());
    if (search->cancelled)
        return fail(QCoreApplication::translate("cli::Offset", "interrupted"));
    QStringList read;
    for (const int track : search->tracksRead)
        read << QString::number(track);
    say(QCoreApplication::translate("cli::Offset", "Tracks compared: %1")
            .arg(read.join(QStringLiteral(", "))));
    if (search->offsets.empty())
        return fail(QCoreApplication::translate(
                        "cli::Offset", "no read offset from -%1 to +%1 samples matches the "
                                       "database's record of the disc")
                        .arg(offsetfind::defaultMargin));
    for (const offsetfind::FoundOffset& found : search->offsets)
        print(foundText(found));
    const int best = search->offsets.front().offset;
    const QString model = readoffset::modelOf(drive);
    const QString question =
        QCoreApplication::translate("cli::Offset", "Store %1 as the read offset of %2?")
            .arg(readoffset::samplesText(best), model);
    // The terminal is read while the event loop turns, so that Ctrl+C ends the wait.
    if (!options.store &&
        !interruption.abandonable<bool>([&question] { return userAgrees(question); })) {
        say(QCoreApplication::translate(
            "cli::Offset", "Not stored (give --store to store the best offset found)."));
        return 0;
    }
    const Result<bool> stored = readoffset::storeFound(model, best);
    if (!stored)
        return fail(stored.error().description());
    say(QCoreApplication::translate("cli::Offset", "Stored %1 for %2.")
            .arg(readoffset::samplesText(best), model));
    return 0;
}

} // namespace cli
