#include "cd/extractionplan.h"

#include "app/settings.h"

#include "cd/modakrip32.h"
#include "cd/trackpaths.h"
#include "encode/mp3tagging.h"
#include "platform/akrip/cddrives.h"

#include <QSet>

QString wavFormatText() {
    return QStringLiteral("WAV, 44,100 Hz, 16-bit, stereo");
}

QString mp3FormatText(const QString& bitrate, const QString& quality) {
    return QStringLiteral("MP3, %1 kbit/s, quality %2").arg(bitrate, quality);
}

namespace {

id3tag::TagFields tagFieldsOf(const DiscInfo& disc, int track, int trackTotal) {
    id3tag::TagFields fields;
    if (const TrackInfo* info = disc.track(track)) {
        fields.title = info->title;
        fields.recordingId = info->recordingId;
    }
    fields.artist = disc.trackArtist(track);
    fields.album = disc.album;
    fields.date = disc.date;
    fields.trackNumber = track;
    fields.trackTotal = trackTotal;
    fields.releaseId = disc.releaseId;
    fields.discId = disc.discId;
    return fields;
}

} // namespace

ExtractionPlan::ExtractionPlan(const QList<int>& tracks, const QString& discIdentity,
                               const ExtractionChoices& choices)
    : tracks_(tracks), requests_(std::make_shared<std::vector<ExtractRequest>>()),
      log_(riplog::begin(cddrives::mediaDrive(), riplog::ReadMode::Secure, choices.formatText,
                         discIdentity)) {
    const QString extension = choices.mp3 ? QStringLiteral(".mp3") : QStringLiteral(".wav");
    const std::uint32_t handle = modAKRip32::currentCdHandle();
    const int firstOnDisc = log_.toc.empty() ? 1 : log_.toc.front().number;
    const int lastOnDisc = log_.toc.empty() ? 1 : log_.toc.back().number;
    log_.disc = choices.disc;
    QSet<QString> taken;
    for (const int track : tracks) {
        ExtractRequest request;
        request.handle = handle;
        request.mp3 = choices.mp3;
        request.config = choices.config;
        request.place.firstOnDisc = track == firstOnDisc;
        request.place.lastOnDisc = track == lastOnDisc;
        request.testFirst = choices.testFirst;
        request.tags = tagFieldsOf(choices.disc, track, log_.toc.empty() ? 0 : lastOnDisc);
        try {
            const modAKRip32::TrackRange range = modAKRip32::trackRange(track);
            request.startLba = range.startLba;
            request.endLba = range.endLba;
        } catch (const VortanError& error) {
            request.refusal = QStringLiteral("Track %1: %2").arg(track).arg(error.description());
        }
        QString path;
        if (choices.nameFromDisc) {
            const TrackInfo* info = choices.disc.track(track);
            const QString name = info ? trackFileName(track, info->title, extension) : QString();
            if (!name.isEmpty())
                path = DecodePath + QLatin1Char('/') + name;
        }
        if (path.isEmpty() || taken.contains(path))
            path = drawTrackPath(discIdentity, track, extension, taken);
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

riplog::Log ExtractionPlan::log(const QList<WorkItem>& items,
                                const QList<JobResult>& results) const {
    riplog::Log log = log_;
    for (qsizetype i = 0; i < items.size() && i < results.size(); ++i) {
        const JobResult& result = results[i];
        if (result.status == JobResult::Status::NotStarted)
            continue;
        const auto at = static_cast<std::size_t>(i);
        const ExtractRequest& request = (*requests_)[at];
        const bool ran = request.refusal.isEmpty();
        log.tracks.push_back(riplog::trackOf(tracks_[i], items[i].output, request.startLba,
                                             request.endLba, ran ? &(*outcomes_)[at] : nullptr,
                                             result.status, result.reason));
        log.tracks.back().title = request.tags.title;
    }
    log.albumGain = albumGain(results);
    return log;
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

std::vector<VortanError> ExtractionPlan::writeAlbumGain(const QList<WorkItem>& items,
                                                        const QList<JobResult>& results) const {
    std::vector<VortanError> failures;
    const std::optional<ReplayGain> album = albumGain(results);
    if (!album)
        return failures;
    for (qsizetype i = 0;
         i < items.size() && i < results.size() && static_cast<std::size_t>(i) < requests_->size();
         ++i) {
        const auto at = static_cast<std::size_t>(i);
        const ExtractOutcome& outcome = (*outcomes_)[at];
        if (results[i].status != JobResult::Status::Completed || !(*requests_)[at].mp3)
            continue;
        id3tag::TagFields tags = (*requests_)[at].tags;
        setReplayGain(tags, outcome.loudness ? outcome.loudness->replayGain() : std::nullopt,
                      album);
        if (const auto written = id3tag::writeTag(items[i].output, tags); !written)
            failures.push_back(written.error());
    }
    return failures;
}
