#include "engine/platform/akrip/cdiolib.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QFile>

#include <cdio/logging.h>
#include <cdio/memory.h>
#include <cdio/mmc_ll_cmds.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <sys/stat.h>

namespace cdiolib {

namespace {

const QString errorSource = QStringLiteral("AKRip32");

// A plain buffer: libcdio may log while objects are destroyed at the program's end, after
// a thread's own objects are gone.
thread_local char lastLogLine[512];

void logHandler(cdio_log_level_t level, const char* message) {
    if (level >= CDIO_LOG_WARN && message)
        std::snprintf(lastLogLine, sizeof lastLogLine, "%s", message);
}

// A code the library hands out (freed here): its `length` letters and digits; empty when it
// is none, or all zeros (what drives answer for a disc without one).
QString takeCode(char* text, int length) {
    QString code = text ? QString::fromLatin1(text).trimmed() : QString();
    cdio_free(text);
    const bool valid = code.size() == length &&
                       std::all_of(code.begin(), code.end(), [](QChar c) {
                           return c.isDigit() || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
                       }) &&
                       code != QString(length, QLatin1Char('0'));
    return valid ? code : QString();
}

QString withReason(const QString& what) {
    const QString reason = lastMessage();
    return reason.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, reason);
}

} // namespace

void ensureLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        cdio_log_set_handler(logHandler);
        cdio_init();
    });
}

QString lastMessage() {
    return QString::fromLocal8Bit(lastLogLine).trimmed();
}

void clearMessage() {
    lastLogLine[0] = '\0';
}

QStringList deviceNodes() {
    ensureLibrary();
    QStringList nodes;
    char** list = cdio_get_devices(DRIVER_DEVICE);
    for (char** device = list; device && *device; ++device)
        nodes << nativepath::decode(*device);
    if (list)
        cdio_free_device_list(list);
    return nodes;
}

QString hardwareId(const QString& deviceNode) {
    ensureLibrary();
    CdIoPtr disc(cdio_open(nativepath::encode(deviceNode).constData(), DRIVER_DEVICE));
    cdio_hwinfo_t info{};
    if (!disc || !cdio_get_hwinfo(disc.get(), &info))
        return deviceNode;
    QStringList parts;
    for (const char* field : {info.psz_vendor, info.psz_model, info.psz_revision}) {
        const QString text = QString::fromLatin1(field).simplified();
        if (!text.isEmpty())
            parts << text;
    }
    return parts.isEmpty() ? deviceNode : parts.join(QLatin1Char(' '));
}

Result<CdIoPtr> open(const QString& source, bool isDevice, const QString& shownAs) {
    ensureLibrary();
    clearMessage();
    errno = 0;
    CdIoPtr disc(cdio_open(nativepath::encode(source).constData(),
                           isDevice ? DRIVER_DEVICE : DRIVER_UNKNOWN));
    const int error = errno;
    if (disc)
        return disc;
    const QString name = shownAs.isEmpty() ? source : shownAs;
    // Out of a resource, the library's own text names the last file it tried, with a reason
    // its clean-up may have replaced: the system's reason is what happened.
    if (error == EMFILE || error == ENFILE || error == ENOMEM)
        return VortanError(VortanError::FileNotFound, errorSource,
                           QCoreApplication::translate("cdiolib", "%1 cannot be opened (%2)")
                               .arg(name, QString::fromLocal8Bit(std::strerror(error))));
    QString reason = lastMessage();
    reason.replace(source, name);
    return VortanError(
        VortanError::FileNotFound, errorSource,
        reason.isEmpty()
            ? QCoreApplication::translate("cdiolib", "%1 cannot be opened").arg(name)
            : QCoreApplication::translate("cdiolib", "%1 cannot be opened (%2)").arg(name, reason));
}

void Layout::settleEnds() {
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        TrackEntry& track = tracks[i];
        const bool last = i + 1 == tracks.size();
        track.endLsn = last ? leadOutLsn : tracks[i + 1].startLsn;
        if (!last && track.audio && !tracks[i + 1].audio) {
            const std::int32_t sessionEnd = tracks[i + 1].startLsn - sessionGapSectors;
            if (sessionEnd > track.startLsn)
                track.endLsn = sessionEnd;
        }
    }
}

Result<Layout> readLayout(CdIo_t* disc) {
    clearMessage();
    const track_t first = cdio_get_first_track_num(disc);
    const track_t count = cdio_get_num_tracks(disc);
    const lsn_t leadOut = cdio_get_track_lsn(disc, CDIO_CDROM_LEADOUT_TRACK);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 ||
        leadOut == CDIO_INVALID_LSN)
        return VortanError(VortanError::FileNotFound, errorSource,
                           withReason(QCoreApplication::translate(
                               "cdiolib", "There is no readable disc in the drive")));
    Layout layout;
    layout.firstTrack = first;
    layout.leadOutLsn = leadOut;
    for (int track = first; track < first + count && track <= 99; ++track) {
        const lsn_t start = cdio_get_track_lsn(disc, static_cast<track_t>(track));
        if (start == CDIO_INVALID_LSN || start >= leadOut ||
            (!layout.tracks.empty() && start <= layout.tracks.back().startLsn))
            break; // this track and the ones after it are not on the disc
        const bool audio =
            cdio_get_track_format(disc, static_cast<track_t>(track)) == TRACK_FORMAT_AUDIO;
        TrackEntry entry{track, start, audio, 0, -1, {}, {}};
        const lsn_t pregap = cdio_get_track_pregap_lsn(disc, static_cast<track_t>(track));
        if (pregap != CDIO_INVALID_LSN && pregap >= 0 && pregap < start)
            entry.pregapLsn = pregap;
        entry.isrc = takeCode(cdio_get_track_isrc(disc, static_cast<track_t>(track)), 12);
        layout.tracks.push_back(entry);
    }
    if (layout.tracks.empty())
        return VortanError(VortanError::FileNotFound, errorSource,
                           QCoreApplication::translate("cdiolib", "The disc holds no track"));
    layout.catalog = takeCode(cdio_get_mcn(disc), 13);
    // A drive reports no pregap of track 1 (it lies before sector 0); none of any other track
    // means the driver does not report them.
    layout.indexesReported = layout.tracks.size() < 2 ||
                             std::any_of(layout.tracks.begin() + 1, layout.tracks.end(),
                                         [](const TrackEntry& t) { return t.pregapLsn >= 0; });
    layout.settleEnds();
    return layout;
}

Text readText(CdIo_t* disc, const Layout& layout) {
    Text text;
    text.tracks.resize(layout.tracks.size());
    // Owned by `disc`; null when the disc carries no CD-Text. libcdio hands the texts out
    // as UTF-8 whatever character set the disc uses.
    const cdtext_t* cdText = cdio_get_cdtext(disc);
    if (!cdText)
        return text;
    auto field = [cdText](cdtext_field_t key, int track) {
        return QString::fromUtf8(cdtext_get_const(cdText, key, static_cast<track_t>(track)))
            .trimmed();
    };
    text.disc = TextEntry{field(CDTEXT_FIELD_TITLE, 0), field(CDTEXT_FIELD_PERFORMER, 0)};
    for (std::size_t i = 0; i < layout.tracks.size(); ++i) {
        const int number = layout.tracks[i].number;
        text.tracks[i] =
            TextEntry{field(CDTEXT_FIELD_TITLE, number), field(CDTEXT_FIELD_PERFORMER, number)};
    }
    return text;
}

// ---- audio reads --------------------------------------------------------------------------

using DriveRead = long (*)(cdrom_drive_t*, void*, lsn_t, long);

struct SectorReader::State {
    DriveRead driveRead = nullptr;       // the library's own read, which the hook calls
    DriveMedium* medium = nullptr;       // stands in for driveRead when set
    QByteArray imageData;                // an image's data file; empty for a device
    std::vector<MissingSectors> missing; // of an image: sectors its files do not hold
    // What the last drive read covering each sector did with it.
    enum : std::uint8_t { NotRead, Delivered, Failed };
    std::vector<std::uint8_t> sectors;
    // The running read (set for the time of one paranoia call).
    lsn_t wanted = 0;
    int failedSingleReads = 0;
    bool abandoned = false;
    bool skipped = false;
    bool stopped = false; // a ReadStop asked the read to end
    std::int64_t corrections = 0;
    // Keeping a large drive cache out of re-reads (keepCacheOut): how far away to read
    // (0: the library's own emptying is enough), the end of the sectors handed over since the
    // drive last read far away (-1: none), and where the disc's audio tracks begin and end.
    lsn_t cacheReach = 0;
    lsn_t handedEnd = -1;
    lsn_t audioFirst = 0;
    lsn_t audioEnd = 0;

    void mark(lsn_t begin, long count, std::uint8_t what) {
        if (begin < 0 || count <= 0)
            return;
        const auto end = static_cast<std::size_t>(begin + count);
        if (sectors.size() < end)
            sectors.resize(end, NotRead);
        std::fill(sectors.begin() + begin, sectors.begin() + static_cast<std::ptrdiff_t>(end),
                  what);
    }
    bool delivered(lsn_t sector) const {
        return sector >= 0 && static_cast<std::size_t>(sector) < sectors.size() &&
               sectors[static_cast<std::size_t>(sector)] == Delivered;
    }
};

namespace {

// paranoia's callback and the drive-read hook carry no user pointer: the read running on
// this thread is found here.
thread_local SectorReader::State* runningRead = nullptr;
// The stop of the innermost ReadStop of this thread.
thread_local const ReadStop* currentStop = nullptr;

// Failed reads of the wanted sector alone (each already retried by the library) after which
// the read is abandoned.
constexpr int maxFailedSingleReads = 3;
// paranoia's retries of one sector before it skips (its own default).
constexpr int paranoiaRetries = 20;
constexpr long wordsPerSector = sectorBytes / 2;

// The library's read of `sectors` sectors at `begin`: how many it delivered, negative on
// failure.
long driveRead(const SectorReader::State& state, cdrom_drive_t* drive, void* buffer, lsn_t begin,
               long sectors) {
    errno = 0; // the library's read may fail without setting errno; a stale one misleads
    if (state.medium) {
        const long got =
            state.medium->read(begin, sectors, static_cast<unsigned char*>(buffer), nullptr);
        if (got < sectors)
            errno = EIO;
        return got;
    }
    long got = state.driveRead(drive, buffer, begin, sectors);
    if (got > 0 && !state.imageData.isEmpty()) {
        struct stat data {};
        const long present = ::stat(state.imageData.constData(), &data) == 0
                                 ? static_cast<long>(data.st_size / sectorBytes)
                                 : 0;
        got = std::clamp<long>(present - begin, 0, got);
        for (const MissingSectors& gap : state.missing)
            if (gap.end > begin && gap.first < begin + got)
                got = std::max<long>(gap.first - begin, 0);
    }
    return got;
}

// Why an image's sector was not delivered: the data file no longer holds it, or the library
// failed to read it.
QString imageShortfall(const SectorReader::State& state, lsn_t sector) {
    for (const MissingSectors& gap : state.missing)
        if (sector >= gap.first && sector < gap.end)
            return QCoreApplication::translate("cdiolib", "sector %1 is not in the image: %2")
                .arg(sector)
                .arg(gap.reason);
    struct stat data {};
    if (::stat(state.imageData.constData(), &data) != 0)
        return QCoreApplication::translate(
                   "cdiolib", "sector %1 could not be read: the image's data file %2 is gone")
            .arg(sector)
            .arg(nativepath::decode(state.imageData));
    const auto present = static_cast<long long>(data.st_size / sectorBytes);
    if (sector >= present)
        return QCoreApplication::translate(
                   "cdiolib", "sector %1 is past the end of the image's data file %2, which "
                              "holds %3 whole sectors")
            .arg(sector)
            .arg(nativepath::decode(state.imageData))
            .arg(present);
    return withReason(
        QCoreApplication::translate("cdiolib", "sector %1 of the image could not be read")
            .arg(sector));
}

// Before a read of sectors handed over lately, which a drive with a cache larger than the
// library's model may still hold, one sector beyond its reach is read (without a buffer), so
// the drive empties its cache and the read comes off the disc. A read without a buffer far
// from what was handed over (the library's own emptying) counts as emptying it too.
void keepCacheOut(SectorReader::State& state, cdrom_drive_t* drive, bool withData, lsn_t begin,
                  long sectors) {
    if (state.cacheReach <= 0)
        return;
    const bool near = state.handedEnd >= 0 && begin < state.handedEnd + state.cacheReach &&
                      begin + sectors > state.handedEnd - state.cacheReach;
    if (!withData) {
        if (!near)
            state.handedEnd = -1;
        return;
    }
    if (near && begin < state.handedEnd) {
        const lsn_t ahead = state.handedEnd + state.cacheReach;
        const lsn_t behind = begin - state.cacheReach - 1;
        const lsn_t away = ahead < state.audioEnd ? ahead : behind;
        // Only audio sectors are read there (a data track or the gap between sessions may
        // take a drive long to refuse). A disc whose audio the cache holds whole leaves
        // nowhere to read: the drive is trusted.
        if (away >= state.audioFirst) {
            const int kept = errno;
            driveRead(state, drive, nullptr, away, 1);
            errno = kept;
            state.handedEnd = -1;
        }
    }
    state.handedEnd = std::max<lsn_t>(state.handedEnd, begin + sectors);
}

long hookedDriveRead(cdrom_drive_t* drive, void* buffer, lsn_t begin, long sectors) {
    SectorReader::State* state = runningRead;
    if (!state) { // no read of ours runs: nothing may reach the drive
        errno = EIO;
        return -1;
    }
    if (ReadStop::requested()) {
        // paranoia gives up on a read only when the medium is gone.
        state->stopped = true;
        errno = ENOMEDIUM;
        return -1;
    }
    keepCacheOut(*state, drive, buffer != nullptr, begin, sectors);
    const long got = driveRead(*state, drive, buffer, begin, sectors);
    const int readError = errno; // ENOMEDIUM (the disc was taken out) ends paranoia's read
    const long good = got < 0 ? 0 : got;
    state->mark(begin, good, SectorReader::State::Delivered);
    if (good < sectors) {
        state->mark(begin + good, sectors - good, SectorReader::State::Failed);
        if (begin + good <= state->wanted && state->wanted < begin + sectors) {
            unsigned char single[sectorBytes];
            if (driveRead(*state, drive, single, state->wanted, 1) == 1) {
                state->mark(state->wanted, 1, SectorReader::State::Delivered);
            } else if (++state->failedSingleReads >= maxFailedSingleReads) {
                // paranoia gives up on a read only when the medium is gone.
                state->abandoned = true;
                errno = ENOMEDIUM;
                return -1;
            }
        }
    }
    errno = readError;
    return got;
}

void paranoiaCallback(long position, paranoia_cb_mode_t mode) {
    SectorReader::State* state = runningRead;
    if (!state)
        return;
    switch (mode) {
    case PARANOIA_CB_SKIP:
        // The verified audio ends at `position` and paranoia fills on from there with what
        // it has: the wanted sector is made up when that point lies before its end.
        if (position / wordsPerSector <= state->wanted)
            state->skipped = true;
        ++state->corrections;
        break;
    case PARANOIA_CB_READERR:
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
    case PARANOIA_CB_DRIFT:
        ++state->corrections;
        break;
    default:
        break;
    }
}

} // namespace

ReadStop::ReadStop(std::function<bool()> stop) : stop_(std::move(stop)), outer_(currentStop) {
    currentStop = this;
}

ReadStop::~ReadStop() {
    currentStop = outer_;
}

bool ReadStop::requested() {
    return currentStop && currentStop->stop_ && currentStop->stop_();
}

int driveCacheSectors(CdIo_t* disc) {
    // MODE SENSE (10): an 8-byte header with the block descriptors' length in bytes 6-7, the
    // descriptors, then the page; the capabilities page states the buffer in KiB in its bytes
    // 12-13.
    constexpr unsigned headerBytes = 8;
    std::array<unsigned char, 256> answer{};
    if (!disc || mmc_mode_sense_10(disc, answer.data(), static_cast<unsigned>(answer.size()),
                                   CDIO_MMC_CAPABILITIES_PAGE) != DRIVER_OP_SUCCESS)
        return 0;
    const unsigned descriptors = (answer[6] << 8) | answer[7];
    const unsigned page = headerBytes + descriptors;
    if (page + 14 > answer.size() || (answer[page] & 0x3F) != CDIO_MMC_CAPABILITIES_PAGE ||
        answer[page + 1] < 12)
        return 0;
    const long kib = (answer[page + 12] << 8) | answer[page + 13];
    return static_cast<int>((kib * 1024 + sectorBytes - 1) / sectorBytes);
}

int cacheReachOf(int cacheSectors) {
    // A drive that caches no more than the library reads past needs nothing else.
    // A drive reads on past what it was asked for: a tenth more, and a read's worth, covers
    // what it may hold beyond its stated buffer. Beyond 64 MiB a statement is taken as wrong.
    constexpr int largest = 64 * 1024 * 1024 / static_cast<int>(sectorBytes);
    if (cacheSectors <= 0 || cacheSectors > largest)
        return 0;
    const int reach = cacheSectors + cacheSectors / 10 + 32;
    return reach >= libraryCacheReach ? reach : 0;
}

Result<std::unique_ptr<SectorReader>> SectorReader::open(CdIo_t* disc, const Layout& layout,
                                                         const QString& imageData,
                                                         const std::vector<MissingSectors>& missing,
                                                         std::shared_ptr<DriveMedium> medium) {
    clearMessage();
    std::unique_ptr<SectorReader> reader(new SectorReader);
    reader->layout_ = layout;
    reader->disc_ = disc;
    reader->medium_ = std::move(medium);
    reader->drive_.reset(cdio_cddap_identify_cdio(disc, CDDA_MESSAGE_FORGETIT, nullptr));
    if (!reader->drive_)
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            withReason(QCoreApplication::translate("cdiolib", "The drive cannot read audio")));
    cdrom_drive_t* drive = reader->drive_.get();
    cdio_cddap_verbose_set(drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // CD audio is little-endian. Left unknown, the library guesses the byte order from the
    // audio itself, and a guess of big-endian swaps every sample of a clean disc.
    drive->bigendianp = 0;
    if (cdio_cddap_open(drive) != 0)
        return VortanError(
            VortanError::InvalidArgument, errorSource,
            withReason(QCoreApplication::translate("cdiolib", "The disc holds no readable audio")));
    reader->state_ = std::make_unique<State>();
    reader->state_->driveRead = drive->read_audio;
    reader->state_->imageData = nativepath::encode(imageData);
    reader->state_->missing = missing;
    reader->state_->medium = reader->medium_.get();
    drive->read_audio = hookedDriveRead;
    reader->paranoia_.reset(cdio_paranoia_init(drive));
    if (!reader->paranoia_)
        return VortanError(VortanError::InvalidArgument, errorSource,
                           QCoreApplication::translate("cdiolib", "paranoia cannot be started"));
    cdio_paranoia_modeset(reader->paranoia_.get(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    const bool device = imageData.isEmpty();
    const int cached =
        reader->medium_ ? reader->medium_->cacheSectors() : (device ? driveCacheSectors(disc) : 0);
    reader->statedCache_ = reader->medium_ || device ? cached : -1;
    reader->state_->cacheReach = cacheReachOf(cached);
    for (const TrackEntry& track : layout.tracks)
        if (track.audio) {
            if (reader->state_->audioEnd == 0)
                reader->state_->audioFirst = track.startLsn;
            reader->state_->audioEnd = track.endLsn;
        }
    return reader;
}

SectorReader::~SectorReader() = default;

std::uint32_t SectorReader::readableRun(std::int32_t first, std::uint32_t count,
                                        QString& reason) const {
    reason.clear();
    std::uint32_t readable = 0;
    for (; readable < count; ++readable) {
        reason = unreadable(first + static_cast<std::int32_t>(readable));
        if (!reason.isEmpty())
            break;
    }
    return readable;
}

QString SectorReader::unreadable(std::int32_t sector) const {
    // Before the first track's INDEX 01 lies its pregap: audio (a hidden track) when it is an
    // audio track.
    if (!layout_.tracks.empty() && layout_.tracks.front().audio && sector >= 0 &&
        sector < layout_.tracks.front().startLsn)
        return {};
    for (const TrackEntry& track : layout_.tracks) {
        if (sector < track.startLsn)
            break;
        if (sector >= track.endLsn)
            continue;
        if (track.audio)
            return {};
        return QCoreApplication::translate("cdiolib", "sector %1 is in track %2, a data track")
            .arg(sector)
            .arg(track.number);
    }
    if (sector >= layout_.leadOutLsn)
        return QCoreApplication::translate(
                   "cdiolib", "sector %1 is past the disc's end (its lead-out is sector %2)")
            .arg(sector)
            .arg(layout_.leadOutLsn);
    return QCoreApplication::translate("cdiolib", "sector %1 is in no audio track").arg(sector);
}

std::uint32_t SectorReader::read(std::int32_t first, std::uint32_t count, unsigned char* out) {
    State& state = *state_;
    SectorReader::State* outer = runningRead;
    runningRead = &state;
    struct Restore {
        SectorReader::State* outer;
        ~Restore() { runningRead = outer; }
    } restore{outer};

    failure_.clear();
    damaged_ = false;
    std::uint32_t stored = 0;
    // Only audio sectors go to paranoia: find where the request leaves them.
    QString unreadableReason;
    const std::uint32_t readable = readableRun(first, count, unreadableReason);
    const bool continues = nextSector_ == first;
    nextSector_ = -1;
    if (readable > 0 && !continues && cdio_paranoia_seek(paranoia_.get(), first, SEEK_SET) == -1) {
        failure_ =
            QCoreApplication::translate("cdiolib", "the drive cannot seek to sector %1").arg(first);
        return 0;
    }
    state.corrections = 0;
    for (; stored < readable; ++stored) {
        const lsn_t sector = first + static_cast<lsn_t>(stored);
        if (ReadStop::requested()) {
            failure_ = QCoreApplication::translate("cdiolib", "the read was stopped at sector %1")
                           .arg(sector);
            break;
        }
        state.wanted = sector;
        state.failedSingleReads = 0;
        state.abandoned = false;
        state.skipped = false;
        state.stopped = false;
        errno = 0;
        const std::int16_t* audio =
            cdio_paranoia_read_limited(paranoia_.get(), paranoiaCallback, paranoiaRetries);
        if (!audio || state.abandoned || state.skipped || state.stopped ||
            !state.delivered(sector)) {
            if (state.stopped)
                failure_ =
                    QCoreApplication::translate("cdiolib", "the read was stopped at sector %1")
                        .arg(sector);
            else if (!state.imageData.isEmpty() && !state.delivered(sector))
                failure_ = imageShortfall(state, sector);
            else {
                damaged_ = true;
                failure_ =
                    withReason(QCoreApplication::translate(
                                   "cdiolib", "sector %1 could not be read (%2 attempts failed)")
                                   .arg(sector)
                                   .arg(state.failedSingleReads + 1));
            }
            break;
        }
        std::memcpy(out + static_cast<std::size_t>(stored) * sectorBytes, audio, sectorBytes);
    }
    corrections_ += state.corrections;
    if (stored == readable && readable < count)
        failure_ = unreadableReason;
    if (stored == count)
        nextSector_ = first + static_cast<std::int32_t>(count);
    return stored;
}

bool SectorReader::reportsC2() const {
    if (medium_)
        return medium_->reportsC2();
    return c2_ == C2::Reported;
}

std::uint32_t SectorReader::readOnce(std::int32_t first, std::uint32_t count, unsigned char* out,
                                     std::uint8_t* c2) {
    failure_.clear();
    damaged_ = false;
    nextSector_ = -1; // paranoia's cursor is not where this read leaves the drive
    if (c2)
        std::fill(c2, c2 + count, std::uint8_t{0});
    QString unreadableReason;
    const std::uint32_t readable = readableRun(first, count, unreadableReason);
    if (ReadStop::requested()) {
        failure_ = QStringLiteral("the read was stopped at sector %1").arg(first);
        return 0;
    }
    long got = 0;
    if (readable > 0) {
        if (medium_) {
            std::vector<std::uint8_t> flags(readable, 0);
            got = medium_->read(first, static_cast<long>(readable), out, flags.data());
            if (c2)
                std::copy(flags.begin(), flags.end(), c2);
        } else if (state_->imageData.isEmpty() && c2_ != C2::None) {
            got = readWithC2(first, readable, out, c2);
        } else {
            SectorReader::State* outer = runningRead;
            runningRead = state_.get();
            state_->wanted = first;
            got = driveRead(*state_, drive_.get(), out, first, static_cast<long>(readable));
            runningRead = outer;
        }
    }
    const auto stored = static_cast<std::uint32_t>(std::clamp<long>(got, 0, readable));
    if (stored < readable) {
        const std::int32_t sector = first + static_cast<std::int32_t>(stored);
        if (!state_->imageData.isEmpty()) {
            failure_ = imageShortfall(*state_, sector);
        } else {
            damaged_ = true;
            failure_ = withReason(QStringLiteral("sector %1 could not be read").arg(sector));
        }
    } else if (readable < count) {
        failure_ = unreadableReason;
    }
    return stored;
}

long SectorReader::readWithC2(std::int32_t first, std::uint32_t count, unsigned char* out,
                              std::uint8_t* c2) {
    // Each block: the sector's 2,352 bytes, then one C2 bit per byte of it (294 bytes).
    constexpr std::size_t c2Bytes = sectorBytes / 8;
    constexpr std::size_t blockBytes = sectorBytes + c2Bytes;
    std::vector<unsigned char> blocks(blockBytes * count);
    const driver_return_code_t result =
        mmc_read_cd(disc_, blocks.data(), first, CDIO_MMC_READ_TYPE_CDDA, false, false, 0, true,
                    false, 1, 0, static_cast<std::uint16_t>(blockBytes), count);
    if (result != DRIVER_OP_SUCCESS) {
        if (c2_ == C2::Unknown) {
            // The drive does not take the request: it reports no C2, and is read plainly.
            c2_ = C2::None;
            SectorReader::State* outer = runningRead;
            runningRead = state_.get();
            state_->wanted = first;
            const long got = driveRead(*state_, drive_.get(), out, first, static_cast<long>(count));
            runningRead = outer;
            return got;
        }
        return 0;
    }
    c2_ = C2::Reported;
    for (std::uint32_t k = 0; k < count; ++k) {
        const unsigned char* block = blocks.data() + k * blockBytes;
        std::memcpy(out + static_cast<std::size_t>(k) * sectorBytes, block, sectorBytes);
        if (c2)
            c2[k] = std::any_of(block + sectorBytes, block + blockBytes,
                                [](unsigned char bits) { return bits != 0; })
                        ? 1
                        : 0;
    }
    return static_cast<long>(count);
}

} // namespace cdiolib
