#include "cd/riplog.h"

#include "app/outputnames.h"
#include "platform/akrip/cddrives.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace riplog {

namespace {

QString hex(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString modeText(ReadMode mode) {
    return mode == ReadMode::Secure
               ? QStringLiteral("Secure: every sector through the error-correcting reader")
               : QStringLiteral("Real-time capture of the sound card while the disc played");
}

} // namespace

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
    case TrackResult::Failed:
        break;
    }
    return QStringLiteral("Copy failed");
}

QString Log::fileName() const {
    return QStringLiteral("Rip %1 %2.log")
        .arg(started.date().toString(QStringLiteral("yyyy-MM-dd")), discIdentity);
}

QString Log::text() const {
    QString out;
    QTextStream s(&out);
    s << program << " extraction log\n";
    s << "Date: " << started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "\n\n";
    s << "Drive: " << drive << "\n";
    s << "Read mode: " << modeText(mode) << "\n";
    s << "Output: " << outputFormat << "\n\n";

    s << "Table of contents\n";
    s << "  Track   Start sector   Length (sectors)   Length (mm:ss.ff)\n";
    for (const TocTrack& t : toc)
        s << QStringLiteral("  %1   %2   %3   %4\n")
                 .arg(t.number, 5)
                 .arg(t.startLba, 12)
                 .arg(t.sectors, 16)
                 .arg(sectorTime(t.sectors), 17);
    s << QStringLiteral("  Lead-out %1\n\n").arg(leadOutLba, 12);

    std::vector<std::int32_t> starts;
    for (const TocTrack& t : toc)
        starts.push_back(t.startLba);
    s << "Disc identity: " << discIdentity << "\n";
    s << "AccurateRip disc: " << ripcheck::accurateRipDiscName(starts, leadOutLba, freedbId)
      << "\n";
    const ripcheck::DiscIds ids = ripcheck::accurateRipDiscIds(starts, leadOutLba);
    s << "AccurateRip disc identifiers: " << hex(ids.id1) << " " << hex(ids.id2) << "\n";
    auto known = [&s](const char* label, const QString& value) {
        if (!value.isEmpty())
            s << label << value << "\n";
    };
    known("Album: ", disc.album);
    known("Artist: ", disc.artist);
    known("Date: ", disc.date);
    known("MusicBrainz disc ID: ", disc.discId);
    known("MusicBrainz release ID: ", disc.releaseId);
    if (albumGain) {
        s << "ReplayGain album gain: " << albumGain->gainText() << "\n";
        s << "ReplayGain album peak: " << albumGain->peakText() << "\n";
    }
    s << "\n";
    if (mode == ReadMode::RealTime)
        s << "The tracks were recorded in real time: a recording is not a bit-exact copy of "
             "the disc, so no checksums are given.\n\n";

    QStringList problems;
    int copied = 0;
    for (const Track& t : tracks) {
        s << "Track " << QStringLiteral("%1").arg(t.number, 2, 10, QLatin1Char('0')) << "\n";
        s << "  File: " << t.outputFile << "\n";
        if (!t.title.isEmpty())
            s << "  Title: " << t.title << "\n";
        s << "  Sectors: " << t.startLba << " to " << (t.endLba - 1) << " ("
          << sectorTime(t.endLba - t.startLba) << ")\n";
        if (t.checksummed) {
            s << "  Peak level: " << t.sums.peakPercent() << " %\n";
            if (t.tested)
                s << "  Test CRC32: " << hex(t.testCrc32) << "\n";
            s << "  Copy CRC32: " << hex(t.sums.crc32) << "\n";
            s << "  AccurateRip v1: " << hex(t.sums.accurateRipV1) << "\n";
            s << "  AccurateRip v2: " << hex(t.sums.accurateRipV2) << "\n";
            s << "  Re-reads and corrections: " << t.corrections << "\n";
        }
        if (t.gain) {
            s << "  ReplayGain track gain: " << t.gain->gainText() << "\n";
            s << "  ReplayGain track peak: " << t.gain->peakText() << "\n";
        }
        s << "  Result: " << resultText(t.result);
        if (!t.failure.isEmpty())
            s << " (" << t.failure << ")";
        s << "\n\n";
        if (t.result == TrackResult::CopyOk)
            ++copied;
        else
            problems << QStringLiteral("track %1 (%2)").arg(t.number).arg(resultText(t.result));
    }
    if (problems.isEmpty())
        s << QStringLiteral("Summary: %1 of %1 tracks copied OK\n").arg(copied);
    else
        s << QStringLiteral("Summary: %1 of %2 tracks copied OK; not OK: %3\n")
                 .arg(copied)
                 .arg(tracks.size())
                 .arg(problems.join(QStringLiteral(", ")));
    s.flush();
    return out;
}

Log begin(int driveIndex, ReadMode mode, const QString& outputFormat, const QString& discIdentity) {
    Log log;
    log.program = QStringLiteral("MP3 Vortan " VORTAN_VERSION);
    log.started = QDateTime::currentDateTime();
    const std::vector<cddrives::Drive> drives = cddrives::drives();
    if (driveIndex >= 0 && static_cast<std::size_t>(driveIndex) < drives.size()) {
        const cddrives::Drive& drive = drives[static_cast<std::size_t>(driveIndex)];
        log.drive = drive.isImage ? QStringLiteral("disc image ") + drive.path
                                  : drive.id + QStringLiteral(" (") + drive.path + QLatin1Char(')');
    }
    log.mode = mode;
    log.outputFormat = outputFormat;
    log.discIdentity = discIdentity;
    if (const auto toc = cddrives::readToc(driveIndex)) {
        for (int i = 0; i < toc->trackCount(); ++i)
            log.toc.push_back(TocTrack{toc->firstTrack + i,
                                       toc->trackStartLba[static_cast<std::size_t>(i)],
                                       toc->trackSectors(i)});
        log.leadOutLba = toc->leadOutLba;
        log.freedbId = cddrives::freedbDiscId(toc.value());
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
        t.checksummed = outcome->framesDone > 0;
        t.sums = outcome->sums;
        t.corrections = outcome->corrections;
        t.tested = outcome->tested;
        t.testCrc32 = outcome->testCrc32;
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
    case JobResult::Status::NotStarted:
        t.result = TrackResult::Aborted;
        break;
    case JobResult::Status::Skipped:
    case JobResult::Status::Failed:
        if (outcome && outcome->status == ExtractOutcome::Status::ReadFailed) {
            t.result = TrackResult::ReadErrors;
            t.failure = QStringLiteral("sector %1 could not be read: %2")
                            .arg(outcome->failedLba)
                            .arg(outcome->readErrorText);
        } else {
            t.result = TrackResult::Failed;
            t.failure = reason;
        }
        break;
    }
    return t;
}

Result<QString> write(const QString& folder, const Log& log) {
    const QString wanted = QDir(folder).filePath(log.fileName());
    QString path = wanted;
    for (int number = 2; QFileInfo::exists(path); ++number)
        path = OutputNames::numbered(wanted, number);
    QSaveFile file(path);
    const QByteArray bytes = log.text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return VortanError(VortanError::PathAccess, QStringLiteral("Rip log"),
                           QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return path;
}

} // namespace riplog

namespace riplog {

void writeOrSay(const QString& folder, const Log& log) {
    const auto written = write(folder, log);
    if (!written)
        dialogs::msgBox(written.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Critical);
}

} // namespace riplog
