#include "engine/cd/extractionplan.h"

#include "engine/core/settings.h"

#include "engine/cd/modakrip32.h"
#include "engine/cd/nametemplate.h"
#include "engine/cd/recordlookup.h"
#include "engine/cd/trackpaths.h"
#include "engine/encode/mp3tagging.h"
#include "engine/library/mirrornames.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/id3tag/audiotags.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

QString wavFormatText() {
    return QCoreApplication::translate("ExtractionPlan", "WAV, 44,100 Hz, 16-bit, stereo");
}

QString mp3FormatText(const QString& bitrate, const QString& quality) {
    return QCoreApplication::translate("ExtractionPlan", "MP3, %1 kbit/s, quality %2")
        .arg(bitrate, quality);
}

QString flacFormatText(int level) {
    return QCoreApplication::translate("ExtractionPlan", "FLAC, level %1").arg(level);
}

QString opusFormatText(int bitrateKbps) {
    return QCoreApplication::translate("ExtractionPlan", "Opus, %1 kbit/s").arg(bitrateKbps);
}

id3tag::TagFields trackTags(const DiscInfo& disc, int track, int trackTotal) {
    id3tag::TagFields fields;
    if (const TrackInfo* info = disc.track(track)) {
        fields.title = info->title;
        fields.recordingId = info->recordingId;
    }
    fields.artist = disc.trackArtist(track);
    fields.albumArtist = disc.artist;
    fields.album = disc.album;
    fields.date = disc.date;
    fields.trackNumber = track;
    fields.trackTotal = trackTotal;
    if (disc.discTotal > 1 && disc.discNumber >= 1) {
        fields.discNumber = disc.discNumber;
        fields.discTotal = disc.discTotal;
    }
    fields.releaseId = disc.releaseId;
    fields.discId = disc.discId;
    return fields;
}

namespace {

// The number the audio before the first track's INDEX 01 is asked for by.
constexpr int hiddenTrack = 0;

void bound(QString& text) {
    if (text.size() <= maxDiscTextLength)
        return;
    const qsizetype keep = maxDiscTextLength - 1; // and the ellipsis
    text.truncate(text[keep - 1].isHighSurrogate() ? keep - 1 : keep);
    text += QChar(0x2026);
}

// `disc` with each text within maxDiscTextLength: a disc or a web service may send anything.
DiscInfo bounded(DiscInfo disc) {
    for (QString* text : {&disc.album, &disc.artist, &disc.date, &disc.releaseId, &disc.discId})
        bound(*text);
    for (TrackInfo& track : disc.tracks)
        for (QString* text : {&track.title, &track.artist, &track.recordingId})
            bound(*text);
    return disc;
}

// `path`, or, when another track of the rip already has that name, the first of
// "stem (2).ext", "stem (3).ext"... that none has, its stem cut so that the name stays within
// what a file system takes.
QString numberedFree(const QString& path, const QSet<QString>& taken) {
    if (!taken.contains(path))
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const QString stem = mirrornames::stemOf(name);
    const QString extension = name.mid(stem.size() + 1);
    for (int n = 2;; ++n) {
        const QString numbered =
            folder + mirrornames::fittedName(stem, extension,
                                             static_cast<int>(nametemplate::maxComponentBytes), n);
        if (!taken.contains(numbered))
            return numbered;
    }
}

// Why track `track` of `disc` cannot be extracted; empty when it can.
QString refusalOf(int track, const Disc& disc) {
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    if (!toc)
        return disc.changed
                   ? QCoreApplication::translate("ExtractionPlan", "Track %1: %2")
                         .arg(track)
                         .arg(disc.unreadable)
                   : QCoreApplication::translate("ExtractionPlan",
                                                 "Track %1: there is no readable disc in the drive")
                         .arg(track);
    if (track == hiddenTrack)
        return toc->hiddenTrackSectors > 0
                   ? QString()
                   : QCoreApplication::translate(
                         "ExtractionPlan",
                         "Track 0 is not on the disc: it has no hidden track before "
                         "track %1")
                         .arg(toc->firstTrack);
    const int i = toc->indexOf(track);
    if (i < 0) {
        const auto& missing = toc->missingTracks;
        if (std::find(missing.begin(), missing.end(), track) != missing.end())
            return QCoreApplication::translate(
                       "ExtractionPlan",
                       "Track %1 is missing: the image's data file ends before the "
                       "track starts")
                .arg(track);
        return QCoreApplication::translate("ExtractionPlan",
                                           "Track %1 is not on the disc (its tracks are %2 to %3)")
            .arg(track)
            .arg(toc->firstTrack)
            .arg(toc->lastTrack());
    }
    if (!toc->isAudio(i))
        return QCoreApplication::translate("ExtractionPlan",
                                           "Track %1 is a data track: it holds no audio")
            .arg(track);
    return {};
}

} // namespace

ExtractionPlan::ExtractionPlan(const QList<int>& tracks, const Disc& disc,
                               const ExtractionChoices& choices)
    : tracks_(tracks),
      formats_(!choices.formats.empty()
                   ? choices.formats
                   : std::vector<pipeline::OutputFormat>{choices.mp3
                                                             ? pipeline::OutputFormat::Mp3
                                                             : pipeline::OutputFormat::Wav}),
      requests_(std::make_shared<std::vector<ExtractRequest>>()),
      log_(riplog::begin(disc, riplog::ReadMode::Secure, choices.formatText)) {
    const QString extension = QLatin1Char('.') + pipeline::extensionOf(formats_.front());
    // One WAV or one MP3 is written as it always was; any other set of formats from one read.
    const bool oneOfOld =
        formats_.size() == 1 && (formats_.front() == pipeline::OutputFormat::Wav ||
                                 formats_.front() == pipeline::OutputFormat::Mp3);
    const std::uint32_t handle = modAKRip32::currentCdHandle();
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    const int firstAudio = toc ? toc->firstAudioTrack() : 0;
    const int lastAudio = toc ? toc->lastAudioTrack() : 0;
    const DiscInfo known = bounded(choices.disc);
    log_.disc = known;
    const int drive = disc.drive;
    const readoffset::Offset offset = choices.offset.value_or(readoffset::forDrive(drive));
    log_.readOffset = readoffset::describe(offset, readoffset::modelOf(drive));
    log_.overreads = offset.overreads;
    cover_ = choices.cover;
    saveCover_ = choices.saveCover;
    if (cover_)
        log_.cover = QStringLiteral("%1 (%2)").arg(cover_->source, cover_->sizeText());
    else if (!choices.coverNote.isEmpty())
        log_.cover = QStringLiteral("none (%1)").arg(choices.coverNote);
    std::vector<audiotags::Picture> pictures;
    if (cover_)
        pictures.push_back(cover_->picture);
    // The secure mode's log stays as it always was.
    if (choices.readMode != readmode::Mode::Secure)
        log_.readMode = choices.readMode;
    // A fast rip asks the database once, when its first track has been read.
    if (choices.readMode == readmode::Mode::Fast)
        database_ = std::make_shared<readmode::RecordSource>(
            log_.accurateRipKey(), choices.databaseServer, accuraterip::defaultTimeoutMs);
    QSet<QString> taken;
    std::optional<nametemplate::Template> names;
    if (!choices.nameTemplate.trimmed().isEmpty())
        if (auto parsed = nametemplate::Template::parse(choices.nameTemplate))
            names = std::move(parsed.value());
    for (const int track : tracks) {
        ExtractRequest request;
        request.track = track;
        request.handle = handle;
        request.mp3 = formats_.front() == pipeline::OutputFormat::Mp3;
        request.config = choices.config;
        if (!oneOfOld) {
            request.formats = formats_;
            request.formatSettings = choices.formatSettings;
        }
        request.place.firstOnDisc = track == firstAudio;
        request.place.lastOnDisc = track == lastAudio;
        request.testFirst = choices.testFirst || choices.readMode == readmode::Mode::Paranoid;
        request.readMode = choices.readMode;
        request.minimumConfidence = choices.minimumConfidence;
        request.retryLimit = choices.retryLimit;
        request.database = database_;
        request.recordPosition = toc ? riplog::recordPosition(*toc, track) : -1;
        request.offsetSamples = offset.samples;
        request.overreads = offset.overreads;
        request.leadOutLba = toc ? toc->audioLeadOutLba() : -1;
        request.tags = trackTags(known, track, lastAudio);
        request.keepStopped = choices.keepStopped;
        request.pictures = pictures;
        request.refusal = refusalOf(track, disc);
        if (request.refusal.isEmpty() && track == hiddenTrack) {
            request.endLba = toc->hiddenTrackSectors;
        } else if (request.refusal.isEmpty()) {
            const int i = toc->indexOf(track);
            request.startLba = toc->trackStartLba[static_cast<std::size_t>(i)];
            request.endLba = toc->trackEnd(i);
            request.tags.isrc = toc->isrcOf(track);
        }
        if (toc)
            request.tags.catalogNumber = toc->catalog;
        QString path;
        if (choices.nameFromDisc) {
            const TrackInfo* info = known.track(track);
            QString title = info ? info->title : QString();
            if (title.isEmpty() && track == hiddenTrack)
                title = QStringLiteral("Hidden track");
            if (names && !title.isEmpty()) {
                nametemplate::Values values =
                    nametemplate::valuesOf(known, track, request.tags.isrc);
                values.title = title;
                const QString name = names->render(values, extension, choices.portableNames);
                if (!name.isEmpty())
                    path = numberedFree(choices.destination + QLatin1Char('/') + name, taken);
            } else if (const QString name = trackFileName(track, title, extension);
                       !name.isEmpty()) {
                path = choices.destination + QLatin1Char('/') + name;
            }
        }
        if (path.isEmpty() || taken.contains(path))
            path = drawTrackPath(choices.destination, disc.identity(), track, extension, taken);
        taken.insert(path);
        items_.append(WorkItem{QString(), path, static_cast<int>(items_.size())});
        requests_->push_back(request);
    }
    outcomes_ = std::make_shared<std::vector<ExtractOutcome>>(requests_->size());
}

BatchRunner::JobMaker ExtractionPlan::jobMaker() const {
    return [requests = std::shared_ptr<const std::vector<ExtractRequest>>(requests_),
            outcomes = outcomes_] { return std::make_unique<CdExtractJob>(requests, outcomes); };
}

QString ExtractionPlan::outputOf(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= outcomes_->size())
        return {};
    const ExtractOutcome& outcome = (*outcomes_)[static_cast<std::size_t>(index)];
    return outcome.pendingMp3 ? QString() : outcome.outputPath;
}

QStringList ExtractionPlan::outputsOf(int index) const {
    QStringList files;
    if (const QString main = outputOf(index); !main.isEmpty())
        files << main;
    if (index < 0 || static_cast<std::size_t>(index) >= outcomes_->size())
        return files;
    const std::vector<FormatOutput>& outputs =
        (*outcomes_)[static_cast<std::size_t>(index)].outputs;
    for (std::size_t k = 1; k < outputs.size(); ++k)
        if (!outputs[k].pending && !outputs[k].outputPath.isEmpty())
            files << outputs[k].outputPath;
    return files;
}

riplog::Log ExtractionPlan::log(const QList<WorkItem>& items,
                                const QList<JobResult>& results) const {
    riplog::Log log = log_;
    log.tracksAsked = static_cast<int>(tracks_.size());
    for (qsizetype i = 0; i < items.size() && i < results.size(); ++i) {
        const JobResult& result = results[i];
        const auto at = static_cast<std::size_t>(i);
        const ExtractRequest& request = (*requests_)[at];
        const ExtractOutcome& outcome = (*outcomes_)[at];
        const bool ran =
            request.refusal.isEmpty() && result.status != JobResult::Status::NotStarted;
        riplog::Track entry =
            riplog::trackOf(tracks_[i], outputOf(static_cast<int>(i)), request.startLba,
                            request.endLba, ran ? &outcome : nullptr, result.status, result.reason);
        for (std::size_t k = 1; k < formats_.size(); ++k)
            entry.otherOutputFiles.push_back(k < outcome.outputs.size() &&
                                                     !outcome.outputs[k].pending
                                                 ? outcome.outputs[k].outputPath
                                                 : QString());
        entry.onDisc = request.refusal.isEmpty();
        entry.title = request.tags.title;
        log.tracks.push_back(entry);
    }
    log.albumGain = albumGain(results);
    for (qsizetype i = 0; i < results.size(); ++i)
        if (const ExtractOutcome& o = (*outcomes_)[static_cast<std::size_t>(i)];
            o.framesDone > 0 && o.cacheSectors >= 0)
            log.driveCache = std::max(log.driveCache.value_or(0), o.cacheSectors);
    if (log.readMode) {
        log.elapsedSeconds = log.started.secsTo(QDateTime::currentDateTime());
        if (*log.readMode == readmode::Mode::Fast)
            for (qsizetype i = 0; i < results.size(); ++i)
                if ((*outcomes_)[static_cast<std::size_t>(i)].framesDone > 0)
                    log.c2Used = log.c2Used.value_or(false) ||
                                 (*outcomes_)[static_cast<std::size_t>(i)].c2Reported;
    }
    return log;
}

std::optional<accuraterip::Record> ExtractionPlan::databaseRecord() const {
    if (!database_)
        return std::nullopt;
    const auto answer = database_->answered();
    if (!answer || !*answer)
        return std::nullopt;
    return answer->value();
}

riplog::Log ExtractionPlan::logOfFormat(const riplog::Log& log, std::size_t k) const {
    if (k == 0)
        return log;
    riplog::Log sheet = log;
    for (riplog::Track& track : sheet.tracks)
        track.outputFile =
            k - 1 < track.otherOutputFiles.size() ? track.otherOutputFiles[k - 1] : QString();
    return sheet;
}

std::optional<ReplayGain> ExtractionPlan::albumGain(const QList<JobResult>& results) const {
    std::vector<const LoudnessMeter*> meters;
    for (qsizetype i = 0; i < results.size() && static_cast<std::size_t>(i) < outcomes_->size();
         ++i) {
        const ExtractOutcome& outcome = (*outcomes_)[static_cast<std::size_t>(i)];
        if (results[i].status == JobResult::Status::Completed && outcome.loudness)
            meters.push_back(outcome.loudness.get());
    }
    return LoudnessMeter::albumGain(meters);
}

namespace {

// What the tag of a track finished with unreadable sectors says, in English as the rip log
// (empty for a track read whole): where silence stands instead of the disc's audio.
QString damageComment(const ExtractOutcome& outcome) {
    if (outcome.suspicious.empty())
        return {};
    QStringList where;
    for (const SampleRange& range : outcome.suspicious)
        where << riplog::suspiciousText(range);
    return QStringLiteral("Damaged: the disc could not be read here; silence stands there (%1)")
        .arg(where.join(QStringLiteral("; ")));
}

} // namespace

std::vector<VortanError> ExtractionPlan::finishOutputs(const QList<JobResult>& results) {
    std::vector<VortanError> failures;
    const std::optional<ReplayGain> album = albumGain(results);
    for (std::size_t at = 0; at < outcomes_->size(); ++at) {
        ExtractOutcome& outcome = (*outcomes_)[at];
        if (!outcome.pendingMp3)
            continue;
        const std::shared_ptr<outputfile::PendingOutput> file = std::move(outcome.pending);
        const QString wanted = items_[static_cast<qsizetype>(at)].output;
        outcome.pendingMp3 = false;
        outcome.outputPath.clear();
        const bool completed =
            static_cast<qsizetype>(at) < results.size() &&
            results[static_cast<qsizetype>(at)].status == JobResult::Status::Completed;
        if (!outcome.outputs.empty()) {
            finishFormats(at, completed ? album : std::nullopt, failures);
            continue;
        }
        if (!file)
            continue;
        const QString damage = damageComment(outcome);
        if ((album && completed) || !damage.isEmpty()) {
            id3tag::TagFields tags = (*requests_)[at].tags;
            setReplayGain(tags, outcome.loudness ? outcome.loudness->replayGain() : std::nullopt,
                          completed ? album : std::nullopt);
            tags.comment = damage;
            if (const auto written = id3tag::writeTag(file->fd(), wanted, tags); !written) {
                file->discard();
                failures.push_back(
                    VortanError(written.error().number(), written.error().source(),
                                QCoreApplication::translate(
                                    "ExtractionPlan",
                                    "%1 (the album's ReplayGain could not be written into its "
                                    "tag)")
                                    .arg(written.error().description())));
                continue;
            }
        }
        if (auto placed = file->commit())
            outcome.outputPath = placed.value();
        else
            failures.push_back(placed.error());
    }
    return failures;
}

void ExtractionPlan::finishFormats(std::size_t at, const std::optional<ReplayGain>& album,
                                   std::vector<VortanError>& failures) {
    ExtractOutcome& outcome = (*outcomes_)[at];
    const ExtractRequest& request = (*requests_)[at];
    const std::optional<ReplayGain> track =
        outcome.loudness ? outcome.loudness->replayGain() : std::nullopt;
    const QString damage = damageComment(outcome);
    for (std::size_t k = 0; k < outcome.outputs.size(); ++k) {
        FormatOutput& output = outcome.outputs[k];
        const std::shared_ptr<outputfile::PendingOutput> file = std::move(output.pending);
        if (!file)
            continue;
        std::optional<VortanError> untagged;
        const bool retag = album || !damage.isEmpty();
        if (retag && output.format == pipeline::OutputFormat::Mp3) {
            id3tag::TagFields tags = request.tags;
            setReplayGain(tags, track, album);
            tags.comment = damage;
            if (const auto written = id3tag::writeTag(file->fd(), output.wantedPath, tags);
                !written)
                untagged = written.error();
        } else if (retag && output.format != pipeline::OutputFormat::Wav) {
            audiotags::AudioTags tags = audiotags::fromTagFields(request.tags);
            if (track)
                tags.trackGain = audiotags::Gain{track->gainDb, track->peak};
            if (album)
                tags.albumGain = audiotags::Gain{album->gainDb, album->peak};
            tags.comment = damage;
            tags.pictures = request.pictures; // the rewrite keeps them
            untagged = audiotags::write(file->fd(), output.wantedPath,
                                        output.format == pipeline::OutputFormat::Flac
                                            ? audiotags::Container::Flac
                                            : audiotags::Container::Opus,
                                        tags);
        }
        if (untagged) {
            file->discard();
            failures.push_back(
                VortanError(untagged->number(), untagged->source(),
                            QCoreApplication::translate(
                                "ExtractionPlan",
                                "%1 (the album's ReplayGain could not be written into its tag)")
                                .arg(untagged->description())));
            continue;
        }
        if (auto placed = file->commit()) {
            output.outputPath = placed.value();
            if (k == 0)
                outcome.outputPath = placed.value();
        } else {
            failures.push_back(placed.error());
        }
    }
}
