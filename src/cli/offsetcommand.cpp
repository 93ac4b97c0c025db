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
#include <QThread>

#include <atomic>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace cli {

namespace {

// "+6 samples: tracks 2, 3 match (confidence 24)".
QString foundText(const offsetfind::FoundOffset& found) {
    QStringList tracks;
    for (const int track : found.tracks)
        tracks << QString::number(track);
    return QStringLiteral("%1: %2 %3 %4 (confidence %5)")
        .arg(readoffset::samplesText(found.offset),
             found.tracks.size() == 1 ? QStringLiteral("track") : QStringLiteral("tracks"),
             tracks.join(QStringLiteral(", ")),
             found.tracks.size() == 1 ? QStringLiteral("matches") : QStringLiteral("match"))
        .arg(found.confidence);
}

// Reads and compares on a thread of its own while the event loop runs, so that Ctrl+C (seen
// by `interruption` through the loop) stops the reading.
Result<offsetfind::Search> searchOffsets(const Disc& disc, const accuraterip::Record& record,
                                         Interruption& interruption) {
    std::atomic<bool> cancelled{false};
    std::optional<Result<offsetfind::Search>> found;
    QThread* worker = QThread::create([&] {
        found = offsetfind::findDriveOffset(disc, record, offsetfind::defaultMargin,
                                            [&cancelled] { return cancelled.load(); });
    });
    QObject::connect(worker, &QThread::finished, [] { QCoreApplication::exit(0); });
    const QMetaObject::Connection stop = QObject::connect(&interruption, &Interruption::interrupted,
                                                          [&cancelled] { cancelled = true; });
    worker->start();
    while (!worker->isFinished())
        QCoreApplication::exec();
    worker->wait();
    QObject::disconnect(stop);
    delete worker;
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

int offsetFind(const Options& options) {
    LoadSettings(); // the AccurateRip server
    Interruption interruption;
    const int drive = driveOf(options.arguments.front());
    if (drive < 0)
        return 1;
    const Disc disc = readDisc(drive);
    if (!disc.toc)
        return fail(disc.unreadable);
    const auto record = askDatabase(riplog::accurateRipKey(*disc.toc), interruption);
    if (!record)
        return fail(QStringLiteral("the AccurateRip database could not be asked: %1")
                        .arg(record.error().description()));
    if (record->chunks.empty())
        return fail(QStringLiteral("the disc is not in the AccurateRip database: its offset "
                                   "cannot be found with it; try another disc"));
    say(QStringLiteral("Reading tracks with %1 samples either side...")
            .arg(offsetfind::defaultMargin));
    const Result<offsetfind::Search> search = searchOffsets(disc, record.value(), interruption);
    if (!search)
        return fail(search.error().description());
    if (search->cancelled)
        return fail(QStringLiteral("interrupted"));
    QStringList read;
    for (const int track : search->tracksRead)
        read << QString::number(track);
    say(QStringLiteral("Tracks compared: %1").arg(read.join(QStringLiteral(", "))));
    if (search->offsets.empty())
        return fail(QStringLiteral("no read offset from -%1 to +%1 samples matches the "
                                   "database's record of the disc")
                        .arg(offsetfind::defaultMargin));
    for (const offsetfind::FoundOffset& found : search->offsets)
        print(foundText(found));
    const int best = search->offsets.front().offset;
    const QString model = readoffset::modelOf(drive);
    const QString question = QStringLiteral("Store %1 as the read offset of %2?")
                                 .arg(readoffset::samplesText(best), model);
    if (!options.store && !userAgrees(question)) {
        say(QStringLiteral("Not stored (give --store to store the best offset found)."));
        return 0;
    }
    const Result<bool> stored = readoffset::storeFound(model, best);
    if (!stored)
        return fail(stored.error().description());
    say(QStringLiteral("Stored %1 for %2.").arg(readoffset::samplesText(best), model));
    return 0;
}

} // namespace cli
