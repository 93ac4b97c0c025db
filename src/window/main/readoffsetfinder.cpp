#include "window/main/readoffsetfinder.h"

#include "engine/cd/readoffset.h"
#include "engine/cd/recordlookup.h"
#include "engine/cd/riplog.h"
#include "engine/core/settings.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/dialogs.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

namespace {

QString title() {
    return QCoreApplication::translate("ReadOffsetFinder", "Find Read Offset");
}

QString lineOf(const offsetfind::FoundOffset& found) {
    QStringList tracks;
    for (const int track : found.tracks)
        tracks << QString::number(track);
    return QCoreApplication::translate("ReadOffsetFinder", "%1: %2 %3 (confidence %4)")
        .arg(readoffset::samplesText(found.offset),
             found.tracks.size() == 1 ? QCoreApplication::translate("ReadOffsetFinder", "track")
                                      : QCoreApplication::translate("ReadOffsetFinder", "tracks"),
             tracks.join(QStringLiteral(", ")))
        .arg(found.confidence);
}

} // namespace

ReadOffsetFinder::ReadOffsetFinder(int driveIndex, QObject* parent)
    : QObject(parent), drive_(driveIndex), lookup_(new accuraterip::RecordLookup(this)) {}

ReadOffsetFinder::~ReadOffsetFinder() {
    if (worker_) {
        cancelled_ = true;
        worker_->wait();
        delete worker_;
    }
}

bool ReadOffsetFinder::start() {
    const Disc disc = readDisc(drive_);
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    if (!toc || toc->firstAudioTrack() == 0) {
        dialogs::msgBox(tr("There is no music disc to read. Insert a music CD or "
                           "open a disc image, and find the drive's offset with it."),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title());
        return false;
    }
    accuraterip::LookupRequest request;
    request.key = riplog::accurateRipKey(*toc);
    request.server = AccurateRipServer;
    lookup_->start(request, [this, disc](const accuraterip::RecordLookup::Result& record) {
        if (!record) {
            dialogs::msgBox(tr("The AccurateRip database could not be asked: %1")
                                .arg(record.error().description()),
                            dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title());
            return finish({});
        }
        if (record->chunks.empty()) {
            dialogs::msgBox(tr("This disc is not in the AccurateRip database, so the "
                               "drive's offset cannot be found with it. Try another "
                               "disc."),
                            dialogs::Buttons::Ok, dialogs::Icon::Information, title());
            return finish({});
        }
        const accuraterip::Record held = record.value();
        worker_ = QThread::create([this, disc, held] {
            search_ = offsetfind::findDriveOffset(disc, held, offsetfind::defaultMargin,
                                                  [this] { return cancelled_.load(); });
        });
        connect(worker_, &QThread::finished, this, &ReadOffsetFinder::searched);
        worker_->start();
    });
    return true;
}

void ReadOffsetFinder::searched() {
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    if (!search_ || !search_->ok()) {
        dialogs::msgBox(search_ ? search_->error().description() : tr("Not read."),
                        dialogs::Buttons::Ok, dialogs::Icon::Critical, title());
        return finish({});
    }
    const offsetfind::Search& search = search_->value();
    if (search.offsets.empty()) {
        dialogs::msgBox(tr("No read offset from -%1 to +%1 samples matches the "
                           "AccurateRip database's record of this disc.")
                            .arg(offsetfind::defaultMargin),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title());
        return finish({});
    }
    QStringList lines{tr("Offsets at which the tracks read match the database:")};
    for (const offsetfind::FoundOffset& found : search.offsets)
        lines << lineOf(found);
    const int best = search.offsets.front().offset;
    const QString model = readoffset::modelOf(drive_);
    lines << QString()
          << tr("Store %1 as the read offset of %2?").arg(readoffset::samplesText(best), model);
    if (dialogs::msgBox(lines.join(QLatin1Char('\n')), dialogs::Buttons::YesNo,
                        dialogs::Icon::Question, title()) != dialogs::Answer::Yes)
        return finish({});
    const Result<bool> stored = readoffset::storeFound(model, best);
    if (!stored) {
        dialogs::msgBox(stored.error().description(), dialogs::Buttons::Ok, dialogs::Icon::Critical,
                        title());
        return finish({});
    }
    finish(tr("Read offset %1 stored for %2").arg(readoffset::samplesText(best), model));
}

void ReadOffsetFinder::finish(const QString& statusText) {
    emit ended(statusText);
    deleteLater();
}
