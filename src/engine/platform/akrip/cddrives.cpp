#include "engine/platform/akrip/cddrives.h"

#include "engine/formats/wavreader.h"
#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cuesheet.h"
#include "engine/platform/akrip/drivetable.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cddrives {

using akrip::detail::DiscSource;
using akrip::detail::DriveEntry;
using akrip::detail::LockedTable;

namespace {

const QString errorSource = QStringLiteral("AKRip32");

// "m:ss" of a sector count at 75 sectors a second, rounded down to whole seconds.
QString minutesSeconds(std::int64_t sectors) {
    const std::int64_t seconds = sectors / 75;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The tracks the data file does not hold completely: those past its end, and those with
// `missing` sectors. Only whole sectors count: a partial sector at the end is missing.
QStringList incompleteTracks(const std::vector<cuesheet::Track>& tracks, qint64 dataBytes,
                             const std::vector<cdiolib::MissingSectors>& missing) {
    const std::int64_t dataSectors = dataBytes / akrip::cdFrameBytes;
    const bool partialSector = dataBytes % static_cast<qint64>(akrip::cdFrameBytes) != 0;
    QStringList lines;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const cuesheet::Track& track = tracks[i];
        if (track.startSector >= dataSectors) {
            lines
                << QCoreApplication::translate("cddrives", "Track %1 is missing").arg(track.number);
            continue;
        }
        // The last track has no end but the data's: only a cut sector shortens it.
        const bool last = i + 1 == tracks.size();
        const std::int64_t end =
            last ? dataSectors + (partialSector ? 1 : 0) : std::int64_t{tracks[i + 1].startSector};
        std::int64_t held = std::min(dataSectors, end);
        for (const cdiolib::MissingSectors& gap : missing)
            if (gap.first < held && gap.end > track.startSector)
                held = std::max<std::int64_t>(gap.first, track.startSector);
        if (held < end)
            lines << QCoreApplication::translate("cddrives", "Track %1 is incomplete: %2 of %3")
                         .arg(track.number)
                         .arg(minutesSeconds(held - track.startSector),
                              minutesSeconds(end - track.startSector));
    }
    return lines;
}

VortanError refused(const QString& text, int number = VortanError::InvalidArgument) {
    return VortanError(number, errorSource, text);
}

// Where the disc of drive `driveIndex` is opened from.
Result<DiscSource> sourceOf(int driveIndex) {
    LockedTable table;
    if (driveIndex < 0 || driveIndex >= static_cast<int>(table->drives.size()))
        return refused(
            QCoreApplication::translate("cddrives", "There is no drive %1").arg(driveIndex));
    return table->drives[static_cast<std::size_t>(driveIndex)].source;
}

// The disc of drive `driveIndex`, opened now, with its table of contents.
struct LaidOutDisc {
    cdiolib::CdIoPtr disc;
    cdiolib::Layout layout;
    bool isDevice = true;
    std::shared_ptr<const cuesheet::Sheet> sheet; // images
    QString imageData;                            // images: the data file
    std::vector<cdiolib::MissingSectors> missing; // images: sectors its files lack
};

// The sectors before the first track's INDEX 01 when they hold audio that is not silence;
// 0 otherwise (silence, a data track first, or sectors the drive cannot read).
std::int32_t hiddenAudioSectors(const LaidOutDisc& opened) {
    const cdiolib::TrackEntry& first = opened.layout.tracks.front();
    if (!first.audio || first.startLsn <= 0)
        return 0;
    auto reader = cdiolib::SectorReader::open(opened.disc.get(), opened.layout, opened.imageData,
                                              opened.missing);
    if (!reader)
        return 0;
    constexpr std::int32_t chunk = 75;
    constexpr int silenceLimit = 16; // sample magnitudes up to this are silence
    std::vector<unsigned char> buffer(static_cast<std::size_t>(chunk) * akrip::cdFrameBytes);
    for (std::int32_t lba = 0; lba < first.startLsn; lba += chunk) {
        const auto count = static_cast<std::uint32_t>(std::min(chunk, first.startLsn - lba));
        const std::uint32_t got = reader.value()->read(lba, count, buffer.data());
        for (std::size_t at = 0; at + 1 < std::size_t{got} * akrip::cdFrameBytes; at += 2) {
            const auto sample = static_cast<std::int16_t>(buffer[at] | (buffer[at + 1] << 8));
            if (sample > silenceLimit || sample < -silenceLimit)
                return first.startLsn;
        }
        if (got < count)
            return 0;
    }
    return 0;
}

Result<LaidOutDisc> openLaidOut(int driveIndex) {
    auto source = sourceOf(driveIndex);
    if (!source)
        return source.error();
    auto disc = akrip::detail::openDisc(source.value());
    if (!disc)
        return disc.error();
    auto layout = akrip::detail::layoutOf(source.value(), disc.value().get());
    if (!layout)
        return layout.error();
    return LaidOutDisc{std::move(disc.value()),
                       std::move(layout.value()),
                       source->isDevice,
                       source->sheet,
                       source->isDevice ? QString() : source->dataPath,
                       source->missing};
}

// Why `path`, named by a cue sheet as its data file, is not one; empty when it is a regular
// file (reached through links or not).
QString notADataFile(const QString& path) {
    struct stat info {};
    const QByteArray native = nativepath::encode(path);
    if (::stat(native.constData(), &info) == 0)
        return S_ISREG(info.st_mode) ? QString()
               : S_ISDIR(info.st_mode)
                   ? QCoreApplication::translate("cddrives", "is a folder, not a data file")
                   : QCoreApplication::translate(
                         "cddrives", "is not a regular file (a FIFO, a socket or a device)");
    const int error = errno;
    if (error == ELOOP)
        return QCoreApplication::translate("cddrives",
                                           "is a symbolic link that leads back to itself");
    if (error == ENOENT && ::lstat(native.constData(), &info) == 0)
        return QCoreApplication::translate("cddrives", "is a symbolic link to nothing");
    if (error == ENOENT || error == ENOTDIR)
        return QCoreApplication::translate("cddrives", "is missing");
    return QCoreApplication::translate("cddrives", "cannot be reached: ") +
           QString::fromLocal8Bit(std::strerror(error));
}

// Removes the private folders of processes that no longer run: a crash or a kill leaves
// them. Only folders of this user, named with a process number, are touched.
void removeOrphanedFolders() {
    {
        const QDir temp(QDir::tempPath());
        const QStringList names =
            temp.entryList({QStringLiteral("vortan-disc-*")},
                           QDir::Dirs | QDir::NoSymLinks | QDir::Hidden | QDir::System);
        static const QRegularExpression pattern(QStringLiteral("^vortan-disc-(\\d+)-\\w+$"));
        for (const QString& name : names) {
            const QRegularExpressionMatch match = pattern.match(name);
            bool ok = false;
            const qint64 pid = match.hasMatch() ? match.captured(1).toLongLong(&ok) : 0;
            struct stat info {};
            if (!ok || pid <= 0 || pid == ::getpid() ||
                ::lstat(nativepath::encode(temp.filePath(name)).constData(), &info) != 0 ||
                info.st_uid != ::getuid())
                continue;
            if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
                continue; // its process runs (or is not ours to ask about)
            QDir(temp.filePath(name)).removeRecursively();
        }
    }
}

// The identification text of a new image drive: the cue's file name, told apart from the
// drives listed already.
QString distinctName(const QFileInfo& cue, const std::vector<DriveEntry>& drives) {
    auto taken = [&drives](const QString& name) {
        return std::any_of(drives.begin(), drives.end(),
                           [&name](const DriveEntry& entry) { return entry.drive.id == name; });
    };
    if (!taken(cue.fileName()))
        return cue.fileName();
    const QString withFolder = cue.absoluteDir().dirName() + QLatin1Char('/') + cue.fileName();
    QString name = withFolder;
    for (int number = 2; taken(name); ++number)
        name = QStringLiteral("%1 (%2)").arg(withFolder).arg(number);
    return name;
}

// One data file of a sheet: the path, and where its sectors lie in it.
struct DataPart {
    QString path;
    std::int64_t offset = 0; // of the first audio byte: past a WAVE file's header
    std::int64_t bytes = 0;  // the audio the file holds
    // The audio the sheet's positions count on: a WAVE file's as its header announces it, a
    // binary file's in whole sectors. More than `bytes` when the file is cut short.
    std::int64_t expectedBytes = 0;
    QString shortfall; // why the file holds less than expected, naming it
};

bool entryExists(const QString& path) {
    struct stat info {};
    return ::lstat(nativepath::encode(path).constData(), &info) == 0;
}

// `path` (absolute) with each part that does not exist replaced by the one entry of its
// folder whose name differs from it in case only; empty when a part has no such entry, or
// several.
QString caseInsensitiveMatch(const QString& path) {
    QString reached;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString exact = reached + QLatin1Char('/') + part;
        if (entryExists(exact)) {
            reached = exact;
            continue;
        }
        QStringList matches;
        const QByteArray folder =
            nativepath::encode(reached.isEmpty() ? QStringLiteral("/") : reached);
        if (DIR* listing = ::opendir(folder.constData())) {
            while (const dirent* entry = ::readdir(listing)) {
                const QString name = nativepath::decode(entry->d_name);
                if (name.compare(part, Qt::CaseInsensitive) == 0)
                    matches << name;
            }
            ::closedir(listing);
        }
        if (matches.size() != 1)
            return {};
        reached += QLatin1Char('/') + matches.front();
    }
    return reached;
}

// Where the data file a sheet names `name` is (relative to `folder` unless absolute), also for
// sheets written on other systems: the name as written when something of that name exists;
// else with each '\' read as a folder separator (as Windows writes them); else, part by part,
// the one entry of its folder whose name differs in case only (a sheet naming "CDDA.BIN"
// beside "cdda.bin"). When none is found: the name as written, and in `tried` what else was
// looked for.
QString locateDataFile(const QString& folder, const QString& name, QStringList& tried) {
    const QString literal = QDir(folder).absoluteFilePath(name);
    if (entryExists(literal))
        return literal;
    QString candidate = literal;
    if (name.contains(QLatin1Char('\\'))) {
        candidate = QDir(folder).absoluteFilePath(
            QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')));
        if (entryExists(candidate))
            return candidate;
        tried << QCoreApplication::translate("cddrives",
                                             "%1, with \"\\\" read as a folder separator")
                     .arg(candidate);
    }
    if (const QString match = caseInsensitiveMatch(candidate); !match.isEmpty())
        return match;
    tried << QCoreApplication::translate("cddrives", "names that differ from it in case only");
    return literal;
}

// The data files of `sheet` (names relative to `folder`, see locateDataFile), checked: each a
// regular file that can be read, a binary image or a WAVE file of CD audio, every one but the
// last holding whole sectors (the positions in the files after it count from its end). Fails
// naming the cue and the file.
Result<std::vector<DataPart>> dataParts(const QString& cuePath, const cuesheet::Sheet& sheet,
                                        const QString& folder) {
    const QString missing = QCoreApplication::translate("cddrives", "is missing");
    std::vector<DataPart> parts;
    for (std::size_t k = 0; k < sheet.files.size(); ++k) {
        const cuesheet::DataFile& file = sheet.files[k];
        const bool wave = file.type == QLatin1String("WAVE");
        if (file.type != QLatin1String("BINARY") && !wave)
            return refused(QCoreApplication::translate(
                               "cddrives", "%1: the data file %2 is of type %3; only binary (BIN) "
                                           "and WAVE images can be opened")
                               .arg(cuePath, file.name, file.type));
        QStringList tried;
        const QString path = locateDataFile(folder, file.name, tried);
        if (QString problem = notADataFile(path); !problem.isEmpty()) {
            if (problem == missing && !tried.isEmpty())
                problem +=
                    QCoreApplication::translate("cddrives", " (also looked for %1)")
                        .arg(tried.join(QCoreApplication::translate("cddrives", " and for ")));
            return refused(QCoreApplication::translate("cddrives", "%1: its data file %2 %3")
                               .arg(cuePath, path, problem),
                           VortanError::FileNotFound);
        }
        // Opened here so that a file that cannot be read says why (no permission, too many
        // open files) before the CD library fails on it without a reason.
        QFile probe;
        int openError = 0;
        if (!nativepath::openForReading(probe, path, &openError))
            return refused(
                QCoreApplication::translate("cddrives", "%1: its data file %2 cannot be opened: %3")
                    .arg(cuePath, path, QString::fromLocal8Bit(std::strerror(openError))),
                VortanError::FileNotFound);
        DataPart part{path, 0, probe.size(), 0, {}};
        probe.close();
        constexpr std::int64_t sector = akrip::cdFrameBytes;
        part.expectedBytes = (part.bytes + sector - 1) / sector * sector;
        if (part.expectedBytes != part.bytes)
            part.shortfall =
                QCoreApplication::translate("cddrives", "its data file %1 ends within sector %2")
                    .arg(path)
                    .arg(part.bytes / sector);
        if (wave) {
            const auto format = readWavFormat(path);
            if (!format) {
                QString reason = format.error().description(); // "<path>: why"
                if (reason.startsWith(path + QStringLiteral(": ")))
                    reason.remove(0, path.size() + 2);
                return refused(QCoreApplication::translate(
                                   "cddrives", "%1: its WAVE file %2 cannot be read: %3")
                                   .arg(cuePath, path, reason));
            }
            if (!format->isCdFormat())
                return refused(QCoreApplication::translate(
                                   "cddrives", "%1: its WAVE file %2 is not CD audio (PCM, "
                                               "44,100 Hz, 16-bit, stereo)")
                                   .arg(cuePath, path));
            part.offset = format->dataOffset;
            part.bytes = format->dataLength;
            part.expectedBytes =
                format->dataTruncated ? format->announcedDataLength : format->dataLength;
            part.shortfall = format->dataTruncated
                                 ? QCoreApplication::translate(
                                       "cddrives", "its WAVE file %1 is cut short: it holds %2 "
                                                   "of the %3 its header announces")
                                       .arg(path, minutesSeconds(part.bytes / sector),
                                            minutesSeconds(part.expectedBytes / sector))
                                 : QString();
            // A header may announce up to 4 GB (some writers put the most there when they do
            // not know the length): no disc holds that.
            if (part.expectedBytes > std::int64_t{cuesheet::maxSector + 1} * sector)
                return refused(
                    QCoreApplication::translate("cddrives", "%1: %2, more than a disc holds")
                        .arg(cuePath, part.shortfall));
        }
        const std::int64_t sheetBytes = wave ? part.expectedBytes : part.bytes;
        if (k + 1 < sheet.files.size() && sheetBytes % sector != 0)
            return refused(QCoreApplication::translate(
                               "cddrives", "%1: its data file %2 does not hold whole CD sectors "
                                           "(%3 bytes of audio; a sector is 2,352): the files "
                                           "after it would not start where the sheet says")
                               .arg(cuePath, path)
                               .arg(sheetBytes));
        parts.push_back(part);
    }
    return parts;
}

// Writes the data of `parts` one after another into `target`, with each track's PREGAP
// silence of `sheet` before its INDEX 01, and the last sector filled up with zeros. What a part
// lacks of its expected length is left as a hole of zeros and listed in `missing`. Returns why it
// failed, naming the user's file or the temporary folder; empty on success.
QString writeJoined(const QString& target, const std::vector<DataPart>& parts,
                    const cuesheet::Sheet& sheet, std::vector<cdiolib::MissingSectors>& missing) {
    constexpr std::int64_t sector = akrip::cdFrameBytes;
    QFile out(target);
    const auto outFailure = [&out] {
        return QCoreApplication::translate("cddrives", "the temporary folder %1: %2")
            .arg(QDir::tempPath(), out.errorString());
    };
    if (!out.open(QIODevice::WriteOnly))
        return outFailure();
    std::int64_t written = 0;
    auto put = [&out, &written](const QByteArray& bytes) {
        written += bytes.size();
        return out.write(bytes) == bytes.size();
    };
    // Zeros that take no disk space: PREGAP silence (up to a disc's length) and holes.
    auto putZeros = [&out, &written](std::int64_t bytes) {
        written += bytes;
        return out.flush() && out.resize(written) && out.seek(written);
    };
    auto leaveOut = [&](std::int64_t bytes, const QString& reason) {
        const auto first = static_cast<std::int32_t>(written / sector);
        const auto end = static_cast<std::int32_t>((written + bytes + sector - 1) / sector);
        if (!missing.empty() && missing.back().end >= first && missing.back().reason == reason)
            missing.back().end = end;
        else
            missing.push_back(cdiolib::MissingSectors{first, end, reason});
        return putZeros(bytes);
    };
    constexpr std::int64_t chunkBytes = 1 << 20;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const DataPart& part = parts[k];
        QFile in;
        int openError = 0;
        if (!nativepath::openForReading(in, part.path, &openError) || !in.seek(part.offset))
            return QStringLiteral("%1: %2").arg(
                part.path,
                openError ? QString::fromLocal8Bit(std::strerror(openError)) : in.errorString());
        std::vector<std::pair<std::int64_t, std::int32_t>> silences; // byte in file, sectors
        for (const cuesheet::Track& track : sheet.tracks)
            if (track.file == static_cast<int>(k) && track.pregapSilence > 0)
                silences.emplace_back(std::int64_t{track.startSector} * sector,
                                      track.pregapSilence);
        std::sort(silences.begin(), silences.end());
        std::int64_t done = 0; // of the part's expected bytes
        QString failure;
        auto copyUpTo = [&](std::int64_t end) {
            while (done < std::min(end, part.bytes)) {
                const QByteArray bytes =
                    in.read(std::min(chunkBytes, std::min(end, part.bytes) - done));
                if (bytes.isEmpty()) {
                    failure =
                        QCoreApplication::translate("cddrives", "%1: it ended while it was read")
                            .arg(part.path);
                    return false;
                }
                if (!put(bytes)) {
                    failure = outFailure();
                    return false;
                }
                done += bytes.size();
            }
            if (done < end && !leaveOut(end - done, part.shortfall)) {
                failure = outFailure();
                return false;
            }
            done = std::max(done, end);
            return true;
        };
        for (const auto& [at, sectors] : silences) {
            if (!copyUpTo(std::min(at, part.expectedBytes)))
                return failure;
            if (!putZeros(std::int64_t{sectors} * sector))
                return outFailure();
        }
        if (!copyUpTo(part.expectedBytes))
            return failure;
    }
    if (const std::int64_t partial = written % sector;
        partial != 0 && !put(QByteArray(sector - partial, '\0')))
        return outFailure();
    if (!out.flush() || !out.resize(written) || out.error() != QFileDevice::NoError)
        return outFailure();
    return {};
}

// What libcdio is given of an image: the sheet itself over one binary file (read where it
// is, through a link), else the sheet of its files joined into one, pregaps as silence; and
// the size of the data that sheet describes.
struct ImageData {
    std::shared_ptr<const cuesheet::Sheet> sheet;
    std::int64_t bytes = 0;
    bool joined = false;
};

Result<ImageData> imageData(const QString& cuePath, const cuesheet::Sheet& sheet,
                            const std::vector<DataPart>& parts) {
    ImageData image;
    // A PREGAP is silence no file holds, which moves every later track on the disc: only a
    // copy with the silence in place is read as the disc.
    const bool pregapSilence =
        std::any_of(sheet.tracks.begin(), sheet.tracks.end(),
                    [](const cuesheet::Track& track) { return track.pregapSilence > 0; });
    image.joined = parts.size() > 1 || sheet.fileType != QLatin1String("BINARY") || pregapSilence;
    if (!image.joined) {
        image.sheet = std::make_shared<const cuesheet::Sheet>(sheet);
        image.bytes = parts.front().bytes;
        return image;
    }
    std::vector<std::int32_t> fileSectors;
    for (const DataPart& part : parts)
        fileSectors.push_back(static_cast<std::int32_t>(std::min<std::int64_t>(
            (part.expectedBytes + akrip::cdFrameBytes - 1) / akrip::cdFrameBytes,
            cuesheet::maxSector + 1)));
    auto one = cuesheet::joined(sheet, fileSectors, true, cuePath);
    if (!one)
        return one.error();
    std::int64_t sectors = 0;
    for (const cuesheet::Track& track : sheet.tracks)
        sectors += track.pregapSilence;
    for (const std::int32_t count : fileSectors)
        sectors += count;
    if (sectors > cuesheet::maxSector + 1)
        return refused(QCoreApplication::translate(
                           "cddrives", "%1: its files hold more than a disc can (99:59:74)")
                           .arg(cuePath));
    image.bytes = sectors * akrip::cdFrameBytes;
    image.sheet = std::make_shared<const cuesheet::Sheet>(std::move(one.value()));
    return image;
}

// The private copy libcdio reads, in a folder of its own that lives as long as `folder` does:
// the sheet as the library takes it, and its data (a link to the one binary file, else the
// files joined, with the sectors they lack).
struct PrivateCopy {
    std::shared_ptr<QTemporaryDir> folder;
    QString cue;
    QString data;
    std::vector<cdiolib::MissingSectors> missing;
};

Result<PrivateCopy> writePrivateCopy(const QString& cuePath, const ImageData& image,
                                     const cdiolib::Layout& layout,
                                     const std::vector<DataPart>& parts,
                                     const cuesheet::Sheet& sheet) {
    PrivateCopy copy;
    copy.folder = std::make_shared<QTemporaryDir>(
        QDir::tempPath() + QStringLiteral("/vortan-disc-%1-XXXXXX").arg(::getpid()));
    const auto notWritten = [&cuePath](const QString& reason) {
        return refused(QCoreApplication::translate(
                           "cddrives", "%1 cannot be opened: its private copy in %2 cannot be "
                                       "written (%3)")
                           .arg(cuePath, QDir::tempPath(), reason));
    };
    if (!copy.folder->isValid())
        return notWritten(copy.folder->errorString());
    copy.cue = copy.folder->filePath(QStringLiteral("image.cue"));
    const QString privateData = copy.folder->filePath(QStringLiteral("image.bin"));
    QFile file(copy.cue);
    const QByteArray canonical = cuesheet::forLibrary(
        *image.sheet, static_cast<int>(layout.tracks.size()), QStringLiteral("image.bin"));
    if (!file.open(QIODevice::WriteOnly) || file.write(canonical) != canonical.size() ||
        !file.flush())
        return notWritten(file.errorString());
    file.close();
    const QString& source = parts.front().path;
    if (!image.joined && ::symlink(nativepath::encode(nativepath::canonical(source)).constData(),
                                   nativepath::encode(privateData).constData()) != 0)
        return notWritten(QString::fromLocal8Bit(std::strerror(errno)));
    copy.data = source;
    if (image.joined) {
        if (const QString failure = writeJoined(privateData, parts, sheet, copy.missing);
            !failure.isEmpty())
            return refused(QCoreApplication::translate(
                               "cddrives", "%1 cannot be opened: its files could not be joined "
                                           "into one image (%2)")
                               .arg(cuePath, failure));
        copy.data = privateData;
    }
    return copy;
}

} // namespace

int DiscToc::indexOf(int number) const {
    const int i = number - firstTrack;
    return i >= 0 && i < trackCount() ? i : -1;
}

bool DiscToc::isAudio(int i) const {
    return i >= 0 && i < trackCount() &&
           (trackIsAudio.empty() || trackIsAudio[static_cast<std::size_t>(i)]);
}

std::int32_t DiscToc::trackEnd(int i) const {
    if (i < 0 || i >= trackCount())
        return 0;
    const auto index = static_cast<std::size_t>(i);
    if (index < trackEndLba.size())
        return trackEndLba[index];
    if (i + 1 == trackCount())
        return leadOutLba;
    const std::int32_t next = trackStartLba[index + 1];
    // As a drive reports an Enhanced CD: the audio session ends 11,400 sectors before the data.
    if (isAudio(i) && !isAudio(i + 1) && next - cdiolib::sessionGapSectors > trackStartLba[index])
        return next - cdiolib::sessionGapSectors;
    return next;
}

std::int32_t DiscToc::pregapSectors(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= pregapLba.size() || i >= trackCount())
        return 0;
    const std::int32_t pregap = pregapLba[static_cast<std::size_t>(i)];
    return pregap < 0 ? 0 : std::max(0, trackStartLba[static_cast<std::size_t>(i)] - pregap);
}

QString DiscToc::isrcOf(int number) const {
    const int i = indexOf(number);
    return i >= 0 && static_cast<std::size_t>(i) < isrc.size() ? isrc[static_cast<std::size_t>(i)]
                                                                : QString();
}

std::int32_t DiscToc::trackSectors(int i) const {
    if (i < 0 || i >= trackCount())
        return 0;
    return std::max(0, trackEnd(i) - trackStartLba[static_cast<std::size_t>(i)]);
}

std::vector<std::int32_t> DiscToc::audioStarts() const {
    std::vector<std::int32_t> starts;
    for (int i = 0; i < trackCount(); ++i)
        if (isAudio(i))
            starts.push_back(trackStartLba[static_cast<std::size_t>(i)]);
    return starts;
}

int DiscToc::firstAudioTrack() const {
    for (int i = 0; i < trackCount(); ++i)
        if (isAudio(i))
            return firstTrack + i;
    return 0;
}

int DiscToc::lastAudioTrack() const {
    for (int i = trackCount() - 1; i >= 0; --i)
        if (isAudio(i))
            return firstTrack + i;
    return 0;
}

std::int32_t DiscToc::audioLeadOutLba() const {
    const int last = indexOf(lastAudioTrack());
    return last >= 0 && last + 1 < trackCount() ? trackEnd(last) : leadOutLba;
}

std::vector<Drive> drives() {
    LockedTable table;
    std::vector<Drive> out;
    out.reserve(table->drives.size());
    for (const DriveEntry& entry : table->drives)
        out.push_back(entry.drive);
    return out;
}

Result<ImageReport> registerImage(const QString& cuePath) {
    const QFileInfo cueInfo(cuePath);
    const QString canonicalCue = nativepath::canonical(cuePath);
    struct stat cueEntry {};
    if (canonicalCue.isEmpty())
        return refused(
            QCoreApplication::translate("cddrives", "%1 cannot be opened: %2")
                .arg(cuePath,
                     ::lstat(nativepath::encode(cuePath).constData(), &cueEntry) == 0
                         ? QCoreApplication::translate("cddrives", "it leads nowhere")
                         : QCoreApplication::translate("cddrives", "there is no such file")),
            VortanError::FileNotFound);
    auto sheet = cuesheet::read(cuePath);
    if (!sheet)
        return sheet.error();
    // By string: a folder whose name is not UTF-8 keeps its bytes.
    const QString cueFolder =
        canonicalCue.left(std::max<qsizetype>(canonicalCue.lastIndexOf(u'/'), 1));
    auto parts = dataParts(cuePath, sheet.value(), cueFolder);
    if (!parts)
        return parts.error();
    auto image = imageData(cuePath, sheet.value(), parts.value());
    if (!image)
        return image.error();
    const cdiolib::Layout layout = akrip::detail::imageLayout(*image->sheet, image->bytes);
    if (layout.tracks.empty())
        return refused(QCoreApplication::translate(
                           "cddrives", "%1: its data file %2 ends before the first track "
                                       "starts (it holds %3 bytes)")
                           .arg(cuePath, parts->front().path)
                           .arg(image->bytes));
    removeOrphanedFolders();
    auto copy = writePrivateCopy(cuePath, image.value(), layout, parts.value(), sheet.value());
    if (!copy)
        return copy.error();
    const DiscSource source{
        copy->cue,    false,         canonicalCue, nativepath::absolute(copy->data),
        image->sheet, copy->missing, nullptr};
    DiscSource asNamed = source; // failures name the sheet as the user named it
    asNamed.cuePath = cuePath;
    if (auto opened = akrip::detail::openDisc(asNamed); !opened)
        return opened.error();

    ImageReport report;
    report.incompleteTracks = incompleteTracks(image->sheet->tracks, image->bytes, copy->missing);
    LockedTable table;
    for (std::size_t i = 0; i < table->drives.size(); ++i)
        if (table->drives[i].drive.isImage && table->drives[i].canonicalCue == canonicalCue) {
            report.driveIndex = static_cast<int>(i);
            report.displayName = table->drives[i].drive.id;
            return report;
        }
    if (static_cast<int>(table->drives.size()) >= akrip::maxDrives)
        return refused(QCoreApplication::translate(
                           "cddrives", "%1 cannot be opened: there are %2 drives already, the most "
                                       "there can be")
                           .arg(cuePath)
                           .arg(akrip::maxDrives));
    DriveEntry entry;
    entry.drive = Drive{distinctName(cueInfo, table->drives), cuePath, true};
    entry.source = source;
    entry.canonicalCue = canonicalCue;
    entry.privateFolder = std::move(copy->folder);
    report.displayName = entry.drive.id;
    table->drives.push_back(std::move(entry));
    report.driveIndex = static_cast<int>(table->drives.size()) - 1;
    return report;
}

Result<ImageReport> registerSimulatedDrive(const QString& cuePath,
                                           std::shared_ptr<cdiolib::DriveMedium> medium) {
    auto report = registerImage(cuePath);
    if (!report)
        return report;
    LockedTable table;
    DriveEntry& entry = table->drives[static_cast<std::size_t>(report->driveIndex)];
    entry.source.medium = std::move(medium);
    return report;
}

void forgetImages() {
    std::vector<std::shared_ptr<akrip::detail::OpenHandle>> closing;
    std::vector<DriveEntry> forgotten;
    {
        LockedTable table;
        for (auto& handle : table->handles)
            if (handle && handle->driveIndex >= table->deviceCount)
                closing.push_back(std::move(handle));
        auto firstImage = table->drives.begin() + table->deviceCount;
        std::move(firstImage, table->drives.end(), std::back_inserter(forgotten));
        table->drives.erase(firstImage, table->drives.end());
        if (table->chosenMediaDrive >= table->deviceCount)
            table->chosenMediaDrive = -1;
    }
    // The handles and private folders go here, outside the lock.
}

int mediaDrive() {
    LockedTable table;
    const auto count = static_cast<int>(table->drives.size());
    if (table->chosenMediaDrive >= 0 && table->chosenMediaDrive < count)
        return table->chosenMediaDrive;
    return count > 0 ? 0 : -1;
}

void setMediaDrive(int driveIndex) {
    LockedTable table;
    table->chosenMediaDrive = driveIndex;
}

Result<DiscToc> readToc(int driveIndex) {
    auto opened = openLaidOut(driveIndex);
    if (!opened)
        return opened.error();
    const cdiolib::Layout& layout = opened->layout;
    DiscToc toc;
    toc.firstTrack = layout.tracks.front().number;
    toc.leadOutLba = layout.leadOutLsn;
    toc.missingTracks = layout.missingTracks;
    toc.catalog = layout.catalog;
    toc.indexesReported = layout.indexesReported;
    for (const cdiolib::TrackEntry& track : layout.tracks) {
        toc.trackStartLba.push_back(track.startLsn);
        toc.trackEndLba.push_back(track.endLsn);
        toc.trackIsAudio.push_back(track.audio);
        toc.audioOnly = toc.audioOnly && track.audio;
        toc.pregapLba.push_back(track.pregapLsn);
        toc.laterIndexLba.push_back(track.laterIndexLsns);
        toc.isrc.push_back(track.isrc);
    }
    toc.hiddenTrackSectors = hiddenAudioSectors(opened.value());
    return toc;
}

bool DiscText::isEmpty() const {
    return title.isEmpty() && performer.isEmpty() &&
           std::all_of(tracks.begin(), tracks.end(), [](const TrackText& track) {
               return track.title.isEmpty() && track.performer.isEmpty();
           });
}

Result<DiscText> readCdText(int driveIndex) {
    auto opened = openLaidOut(driveIndex);
    if (!opened)
        return opened.error();
    DiscText text;
    text.firstTrack = opened->layout.tracks.front().number;
    if (opened->sheet) {
        // An image's texts are its sheet's, as the program read them.
        const cuesheet::Sheet& sheet = *opened->sheet;
        text.title = cuesheet::decodedText(sheet.title).trimmed();
        text.performer = cuesheet::decodedText(sheet.performer).trimmed();
        for (const cdiolib::TrackEntry& entry : opened->layout.tracks) {
            const auto track = std::find_if(
                sheet.tracks.begin(), sheet.tracks.end(),
                [&entry](const cuesheet::Track& t) { return t.number == entry.number; });
            text.tracks.push_back(
                track == sheet.tracks.end()
                    ? TrackText{}
                    : TrackText{cuesheet::decodedText(track->title).trimmed(),
                                cuesheet::decodedText(track->performer).trimmed()});
        }
        return text;
    }
    const cdiolib::Text read = cdiolib::readText(opened->disc.get(), opened->layout);
    text.title = read.disc.title;
    text.performer = read.disc.performer;
    for (const cdiolib::TextEntry& track : read.tracks)
        text.tracks.push_back(TrackText{track.title, track.performer});
    return text;
}

struct DiscAudioReader::Disc {
    cdiolib::CdIoPtr cdio;
    std::unique_ptr<cdiolib::SectorReader> reader; // destroyed before the disc it reads
    ~Disc() { reader.reset(); }
};

Result<std::unique_ptr<DiscAudioReader>> DiscAudioReader::open(int driveIndex) {
    auto found = sourceOf(driveIndex);
    if (!found)
        return found.error();
    const DiscSource source = found.value();
    auto opened = akrip::detail::openDisc(source);
    if (!opened)
        return opened.error();
    auto layout = akrip::detail::layoutOf(source, opened.value().get());
    if (!layout)
        return layout.error();
    auto disc = std::make_unique<Disc>();
    disc->cdio = std::move(opened.value());
    auto reader =
        cdiolib::SectorReader::open(disc->cdio.get(), layout.value(),
                                    source.isDevice ? QString() : source.dataPath, source.missing);
    if (!reader)
        return reader.error();
    disc->reader = std::move(reader.value());
    return std::unique_ptr<DiscAudioReader>(new DiscAudioReader(std::move(disc)));
}

DiscAudioReader::DiscAudioReader(std::unique_ptr<Disc> disc) : disc_(std::move(disc)) {}
DiscAudioReader::~DiscAudioReader() = default;

std::uint32_t DiscAudioReader::read(std::int32_t lba, std::uint32_t count, unsigned char* out) {
    return disc_->reader->read(lba, count, out);
}

std::uint32_t freedbDiscId(const DiscToc& toc) {
    if (toc.trackStartLba.empty())
        return 0;
    auto digitSum = [](std::int64_t value) {
        std::int64_t sum = 0;
        for (; value > 0; value /= 10)
            sum += value % 10;
        return sum;
    };
    std::int64_t n = 0;
    for (const std::int32_t start : toc.trackStartLba)
        n += digitSum((std::int64_t{start} + 150) / 75);
    const std::int64_t seconds = (std::int64_t{toc.leadOutLba} + 150) / 75 -
                                 (std::int64_t{toc.trackStartLba.front()} + 150) / 75;
    return (static_cast<std::uint32_t>(n % 255) << 24) |
           (static_cast<std::uint32_t>(seconds & 0xFFFF) << 8) |
           static_cast<std::uint32_t>(toc.trackCount() & 0xFF);
}

} // namespace cddrives
