#include "engine/cd/accuraterip.h"

#include <algorithm>

namespace accuraterip {

namespace {

const QString errorSource = QStringLiteral("AccurateRip");

constexpr qsizetype chunkHeaderBytes = 13;
constexpr qsizetype entryBytes = 9;

std::uint32_t littleEndian32(const QByteArray& bytes, qsizetype at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

QString hex8(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

// How an answer that is no record begins, for the user to recognise it (an error page):
// ` (it begins "<!DOCTYPE html>...")` when it begins with text, else nothing.
QString beginningOf(const QByteArray& bytes) {
    const QByteArray head = bytes.left(40);
    const bool text = std::all_of(head.begin(), head.end(), [](char c) {
        return (c >= 0x20 && c < 0x7f) || c == '\n' || c == '\r' || c == '\t';
    });
    if (!text)
        return {};
    return QStringLiteral(" (it begins \"%1%2\")")
        .arg(QString::fromLatin1(head).simplified(),
             bytes.size() > head.size() ? QStringLiteral("...") : QString());
}

VortanError unreadable(const QString& why) {
    return VortanError(VortanError::InvalidArgument, errorSource,
                       QStringLiteral("The AccurateRip answer cannot be read: %1").arg(why));
}

} // namespace

QString recordPath(const DiscKey& key) {
    const QString id1 = hex8(key.id1);
    return QStringLiteral("/accuraterip/%1/%2/%3/dBAR-%4-%5-%6-%7.bin")
        .arg(id1.at(7))
        .arg(id1.at(6))
        .arg(id1.at(5))
        .arg(key.audioTrackCount, 3, 10, QLatin1Char('0'))
        .arg(id1, hex8(key.id2), hex8(key.freedbId));
}

Result<Record> parseRecord(const QByteArray& bytes, const DiscKey& key) {
    if (bytes.isEmpty())
        return unreadable(QStringLiteral("it is empty"));
    Record record;
    for (qsizetype at = 0; at < bytes.size();) {
        const int count = static_cast<std::uint8_t>(bytes[at]);
        if (bytes.size() - at < chunkHeaderBytes)
            return unreadable(count == key.audioTrackCount
                                  ? QStringLiteral("it ends inside a chunk's header")
                                  : QStringLiteral("it is not an AccurateRip record%1")
                                        .arg(beginningOf(bytes.mid(at))));
        const bool ownIds = littleEndian32(bytes, at + 1) == key.id1 &&
                            littleEndian32(bytes, at + 5) == key.id2 &&
                            littleEndian32(bytes, at + 9) == key.freedbId;
        // Neither the count nor the identifiers of the disc: no record at all (a web page).
        if (count != key.audioTrackCount && !ownIds)
            return unreadable(QStringLiteral("it is not an AccurateRip record%1")
                                  .arg(beginningOf(bytes.mid(at))));
        if (count != key.audioTrackCount)
            return unreadable(QStringLiteral("a chunk lists %1 tracks; the disc has %2")
                                  .arg(count)
                                  .arg(key.audioTrackCount));
        if (!ownIds)
            return unreadable(QStringLiteral("a chunk names another disc"));
        at += chunkHeaderBytes;
        if (bytes.size() - at < count * entryBytes)
            return unreadable(QStringLiteral("it ends inside a chunk"));
        std::vector<TrackEntry> entries;
        entries.reserve(static_cast<std::size_t>(count));
        for (int track = 0; track < count; ++track, at += entryBytes)
            entries.push_back(TrackEntry{static_cast<std::uint8_t>(bytes[at]),
                                         littleEndian32(bytes, at + 1),
                                         littleEndian32(bytes, at + 5)});
        record.chunks.push_back(std::move(entries));
    }
    return record;
}

QString TrackMatch::text() const {
    switch (kind) {
    case Accurate:
        return QStringLiteral("Accurately ripped (confidence %1) [v%2]")
            .arg(confidence)
            .arg(version);
    case Mismatch:
        return submissions == 1
                   ? QStringLiteral("Does not match (1 submission)")
                   : QStringLiteral("Does not match (%1 submissions)").arg(submissions);
    case NotPresent:
        break;
    }
    return QStringLiteral("Not present in the database");
}

TrackMatch compare(const Record& record, int position, std::uint32_t v1, std::uint32_t v2) {
    int agreeingV1 = 0;
    int agreeingV2 = 0;
    int submissions = 0;
    for (const std::vector<TrackEntry>& chunk : record.chunks) {
        if (position < 0 || static_cast<std::size_t>(position) >= chunk.size())
            continue;
        const TrackEntry& entry = chunk[static_cast<std::size_t>(position)];
        if (entry.confidence == 0) // a slot without rips (a data track, a track too short)
            continue;
        submissions += entry.confidence;
        if (entry.checksum == v2)
            agreeingV2 += entry.confidence;
        else if (entry.checksum == v1)
            agreeingV1 += entry.confidence;
    }
    TrackMatch match;
    if (agreeingV2 > 0)
        match = TrackMatch{TrackMatch::Accurate, agreeingV2, 2, submissions};
    else if (agreeingV1 > 0)
        match = TrackMatch{TrackMatch::Accurate, agreeingV1, 1, submissions};
    else if (submissions > 0)
        match = TrackMatch{TrackMatch::Mismatch, 0, 0, submissions};
    return match;
}

QString summaryText(int accurate, int tracks) {
    return QStringLiteral("Accurately ripped: %1 of %2 %3")
        .arg(accurate)
        .arg(tracks)
        .arg(tracks == 1 ? QStringLiteral("track") : QStringLiteral("tracks"));
}

} // namespace accuraterip
