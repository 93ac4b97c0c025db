#include "engine/cd/modakrip32.h"

#include "engine/platform/error.h"

#include <cstring>

#include <QCoreApplication>

namespace modAKRip32 {

namespace {

std::uint8_t handle = 0;

constexpr int subscriptOutOfRange = 9;

const char* const errorTexts[] = {
    "No error...",
    "Unable to load WNASPI32.DLL (95/98/NT/2000) or use SCSI passthrough (NT/2000)",
    "Could not load ASPI function GetASPI32SupportInfo. Only occurs when an ASPI manager "
    "(WNASPI32.DLL) is found, but cannot be correctly loaded by the system. Most often "
    "indicates that ASPI is improperly installed.",
    "Could not load ASPI function SendASPI32Command. Only occurs when an ASPI manager "
    "(WNASPI32.DLL) is found, but cannot be correctly loaded by the system. Most often "
    "indicates that ASPI is improperly installed.",
    "An error was returned by the ASPI manager. Use GetAspiLibAspiError to retrieve the actual "
    "ASPI error.",
    "Unused in the current implementation",
    "The buffer passed to ReadCDAudioLBA or ReadCDAudioLBAEx is too small for the requested "
    "number of frames.",
    "The handle to the CD-ROM unit is invalid.",
    "All available slots for CD-ROM handles have been allocated.",
    "Results from passing a bad buf parameter to GetCDId (ie. a NULL pointer)",
    "The ha:tgt:lun values passed to GetCDHandle do not refer to a CD-ROM device.",
    "Unable to obtain an exclusive lock on a CD handle.",
    "Occurs when attempting to call GetCDHandle for a ha:tgt:lun value that has already been "
    "allocated.",
    "Invalid value for the LPGETCDHAND parameter to GetCDHandle",
    "Invalid version or size specified in LPGETCDHAND parameter to GetCDHandle",
    "An automatic jitter adjust failed during a call to ReadCDAudioLBAEx",
};

} // namespace

std::uint8_t currentCdHandle() {
    return handle;
}

akrip::CdDriveRecord GetCDRecord(int index) {
    akrip::CdDriveList list;
    std::memset(&list, 0, sizeof list);
    akrip::GetCDList(&list);
    if (index < 0 || index >= akrip::maxDrives)
        throw VortanError(subscriptOutOfRange, QStringLiteral("GetCDRecord"),
                          QCoreApplication::translate("modakrip32", "Subscript out of range"));
    return list.drives[index];
}

QString driveDisplayName(const akrip::CdDriveRecord& record) {
    QString name;
    for (const char c : record.id)
        if (c != 0)
            name += QChar::fromLatin1(c);
    return name;
}

bool OpenCDDrive(int index) {
    const akrip::CdDriveRecord record = GetCDRecord(index);
    akrip::GETCDHAND request;
    std::memset(&request, 0, sizeof request);
    request.size = 12;
    request.version = 1;
    request.ha = record.ha;
    request.tgt = record.tgt;
    request.lun = record.lun;
    request.readType = 0;
    handle = static_cast<std::uint8_t>(akrip::GetCDHandle(&request) & 0xFF);
    if (handle == 0)
        return false;
    akrip::ModifyCDParms(handle, akrip::parmMsfAddressing, 0);
    akrip::TocRecord toc;
    std::memset(&toc, 0, sizeof toc);
    return akrip::ReadTOC(handle, &toc) == 1;
}

void CloseCurrentCD() {
    akrip::CloseCDHandle(handle);
}

QString AspiErrorText() {
    return aspiErrorText(akrip::GetAspiLibError());
}

QString aspiErrorText(int code) {
    if (code > 0 || code < -15)
        return {};
    return QString::fromLatin1(errorTexts[-code]);
}

QString failureText(int code, const QString& reason) {
    const QString text = aspiErrorText(code);
    if (reason.isEmpty())
        return text;
    if (code == akrip::AspiManagerError)
        return QCoreApplication::translate("modakrip32",
                                           "An error was returned by the ASPI manager: %1.")
            .arg(reason);
    if (text.isEmpty())
        return reason;
    return QStringLiteral("%1 (%2)").arg(text, reason);
}

} // namespace modAKRip32
