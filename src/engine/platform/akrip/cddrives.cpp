#include "engine/platform/akrip/cddrives.h"

#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cuesheet.h"
#include "engine/platform/akrip/drivetable.h"
#include "engine/platform/nativepath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
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

// The tracks the data file does not hold completely. Only whole sectors count: a partial
// sector at the end is missing.
QStringList incompleteTracks(const std::vector<cuesheet::Track>& tracks, qint64 dataBytes) {
    const std::int64_t dataSectors = dataBytes / akrip::cdFrameBytes;
    const bool partialSector = dataBytes % static_cast<qint64>(akrip::cdFrameBytes) != 0;
    QStringList lines;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const cuesheet::Track& track = tracks[i];
        if (track.startSector >= dataSectors) {
            lines << QStringLiteral("Track %1 is missing").arg(track.number);
            continue;
        }
        // The last track has no end but the data's: only a cut sector shortens it.
        const bool last = i + 1 == tracks.size();
        const std::int64_t end =
            last ? dataSectors + (partialSector ? 1 : 0) : std::int64_t{tracks[i + 1].startSector};
        if (dataSectors < end)
            lines << QStringLiteral("Track %1 is incomplete: %2 of %3")
                         .arg(track.number)
                         .arg(minutesSeconds(dataSectors - track.startSector),
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
        return refused(QStringLiteral("There is no drive %1").arg(driveIndex));
    return table->drives[static_cast<std::size_t>(driveIndex)].source;
}

// The disc of drive `driveIndex`, opened now, with its table of contents.
struct LaidOutDisc {
    cdiolib::CdIoPtr disc;
    cdiolib::Layout layout;
    bool isDevice = true;
    std::shared_ptr<const cuesheet::Sheet> sheet; // images
};

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
    return LaidOutDisc{std::move(disc.value()), std::move(layout.value()), source->isDevice,
                       source->sheet};
}

// Why `path`, named by a cue sheet as its data file, is not one; empty when it is a regular
// file (reached through links or not).
QString notADataFile(const QString& path) {
    struct stat info {};
    const QByteArray native = nativepath::encode(path);
    if (::stat(native.constData(), &info) == 0)
        return S_ISREG(info.st_mode) ? QString()
               : S_ISDIR(info.st_mode)
                   ? QStringLiteral("is a folder, not a data file")
                   : QStringLiteral("is not a regular file (a FIFO, a socket or a device)");
    const int error = errno;
    if (error == ELOOP)
        return QStringLiteral("is a symbolic link that leads back to itself");
    if (error == ENOENT && ::lstat(native.constData(), &info) == 0)
        return QStringLiteral("is a symbolic link to nothing");
    if (error == ENOENT || error == ENOTDIR)
        return QStringLiteral("is missing");
    return QStringLiteral("cannot be reached: ") + QString::fromLocal8Bit(std::strerror(error));
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
            QStringLiteral("%1 cannot be opened: %2")
                .arg(cuePath, ::lstat(nativepath::encode(cuePath).constData(), &cueEntry) == 0
                                  ? QStringLiteral("it leads nowhere")
                                  : QStringLiteral("there is no such file")),
            VortanError::FileNotFound);
    auto sheet = cuesheet::read(cuePath);
    if (!sheet)
        return sheet.error();
    if (sheet->fileType == QLatin1String("WAVE"))
        return refused(QStringLiteral("%1: the audio is in a WAVE file; only binary (BIN) images "
                                      "can be opened")
                           .arg(cuePath));
    if (sheet->fileType != QLatin1String("BINARY"))
        return refused(QStringLiteral("%1: the data file is of type %2; only binary (BIN) images "
                                      "can be opened")
                           .arg(cuePath, sheet->fileType));
    const QFileInfo canonicalCueInfo(canonicalCue);
    const QString dataPath =
        QDir(canonicalCueInfo.absolutePath()).absoluteFilePath(sheet->dataFile);
    if (const QString problem = notADataFile(dataPath); !problem.isEmpty())
        return refused(QStringLiteral("%1: its data file %2 %3").arg(cuePath, dataPath, problem),
                       VortanError::FileNotFound);
    const std::int64_t dataSize = nativepath::fileSize(dataPath);
    const auto shared = std::make_shared<const cuesheet::Sheet>(std::move(sheet.value()));
    const cdiolib::Layout layout = akrip::detail::imageLayout(*shared, dataSize);
    if (layout.tracks.empty())
        return refused(QStringLiteral("%1: its data file %2 ends before the first track "
                                      "starts (it holds %3 bytes)")
                           .arg(cuePath, dataPath)
                           .arg(dataSize));

    removeOrphanedFolders();
    auto privateFolder = std::make_shared<QTemporaryDir>(
        QDir::tempPath() + QStringLiteral("/vortan-disc-%1-XXXXXX").arg(::getpid()));
    const QString privateCue = privateFolder->filePath(QStringLiteral("image.cue"));
    QFile copy(privateCue);
    const QByteArray canonical = cuesheet::forLibrary(
        *shared, static_cast<int>(layout.tracks.size()), QStringLiteral("image.bin"));
    if (!privateFolder->isValid() || !copy.open(QIODevice::WriteOnly) ||
        copy.write(canonical) != canonical.size() || !copy.flush() ||
        ::symlink(
            nativepath::encode(nativepath::canonical(dataPath)).constData(),
            nativepath::encode(privateFolder->filePath(QStringLiteral("image.bin"))).constData()) !=
            0)
        return refused(QStringLiteral("%1 cannot be opened: its private copy in %2 cannot be "
                                      "written")
                           .arg(cuePath, QDir::tempPath()));
    copy.close();
    const DiscSource source{privateCue, false, canonicalCue, nativepath::absolute(dataPath),
                            shared};
    if (auto opened = akrip::detail::openDisc(source); !opened)
        return refused(QStringLiteral("%1 cannot be opened as a disc image: %2")
                           .arg(cuePath, cdiolib::lastMessage().isEmpty()
                                             ? QStringLiteral("libcdio refuses it")
                                             : cdiolib::lastMessage()));

    ImageReport report;
    report.incompleteTracks = incompleteTracks(shared->tracks, dataSize);
    LockedTable table;
    for (std::size_t i = 0; i < table->drives.size(); ++i)
        if (table->drives[i].drive.isImage && table->drives[i].canonicalCue == canonicalCue) {
            report.driveIndex = static_cast<int>(i);
            report.displayName = table->drives[i].drive.id;
            return report;
        }
    if (static_cast<int>(table->drives.size()) >= akrip::maxDrives)
        return refused(QStringLiteral("%1 cannot be opened: there are %2 drives already, the most "
                                      "there can be")
                           .arg(cuePath)
                           .arg(akrip::maxDrives));
    DriveEntry entry;
    entry.drive = Drive{distinctName(cueInfo, table->drives), cuePath, true};
    entry.source = source;
    entry.canonicalCue = canonicalCue;
    entry.privateFolder = std::move(privateFolder);
    report.displayName = entry.drive.id;
    table->drives.push_back(std::move(entry));
    report.driveIndex = static_cast<int>(table->drives.size()) - 1;
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
    for (const cdiolib::TrackEntry& track : layout.tracks) {
        toc.trackStartLba.push_back(track.startLsn);
        toc.trackEndLba.push_back(track.endLsn);
        toc.trackIsAudio.push_back(track.audio);
        toc.audioOnly = toc.audioOnly && track.audio;
    }
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
    auto reader = cdiolib::SectorReader::open(disc->cdio.get(), layout.value(),
                                              source.isDevice ? QString() : source.dataPath);
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
