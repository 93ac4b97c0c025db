#include "engine/platform/akrip/akrip.h"

#include "engine/platform/akrip/drivetable.h"

#include <algorithm>
#include <cstring>

#include <QCoreApplication>

namespace akrip {

using detail::LockedTable;
using detail::OpenHandle;

namespace {

thread_local int lastError = NoError;
thread_local QString lastDetail;
thread_local bool lastDamaged = false;

int succeed(int result) {
    lastError = NoError;
    lastDamaged = false;
    lastDetail.clear();
    return result;
}

int fail(int code, const QString& detail = {}, bool damaged = false) {
    lastError = code;
    lastDamaged = damaged;
    lastDetail = detail;
    return 0;
}

std::shared_ptr<OpenHandle> findHandle(std::uint32_t handle) {
    if (handle == 0 || handle > 255)
        return nullptr;
    LockedTable table;
    return table->handles[handle];
}

void putBigEndian(std::uint8_t* to, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        to[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void putAddress(std::uint8_t* to, std::int32_t lsn, bool msf) {
    if (!msf) {
        putBigEndian(to, static_cast<std::uint32_t>(lsn));
        return;
    }
    const std::int32_t lba = lsn + 150; // the address counts the 2-second lead-in
    to[0] = 0;
    to[1] = static_cast<std::uint8_t>(lba / (60 * 75));
    to[2] = static_cast<std::uint8_t>(lba / 75 % 60);
    to[3] = static_cast<std::uint8_t>(lba % 75);
}

} // namespace

int GetNumAdapters() {
    LockedTable table;
    const auto count = static_cast<int>(table->drives.size());
    return succeed(count > 0 ? count - 1 : 0);
}

int GetCDList(CdDriveList* list) {
    if (!list)
        return fail(BadBuffer);
    LockedTable table;
    const int count = std::min(static_cast<int>(table->drives.size()), maxDrives);
    list->header[0] = static_cast<std::uint8_t>(count);
    list->header[1] = 0;
    for (int i = 0; i < count; ++i) {
        CdDriveRecord& record = list->drives[i];
        std::memset(&record, 0, sizeof record);
        record.ha = static_cast<std::uint8_t>(i);
        QByteArray id = table->drives[static_cast<std::size_t>(i)].drive.id.toUtf8();
        qsizetype length = std::min<qsizetype>(id.size(), sizeof record.id - 1);
        while (length > 0 && length < id.size() && (id[length] & 0xC0) == 0x80)
            --length; // never cut a character in two
        std::memcpy(record.id, id.constData(), static_cast<std::size_t>(length));
    }
    return succeed(count);
}

std::uint32_t GetCDHandle(GETCDHAND* request) {
    if (!request)
        return static_cast<std::uint32_t>(fail(InvalidRequest));
    if (request->size != 12 || request->version != 1)
        return static_cast<std::uint32_t>(fail(InvalidRequestVersion));

    std::shared_ptr<OpenHandle> handle;
    int number = 0;
    {
        LockedTable table;
        if (request->tgt != 0 || request->lun != 0 ||
            request->ha >= static_cast<int>(table->drives.size()))
            return static_cast<std::uint32_t>(fail(NotACdDevice));
        for (const auto& open : table->handles)
            if (open && open->driveIndex == request->ha)
                return static_cast<std::uint32_t>(fail(DuplicateHandle));
        // Numbers go round, so a handle kept after its close does not reach a newer one.
        for (int step = 1; step <= 255 && number == 0; ++step) {
            const int candidate = (table->lastHandle + step - 1) % 255 + 1;
            if (!table->handles[static_cast<std::size_t>(candidate)])
                number = candidate;
        }
        if (number == 0)
            return static_cast<std::uint32_t>(fail(NoMoreHandles));
        handle = std::make_shared<OpenHandle>();
        handle->driveIndex = request->ha;
        handle->source = table->drives[request->ha].source;
        table->handles[static_cast<std::size_t>(number)] = handle;
        table->lastHandle = number;
    }
    // An empty drive gives a handle too, as a real one does: its table of contents and reads
    // fail until a disc is in. Opening a device may take a while: not under the table's lock.
    std::lock_guard lock(handle->readLock);
    handle->openDiscLocked();
    return static_cast<std::uint32_t>(succeed(number));
}

int ModifyCDParms(std::uint32_t handle, int parameter, std::uint32_t value) {
    const auto open = findHandle(handle);
    if (!open)
        return fail(InvalidHandle);
    if (parameter == parmMsfAddressing)
        open->msfAddresses = value != 0;
    return succeed(1);
}

int ReadTOC(std::uint32_t handle, TocRecord* toc) {
    const auto open = findHandle(handle);
    if (!open)
        return fail(InvalidHandle);
    if (!toc)
        return fail(BadBuffer);
    std::lock_guard lock(open->readLock);
    // The disc in the drive now (it may have been changed since the handle was opened).
    if (!open->openDiscLocked())
        return fail(AspiManagerError);
    const cdiolib::Layout& layout = *open->layout;
    const bool msf = open->msfAddresses;
    std::memset(toc, 0, sizeof *toc);
    // Entry k is track k + 1, whatever the disc's first track is: the disc's own numbers
    // stay its numbers (entries before the first track stay zero).
    const auto trackCount = static_cast<int>(layout.tracks.size());
    const int first = layout.tracks.front().number;
    const int length = 2 + 8 * (trackCount + 1);
    toc->header[0] = static_cast<std::uint8_t>(length >> 8);
    toc->header[1] = static_cast<std::uint8_t>(length);
    toc->header[2] = static_cast<std::uint8_t>(first);
    toc->header[3] = static_cast<std::uint8_t>(layout.tracks.back().number);
    for (const cdiolib::TrackEntry& track : layout.tracks) {
        TocEntry& entry = toc->entries[track.number - 1];
        entry.adrControl = track.audio ? 0x10 : 0x14;
        entry.trackNumber = static_cast<std::uint8_t>(track.number);
        putAddress(entry.address, track.startLsn, msf);
    }
    TocEntry& leadOut = toc->entries[layout.tracks.back().number];
    leadOut.adrControl = layout.tracks.back().audio ? 0x10 : 0x14;
    leadOut.trackNumber = 0xAA;
    putAddress(leadOut.address, layout.leadOutLsn, msf);
    return succeed(1);
}

namespace {

// ReadCDAudioLBA (`once` false) or ReadCDAudioLBAOnce.
int readAudio(std::uint32_t handle, unsigned char* buffer, bool once, std::uint8_t* c2) {
    const auto open = findHandle(handle);
    if (!open)
        return fail(InvalidHandle);
    if (!buffer)
        return fail(BadBuffer);
    ReadHeader header;
    std::memcpy(&header, buffer, sizeof header);
    const std::uint64_t bytes = std::uint64_t{header.frameCount} * cdFrameBytes;
    if (bytes > header.maxLength)
        return fail(BufferTooSmall);

    std::lock_guard lock(open->readLock);
    header.returnedLength = 0;
    std::memcpy(buffer, &header, sizeof header);
    if (!open->disc) {
        if (auto reopened = open->openDiscLocked(); !reopened)
            return fail(AspiManagerError, reopened.error().description());
    }
    const std::uint64_t end = std::uint64_t{header.startLba} + header.frameCount;
    if (!open->reader)
        return fail(
            AspiManagerError,
            open->readerFailure.isEmpty()
                ? QCoreApplication::translate("akrip", "the disc cannot be read as audio")
                : QCoreApplication::translate("akrip", "the disc cannot be read as audio: %1")
                      .arg(open->readerFailure));
    if (end > static_cast<std::uint64_t>(open->layout->leadOutLsn))
        return fail(AspiManagerError,
                    QCoreApplication::translate(
                        "akrip", "sectors %1 to %2 run past the disc's end (sector %3)")
                        .arg(header.startLba)
                        .arg(end - 1)
                        .arg(open->layout->leadOutLsn));
    if (header.frameCount == 0)
        return succeed(1);

    const std::int64_t before = open->reader->corrections();
    const auto first = static_cast<std::int32_t>(header.startLba);
    const std::uint32_t stored =
        once ? open->reader->readOnce(first, header.frameCount, buffer + sizeof header, c2)
             : open->reader->read(first, header.frameCount, buffer + sizeof header);
    open->corrections += open->reader->corrections() - before;
    open->c2Reported = open->reader->reportsC2();
    open->cacheSectors = open->reader->statedCacheSectors();
    header.returnedLength = static_cast<std::uint32_t>(stored * cdFrameBytes);
    std::memcpy(buffer, &header, sizeof header);
    return stored == header.frameCount ? succeed(1)
                                       : fail(AspiManagerError, open->reader->failure(),
                                              open->reader->lastFailureDamaged());
}

} // namespace

int ReadCDAudioLBA(std::uint32_t handle, unsigned char* buffer) {
    return readAudio(handle, buffer, false, nullptr);
}

int ReadCDAudioLBAOnce(std::uint32_t handle, unsigned char* buffer, std::uint8_t* c2) {
    return readAudio(handle, buffer, true, c2);
}

bool reportsC2(std::uint32_t handle) {
    const auto open = findHandle(handle);
    return open && open->c2Reported.load();
}

int statedCacheSectors(std::uint32_t handle) {
    const auto open = findHandle(handle);
    return open ? open->cacheSectors.load() : -1;
}

bool lastFailureDamaged() {
    return lastDamaged;
}

int CloseCDHandle(std::uint32_t handle) {
    std::shared_ptr<OpenHandle> closing;
    if (handle != 0 && handle <= 255) {
        LockedTable table;
        closing = std::move(table->handles[handle]);
    }
    // Freed here, or when a read still running on another thread ends.
    return closing ? succeed(1) : fail(InvalidHandle);
}

int GetAspiLibError() {
    return lastError;
}

QString lastErrorDetail() {
    return lastDetail;
}

ReadStop::ReadStop(std::function<bool()> stop)
    : stop_(std::make_unique<cdiolib::ReadStop>(std::move(stop))) {}

ReadStop::~ReadStop() = default;

std::int64_t correctionsOf(std::uint32_t handle) {
    const auto open = findHandle(handle);
    return open ? open->corrections.load() : 0;
}

} // namespace akrip
