#include "platform/akrip/cddrives.h"

#include "platform/akrip/akrip.h"
#include "platform/akrip/cuesheet.h"
#include "platform/akrip/drivetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

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

// libcdio reads a cue sheet's texts as ISO-8859-1, as CD-Text on a disc is; cue sheets are
// mostly written in UTF-8, whose multi-byte characters then come back as two or more Latin-1
// ones ("CafÃ©"). A text whose Latin-1 bytes are valid UTF-8 with such a character is taken
// as UTF-8; genuine Latin-1 text practically never is.
QString cueSheetText(const QString& read) {
    for (const QChar c : read)
        if (c.unicode() > 0xFF)
            return read;
    const QByteArray bytes = read.toLatin1();
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return read;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? read : decoded;
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
};

Result<LaidOutDisc> openLaidOut(int driveIndex) {
    auto source = sourceOf(driveIndex);
    if (!source)
        return source.error();
    auto disc = akrip::detail::openDisc(source.value());
    if (!disc)
        return disc.error();
    auto layout = cdiolib::readLayout(disc.value().get());
    if (!layout)
        return layout.error();
    return LaidOutDisc{std::move(disc.value()), std::move(layout.value()), source->isDevice};
}

} // namespace

std::int32_t DiscToc::trackSectors(int i) const {
    if (i < 0 || i >= trackCount())
        return 0;
    const auto index = static_cast<std::size_t>(i);
    const std::int32_t end = i + 1 < trackCount() ? trackStartLba[index + 1] : leadOutLba;
    return end - trackStartLba[index];
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
    const QString canonicalCue = cueInfo.canonicalFilePath();
    if (canonicalCue.isEmpty() || !cueInfo.isFile())
        return refused(QStringLiteral("%1 cannot be opened").arg(cuePath),
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
    const QFileInfo dataInfo(dataPath);
    if (!dataInfo.isFile())
        return refused(QStringLiteral("%1: its data file %2 is missing").arg(cuePath, dataPath),
                       VortanError::FileNotFound);

    DiscSource source{canonicalCue, false, canonicalCue, dataInfo.absoluteFilePath()};
    std::shared_ptr<QTemporaryDir> privateFolder;
    const QString libraryDataPath = canonicalCueInfo.absolutePath() + QLatin1Char('/') +
                                    canonicalCueInfo.completeBaseName() + QStringLiteral(".bin");
    // libcdio opens "<name>.cue" with "<name>.bin" whatever the FILE line says.
    const bool libraryReadsSheet =
        canonicalCueInfo.suffix() == QLatin1String("cue") &&
        dataInfo.canonicalFilePath() == libraryDataPath &&
        cuesheet::forLibrary(sheet->text, sheet->dataFile) == sheet->text;
    if (!libraryReadsSheet) {
        privateFolder = std::make_shared<QTemporaryDir>(QDir::tempPath() +
                                                        QStringLiteral("/vortan-disc-XXXXXX"));
        const QString privateCue = privateFolder->filePath(QStringLiteral("image.cue"));
        QFile copy(privateCue);
        if (!privateFolder->isValid() || !copy.open(QIODevice::WriteOnly) ||
            copy.write(cuesheet::forLibrary(sheet->text, QStringLiteral("image.bin"))) < 0 ||
            !copy.flush() ||
            !QFile::link(dataInfo.canonicalFilePath(),
                         privateFolder->filePath(QStringLiteral("image.bin"))))
            return refused(QStringLiteral("%1 cannot be opened: its private copy in %2 cannot be "
                                          "written")
                               .arg(cuePath, QDir::tempPath()));
        source.openPath = privateCue;
    }
    if (auto opened = akrip::detail::openDisc(source); !opened)
        return refused(QStringLiteral("%1 cannot be opened as a disc image: %2")
                           .arg(cuePath, opened.error().description()));

    ImageReport report;
    report.incompleteTracks = incompleteTracks(sheet->tracks, dataInfo.size());
    LockedTable table;
    for (std::size_t i = 0; i < table->drives.size(); ++i)
        if (table->drives[i].drive.isImage && table->drives[i].canonicalCue == canonicalCue) {
            report.driveIndex = static_cast<int>(i);
            return report;
        }
    if (static_cast<int>(table->drives.size()) >= akrip::maxDrives)
        return refused(QStringLiteral("%1 cannot be opened: there are %2 drives already, the most "
                                      "there can be")
                           .arg(cuePath)
                           .arg(akrip::maxDrives));
    DriveEntry entry;
    entry.drive = Drive{cueInfo.fileName(), cuePath, true};
    entry.source = source;
    entry.canonicalCue = canonicalCue;
    entry.privateFolder = std::move(privateFolder);
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
    for (const cdiolib::TrackEntry& track : layout.tracks) {
        toc.trackStartLba.push_back(track.startLsn);
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
    const cdiolib::Text read = cdiolib::readText(opened->disc.get(), opened->layout);
    const auto decoded = [isDevice = opened->isDevice](const QString& field) {
        return isDevice ? field : cueSheetText(field);
    };
    DiscText text;
    text.title = decoded(read.disc.title);
    text.performer = decoded(read.disc.performer);
    text.firstTrack = opened->layout.tracks.front().number;
    for (const cdiolib::TextEntry& track : read.tracks)
        text.tracks.push_back(TrackText{decoded(track.title), decoded(track.performer)});
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
    auto disc = std::make_unique<Disc>();
    disc->cdio = std::move(opened.value());
    auto reader = cdiolib::SectorReader::open(disc->cdio.get(),
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
