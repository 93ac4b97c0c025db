#include "engine/cd/riplog.h"

#include "engine/core/displaytext.h"
#include "engine/formats/outputfile.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/akrip/cdiolib.h"
#include "engine/platform/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <algorithm>

namespace riplog {

namespace {

QString hex(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString readModeLine(readmode::Mode mode) {
    switch (mode) {
    case readmode::Mode::Fast:
        return QStringLiteral(
            "Fast, verified: each track read once, read again securely unless the "
            "AccurateRip database confirms it");
    case readmode::Mode::Paranoid:
        return QStringLiteral(
            "Paranoid: every sector through the error-correcting reader, each track "
            "tested and copied");
    case readmode::Mode::Secure:
        break;
    }
    return QStringLiteral("Secure: every sector through the error-correcting reader");
}

QString modeText(ReadMode mode) {
    return mode == ReadMode::Secure
               ? QStringLiteral("Secure: every sector through the error-correcting reader")
               : QStringLiteral("Real-time capture of the sound card while the disc played");
}

// AccurateRip names a disc by its audio tracks, with the lead-out after a data track.
std::vector<std::int32_t> accurateRipStarts(const Log& log) {
    if (log.discToc)
        return log.discToc->audioStarts();
    std::vector<std::int32_t> starts;
    for (const TocTrack& t : log.toc)
        starts.push_back(t.startLba);
    return starts;
}

bool checkable(const Track& t) {
    const bool whole = t.sectorsRead < 0 || t.sectorsRead >= t.endLba - t.startLba;
    return t.checksummed && t.onDisc && whole &&
           (t.result == TrackResult::CopyOk || t.result == TrackResult::ReadErrors);
}

const Verdict* verdictOf(const std::vector<Verdict>& verdicts, int track) {
    for (const Verdict& verdict : verdicts)
        if (verdict.track == track)
            return &verdict;
    return nullptr;
}

} // namespace

namespace {

accuraterip::DiscKey keyOf(const std::vector<std::int32_t>& starts, std::int32_t leadOutLba,
                           std::uint32_t freedbId) {
    const ripcheck::DiscIds ids = ripcheck::accurateRipDiscIds(starts, leadOutLba);
    return accuraterip::DiscKey{static_cast<int>(starts.size()), ids.id1, ids.id2, freedbId};
}

} // namespace

accuraterip::DiscKey accurateRipKey(const cddrives::DiscToc& toc) {
    return keyOf(toc.audioStarts(), toc.leadOutLba, cddrives::freedbDiscId(toc));
}

int recordPosition(const cddrives::DiscToc& toc, int number) {
    const int index = toc.indexOf(number);
    if (number == 0 || index < 0 || !toc.isAudio(index))
        return -1;
    int position = 0;
    for (int i = 0; i < index; ++i)
        position += toc.isAudio(i) ? 1 : 0;
    return position;
}

namespace {

// recordPosition() over the log's own table of contents.
int recordPositionIn(const Log& log, int number) {
    if (log.discToc)
        return recordPosition(*log.discToc, number);
    int position = 0;
    for (const TocTrack& t : log.toc) {
        if (t.number == number)
            return number != 0 && t.audio ? position : -1;
        position += t.audio ? 1 : 0;
    }
    return -1;
}

} // namespace

QString Verdict::text() const {
    return covered ? match.text()
                   : QStringLiteral("Outside the database's scope (it holds no hidden tracks)");
}

accuraterip::DiscKey Log::accurateRipKey() const {
    return keyOf(accurateRipStarts(*this), leadOutLba, freedbId);
}

bool Log::hasCheckableTracks() const {
    return std::any_of(tracks.begin(), tracks.end(), [this](const Track& t) {
        return checkable(t) && recordPositionIn(*this, t.number) >= 0;
    });
}

std::vector<Verdict> Log::verdicts() const {
    std::vector<Verdict> found;
    if (!accurateRip || !accurateRip->ok())
        return found;
    for (const Track& t : tracks) {
        if (!checkable(t))
            continue;
        Verdict verdict;
        verdict.track = t.number;
        const int position = recordPositionIn(*this, t.number);
        verdict.covered = position >= 0;
        if (verdict.covered)
            verdict.match = accuraterip::compare(accurateRip->value(), position,
                                                 t.sums.accurateRipV1, t.sums.accurateRipV2);
        found.push_back(verdict);
    }
    return found;
}

QStringList Log::accurateRipLines() const {
    QStringList lines;
    if (!accurateRip)
        return lines;
    if (!accurateRip->ok())
        return {QStringLiteral("The AccurateRip database could not be asked: ") +
                printable(accurateRip->error().description())};
    int accurate = 0;
    for (const Verdict& verdict : verdicts()) {
        lines << QStringLiteral("Track %1: %2").arg(verdict.track).arg(verdict.text());
        accurate += verdict.covered && verdict.match.kind == accuraterip::TrackMatch::Accurate;
    }
    int covered = tracksAsked >= 0 ? tracksAsked : static_cast<int>(tracks.size());
    for (const Track& t : tracks)
        covered -= recordPositionIn(*this, t.number) < 0 ? 1 : 0;
    lines << accuraterip::summaryText(accurate, std::max(covered, 0));
    return lines;
}

QString positionTime(std::int64_t samples) {
    const std::int64_t frames = samples / ripcheck::samplesPerSector;
    const std::int64_t seconds = frames / 75;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

QString suspiciousText(const SampleRange& range) {
    return QStringLiteral("Suspicious position %1 \u2013 %2")
        .arg(positionTime(range.first), positionTime(range.end));
}

QString sectorTime(std::int64_t sectors) {
    const std::int64_t seconds = sectors / 75;
    return QStringLiteral("%1:%2.%3")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % 75, 2, 10, QLatin1Char('0'));
}

QString resultText(TrackResult result) {
    switch (result) {
    case TrackResult::CopyOk:
        return QStringLiteral("Copy OK");
    case TrackResult::ReadErrors:
        return QStringLiteral("Copy finished with read errors");
    case TrackResult::Aborted:
        return QStringLiteral("Aborted");
    case TrackResult::NotStarted:
        return QStringLiteral("Not started");
    case TrackResult::Failed:
        break;
    }
    return QStringLiteral("Copy failed");
}

QString Log::fileName() const {
    QString identity = discIdentity;
    for (QChar& c : identity)
        if (c == QLatin1Char('/') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return QStringLiteral("Rip %1 %2.log")
        .arg(started.date().toString(QStringLiteral("yyyy-MM-dd")), identity);
}

namespace {

// The log's account of track `t`, closed by a blank line.
void writeTrack(QTextStream& s, const Track& t, const std::optional<cddrives::DiscToc>& discToc,
                const std::vector<Verdict>& checked) {
    s << "Track " << QStringLiteral("%1").arg(t.number, 2, 10, QLatin1Char('0')) << "\n";
    s << "  File: "
      << (t.outputFile.isEmpty() ? QStringLiteral("none kept") : printable(t.outputFile)) << "\n";
    for (const QString& other : t.otherOutputFiles)
        s << "  File: " << (other.isEmpty() ? QStringLiteral("none kept") : printable(other))
          << "\n";
    if (!t.title.isEmpty())
        s << "  Title: " << printable(t.title) << "\n";
    if (discToc) {
        const QString isrc = discToc->isrcOf(t.number);
        if (!isrc.isEmpty())
            s << "  ISRC: " << isrc << "\n";
        if (const std::int32_t pregap = discToc->pregapSectors(discToc->indexOf(t.number));
            pregap > 0)
            s << "  Pregap: " << sectorTime(pregap) << "\n";
    }
    const std::int32_t sectors = t.endLba - t.startLba;
    if (t.onDisc && (t.sectorsRead < 0 || t.sectorsRead >= sectors)) {
        s << "  Sectors: " << t.startLba << " to " << (t.endLba - 1) << " (" << sectorTime(sectors)
          << ")\n";
    } else if (t.onDisc && t.sectorsRead > 0) {
        s << "  Sectors: " << t.startLba << " to " << (t.startLba + t.sectorsRead - 1)
          << " read of " << t.startLba << " to " << (t.endLba - 1) << " ("
          << sectorTime(t.sectorsRead) << " of " << sectorTime(sectors) << ")\n";
    } else if (t.onDisc) {
        s << "  Sectors: none read of " << t.startLba << " to " << (t.endLba - 1) << " ("
          << sectorTime(sectors) << ")\n";
    }
    if (t.checksummed) {
        s << "  Peak level: " << t.sums.peakPercent() << " %\n";
        if (t.tested)
            s << "  Test CRC32: " << hex(t.testCrc32) << "\n";
        s << "  Copy CRC32: " << hex(t.sums.crc32) << "\n";
        s << "  AccurateRip v1: " << hex(t.sums.accurateRipV1) << "\n";
        s << "  AccurateRip v2: " << hex(t.sums.accurateRipV2) << "\n";
        if (const Verdict* verdict = verdictOf(checked, t.number))
            s << "  AccurateRip: " << verdict->text() << "\n";
        else if (t.number == 0) // asked or not, the database has nothing to say of it
            s << "  AccurateRip: " << Verdict{0, false, {}}.text() << "\n";
        s << "  Re-reads and corrections: " << t.corrections << "\n";
    }
    if (!t.readPath.isEmpty())
        s << "  " << QStringLiteral("Read path: %1").arg(t.readPath) << "\n";
    if (t.c2Rereads > 0)
        s << "  " << QStringLiteral("Sectors read again for their C2 errors: %1").arg(t.c2Rereads)
          << "\n";
    for (const QString& position : t.suspicious)
        s << "  " << position << "\n";
    if (t.gain) {
        s << "  ReplayGain track gain: " << t.gain->gainText() << "\n";
        s << "  ReplayGain track peak: " << t.gain->peakText() << "\n";
    }
    s << "  Result: " << resultText(t.result);
    if (!t.failure.isEmpty())
        s << " (" << printable(t.failure) << ")";
    s << "\n\n";
}

// What the drive states of its cache, and how the error-correcting reader's re-reads get past it.
QString driveCacheLine(int sectors) {
    const QLocale english(QLocale::English);
    const QString away = QStringLiteral("re-reads are read %1 sectors away first")
                             .arg(english.toString(std::max(cdiolib::cacheReachOf(sectors),
                                                            cdiolib::libraryCacheReach)));
    if (sectors <= 0)
        return QStringLiteral("not stated; ") + away;
    return QStringLiteral("%1 KB stated; %2, past it")
        .arg(english.toString(static_cast<qlonglong>(sectors) * cdiolib::sectorBytes / 1024), away);
}

} // namespace

// The log's head: program, drive, table of contents and what the disc is known as.
void Log::writeHead(QTextStream& s) const {
    s << program << " extraction log\n";
    s << "Date: " << started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "\n\n";
    s << "Drive: " << printable(drive);
    if (c2Used)
        s << " ("
          << (*c2Used ? QStringLiteral("C2 error pointers used; their reading has not been "
                                       "tried on a real drive")
                      : QStringLiteral("no C2 error pointers reported"))
          << ")";
    s << "\n";
    if (driveCache)
        s << "Drive cache: " << driveCacheLine(*driveCache) << "\n";
    if (mode == ReadMode::Secure && readMode)
        s << "Read mode: " << readModeLine(*readMode) << "\n";
    else
        s << "Read mode: " << modeText(mode) << "\n";
    if (!readOffset.isEmpty()) {
        s << "Read offset correction: " << printable(readOffset) << "\n";
        s << "Overread into lead-in and lead-out: " << (overreads ? "Yes" : "No") << "\n";
    }
    s << "Output: " << outputFormat << "\n\n";

    s << "Table of contents\n";
    s << "  Track   Start sector   Length (sectors)   Length (mm:ss.ff)\n";
    for (const TocTrack& t : toc)
        s << QStringLiteral("  %1   %2   %3   %4%5\n")
                 .arg(t.number, 5)
                 .arg(t.startLba, 12)
                 .arg(t.sectors, 16)
                 .arg(sectorTime(t.sectors), 17)
                 .arg(t.audio ? QString() : QStringLiteral("   data track"));
    s << QStringLiteral("  Lead-out %1\n\n").arg(leadOutLba, 12);

    s << "Disc identity: " << printable(discIdentity) << "\n";
    s << "AccurateRip disc: "
      << ripcheck::accurateRipDiscName(accurateRipStarts(*this), leadOutLba, freedbId) << "\n";
    const accuraterip::DiscKey key = accurateRipKey();
    s << "AccurateRip disc identifiers: " << hex(key.id1) << " " << hex(key.id2) << "\n";
    auto known = [&s](const char* label, const QString& value) {
        if (!value.isEmpty())
            s << label << printable(value) << "\n";
    };
    if (discToc) {
        known("Catalogue number: ", discToc->catalog);
        if (discToc->hiddenTrackSectors > 0)
            s << "Hidden track: the disc has a hidden track before track " << discToc->firstTrack
              << " (Track 00, " << sectorTime(discToc->hiddenTrackSectors) << ")\n";
        if (!discToc->indexesReported)
            s << "Pregaps and indexes: the drive does not report them; none are given\n";
    }
    known("Album: ", disc.album);
    if (disc.discTotal > 1 && disc.discNumber >= 1)
        s << "Disc " << disc.discNumber << " of " << disc.discTotal << "\n";
    known("Artist: ", disc.artist);
    known("Date: ", disc.date);
    known("MusicBrainz disc ID: ", disc.discId);
    known("MusicBrainz release ID: ", disc.releaseId);
    known("Cover: ", cover);
    known("Cover file: ", coverFile);
    if (albumGain) {
        s << "ReplayGain album gain: " << albumGain->gainText() << "\n";
        s << "ReplayGain album peak: " << albumGain->peakText() << "\n";
    }
    s << "\n";
    if (mode == ReadMode::RealTime)
        s << "The tracks were recorded in real time: a recording is not a bit-exact copy of "
             "the disc, so no checksums are given.\n\n";
}

QString Log::text() const {
    QString out;
    QTextStream s(&out);
    writeHead(s);
    const std::vector<Verdict> checked = verdicts();
    QStringList problems;
    int copied = 0;
    for (const Track& t : tracks) {
        writeTrack(s, t, discToc, checked);
        if (t.result == TrackResult::CopyOk)
            ++copied;
        else
            problems << QStringLiteral("track %1 (%2)").arg(t.number).arg(resultText(t.result));
    }
    // The database's verdicts, then how many tracks it found accurate (or why it could not be
    // asked); the summary closes the log.
    if (!checked.empty()) {
        s << "AccurateRip database\n  Track   Result\n";
        for (const Verdict& verdict : checked)
            s << QStringLiteral("  %1   %2\n").arg(verdict.track, 5).arg(verdict.text());
    }
    if (const QStringList database = accurateRipLines(); !database.isEmpty())
        s << database.last() << "\n\n";
    if (readMode == readmode::Mode::Fast) {
        int reRead = 0;
        for (const Track& t : tracks)
            reRead += t.reReads;
        s << QStringLiteral("Tracks read again securely: %1 of %2").arg(reRead).arg(tracks.size())
          << "\n";
    }
    if (elapsedSeconds >= 0)
        s << QStringLiteral("Total time: %1")
                 .arg(QStringLiteral("%1:%2:%3")
                          .arg(elapsedSeconds / 3600)
                          .arg(elapsedSeconds / 60 % 60, 2, 10, QLatin1Char('0'))
                          .arg(elapsedSeconds % 60, 2, 10, QLatin1Char('0')))
          << "\n";
    const auto asked = tracksAsked >= 0 ? tracksAsked : static_cast<int>(tracks.size());
    s << QStringLiteral("Summary: %1 of %2 tracks asked for copied OK").arg(copied).arg(asked);
    if (!problems.isEmpty())
        s << QStringLiteral("; not OK: %1").arg(problems.join(QStringLiteral(", ")));
    s << "\n";
    s.flush();
    return out;
}

Log begin(const Disc& disc, ReadMode mode, const QString& outputFormat) {
    Log log;
    log.program = QStringLiteral("MP3 Vortan " VORTAN_VERSION);
    log.started = QDateTime::currentDateTime();
    const std::vector<cddrives::Drive> drives = cddrives::drives();
    if (disc.drive >= 0 && static_cast<std::size_t>(disc.drive) < drives.size()) {
        const cddrives::Drive& drive = drives[static_cast<std::size_t>(disc.drive)];
        log.drive = drive.isImage ? QStringLiteral("disc image ") + drive.path
                                  : drive.id + QStringLiteral(" (") + drive.path + QLatin1Char(')');
    }
    log.mode = mode;
    log.outputFormat = outputFormat;
    log.discIdentity = disc.identity();
    if (const auto& toc = disc.toc) {
        for (int i = 0; i < toc->trackCount(); ++i)
            log.toc.push_back(TocTrack{toc->firstTrack + i,
                                       toc->trackStartLba[static_cast<std::size_t>(i)],
                                       toc->trackSectors(i), toc->isAudio(i)});
        log.leadOutLba = toc->leadOutLba;
        log.freedbId = disc.freedbId;
        log.discToc = *toc;
    }
    return log;
}

Track trackOf(int number, const QString& outputFile, std::int32_t startLba, std::int32_t endLba,
              const ExtractOutcome* outcome, JobResult::Status status, const QString& reason) {
    Track t;
    t.number = number;
    t.outputFile = outputFile;
    t.startLba = startLba;
    t.endLba = endLba;
    if (outcome) {
        t.sectorsRead = outcome->framesDone;
        t.checksummed = outcome->framesDone > 0;
        t.sums = outcome->sums;
        t.corrections = outcome->corrections;
        t.tested = outcome->tested;
        t.testCrc32 = outcome->testCrc32;
        t.readPath = outcome->readPath;
        t.reReads = outcome->reReads;
        t.c2Rereads = outcome->c2Rereads;
        for (const SampleRange& range : outcome->suspicious)
            t.suspicious.push_back(suspiciousText(range));
        if (outcome->loudness)
            t.gain = outcome->loudness->replayGain();
    }
    switch (status) {
    case JobResult::Status::Completed:
        t.result = TrackResult::CopyOk;
        if (t.tested && t.testCrc32 != t.sums.crc32) {
            t.result = TrackResult::ReadErrors;
            t.failure = QStringLiteral("the test and copy CRCs differ");
        }
        break;
    case JobResult::Status::Cancelled:
        t.result = TrackResult::Aborted;
        break;
    case JobResult::Status::NotStarted:
        t.result = TrackResult::NotStarted;
        t.sectorsRead = 0;
        break;
    case JobResult::Status::Skipped:
    case JobResult::Status::Failed:
        if (outcome && outcome->status == ExtractOutcome::Status::ReadFailed) {
            t.result = TrackResult::ReadErrors;
            t.failure = QStringLiteral("sector %1 could not be read: %2")
                            .arg(outcome->failedLba)
                            .arg(outcome->readErrorText);
        } else if (outcome && outcome->status == ExtractOutcome::Status::Completed && t.tested &&
                   t.testCrc32 != t.sums.crc32) {
            t.result = TrackResult::ReadErrors; // a whole copy, failed for its differing reads
            t.failure = QStringLiteral("the test and copy CRCs differ");
        } else if (outcome && outcome->status == ExtractOutcome::Status::Completed &&
                   !outcome->suspicious.empty()) {
            t.result = TrackResult::ReadErrors; // whole, with silence where the disc failed
            t.failure =
                QStringLiteral("damaged: the disc could not be read at the suspicious positions "
                               "below; silence stands there");
        } else {
            t.result = TrackResult::Failed;
            t.failure = reason;
            if (!outcome)
                t.sectorsRead = 0;
        }
        break;
    }
    return t;
}

Result<QString> write(const QString& folder, const Log& log) {
    const QString wanted = QDir(folder).filePath(log.fileName());
    auto written = outputfile::writeWhole(wanted, log.text().toUtf8());
    if (!written)
        return VortanError(VortanError::PathAccess, QStringLiteral("Rip log"),
                           QCoreApplication::translate(
                               "riplog", "The rip log could not be written (%1); no log was "
                                         "kept")
                               .arg(written.error().description()));
    return written;
}

} // namespace riplog

namespace riplog {

Result<QString> writeOrSay(const QString& folder, const Log& log) {
    auto written = write(folder, log);
    if (!written)
        dialogs::msgBox(written.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Critical);
    return written;
}

} // namespace riplog
