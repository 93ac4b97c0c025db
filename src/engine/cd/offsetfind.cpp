#include "engine/cd/offsetfind.h"

#include "engine/cd/offsetwindow.h"
#include "engine/cd/riplog.h"
#include "engine/platform/akrip/cddrives.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include <QCoreApplication>

namespace offsetfind {

namespace {

const QString source = QStringLiteral("Read offset");

VortanError failure(const QString& text) {
    return VortanError(VortanError::InvalidArgument, source, text);
}

// The record's entries for the audio track at `position` (riplog::recordPosition), every
// chunk's.
std::vector<accuraterip::TrackEntry> entriesAt(const accuraterip::Record& record, int position) {
    std::vector<accuraterip::TrackEntry> entries;
    for (const auto& chunk : record.chunks)
        if (position >= 0 && static_cast<std::size_t>(position) < chunk.size() &&
            chunk[static_cast<std::size_t>(position)].confidence > 0)
            entries.push_back(chunk[static_cast<std::size_t>(position)]);
    return entries;
}

bool silent(const offsetsearch::MarginRead& read) {
    return std::all_of(read.pairs.begin(), read.pairs.end(),
                       [](std::uint32_t p) { return p == 0; });
}

} // namespace

Result<offsetsearch::MarginRead> readWithMargin(const Disc& disc, int trackNumber, int margin,
                                                const std::function<bool()>& cancelled) {
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    if (!toc)
        return failure(disc.unreadable);
    const int i = toc->indexOf(trackNumber);
    if (i < 0 || !toc->isAudio(i))
        return failure(
            QCoreApplication::translate("offsetfind", "Track %1 is not an audio track of the disc")
                .arg(trackNumber));
    if (margin < 0)
        return failure(QCoreApplication::translate("offsetfind", "A margin cannot be negative"));
    auto reader = cddrives::DiscAudioReader::open(disc.drive);
    if (!reader)
        return reader.error();

    offsetsearch::MarginRead read;
    read.margin = margin;
    const std::int32_t start = toc->trackStartLba[static_cast<std::size_t>(i)];
    const std::int32_t sectors = toc->trackSectors(i);
    read.place.firstOnDisc = trackNumber == toc->firstAudioTrack();
    read.place.lastOnDisc = trackNumber == toc->lastAudioTrack();
    read.place.pairCount = std::int64_t{sectors} * OffsetWindow::pairsPerSector;
    read.pairs.reserve(static_cast<std::size_t>(read.place.pairCount + 2 * margin));
    OffsetWindow window(std::int64_t{start} * OffsetWindow::pairsPerSector - margin,
                        read.place.pairCount + 2 * std::int64_t{margin});
    const WindowRead ended = readWindow(
        window,
        [&reader](std::int32_t lba, std::uint32_t count, unsigned char* out) {
            return reader.value()->read(lba, count, out);
        },
        toc->audioLeadOutLba(), false,
        [&read](const std::vector<unsigned char>& piece) {
            const std::size_t at = read.pairs.size();
            read.pairs.resize(at + piece.size() / 4);
            std::memcpy(read.pairs.data() + at, piece.data(), piece.size() / 4 * 4);
        },
        cancelled);
    if (ended.end == WindowRead::End::Cancelled)
        return failure(QCoreApplication::translate("offsetfind", "Cancelled"));
    if (ended.end == WindowRead::End::Failed)
        return failure(
            QCoreApplication::translate("offsetfind", "The disc could not be read at sector %1")
                .arg(ended.failedLba));
    return read;
}

Result<Search> findDriveOffset(const Disc& disc, const accuraterip::Record& record, int margin,
                               const std::function<bool()>& cancelled) {
    const std::optional<cddrives::DiscToc>& toc = disc.toc;
    if (!toc)
        return failure(disc.unreadable);
    std::vector<int> audio; // the audio tracks' numbers, in order
    for (int i = 0; i < toc->trackCount(); ++i)
        if (toc->isAudio(i))
            audio.push_back(toc->firstTrack + i);

    Search search;
    // offset -> (track -> the best confidence of the track's matches there)
    std::map<int, std::map<int, int>> matched;
    const std::size_t edges = audio.size() >= 3 ? 1 : 0;
    for (std::size_t i = edges; i + edges < audio.size(); ++i) {
        if (search.tracksRead.size() == 2)
            break;
        const int track = audio[i];
        const std::vector<accuraterip::TrackEntry> entries =
            entriesAt(record, riplog::recordPosition(*toc, track));
        if (entries.empty())
            continue;
        auto read = readWithMargin(disc, track, margin, cancelled);
        if (cancelled && cancelled()) {
            search.cancelled = true;
            break;
        }
        if (!read)
            return read.error();
        if (silent(read.value()))
            continue;
        search.tracksRead.push_back(track);
        for (const offsetsearch::Match& m : offsetsearch::findOffsets(read.value(), entries)) {
            int& best = matched[m.offset][track];
            best = std::max(best, m.confidence);
        }
    }
    if (search.tracksRead.empty() && !search.cancelled)
        return failure(QCoreApplication::translate(
            "offsetfind", "No audible track of the disc has rips in the record"));

    for (const auto& [offset, tracks] : matched) {
        FoundOffset found;
        found.offset = offset;
        for (const auto& [track, confidence] : tracks) {
            found.tracks.push_back(track);
            found.confidence += confidence;
        }
        search.offsets.push_back(found);
    }
    std::stable_sort(search.offsets.begin(), search.offsets.end(),
                     [](const FoundOffset& a, const FoundOffset& b) {
                         if (a.tracks.size() != b.tracks.size())
                             return a.tracks.size() > b.tracks.size();
                         if (a.confidence != b.confidence)
                             return a.confidence > b.confidence;
                         return std::abs(a.offset) < std::abs(b.offset);
                     });
    return search;
}

} // namespace offsetfind
