// The main window's disk-space guard.
#include "engine/core/settings.h"
#include "engine/prefs/drivespace.h"
#include "window/main/form1.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>

void Form1::RefreshDriveSpace() {
    const ModSysInfo::DriveSpaceReport report = ModSysInfo::RefreshDriveSpace(DecodePath);
    destinationFreeMb_ = report.destinationFreeMb;
    emit driveSpaceRefreshed(report);
}

// The guard's stop: the work ends before its next file, as Command1 stops it.
void Form1::lowSpaceStop(const QString& reason) {
    if (lowSpaceReason_.isEmpty())
        lowSpaceReason_ = reason;
    Label5->setVisible(true);
    Command1_Click(); // also stops the timer
    // A job still winding down resets the display itself once it has returned.
    if (!isJobRunning())
        Timer1->start();
}

void Form1::tmrWarning_Timer() {
    RefreshDriveSpace();
    // An unmeasurable destination is no reason to stop a job, nor to warn.
    if (!destinationFreeMb_)
        return;
    const std::int64_t freeMb = *destinationFreeMb_;
    if (HDStopDecoding == 1 && freeMb < HDStopNo) {
        lowSpaceStop(tr("The destination's disk has %1 MB free, below the stop level of %2 MB.")
                         .arg(freeMb)
                         .arg(HDStopNo));
        return;
    }
    if (HDWarning == 1 && freeMb < HDWarningNo)
        Label5->setVisible(true);
}

bool Form1::diskGuardAllows(std::int64_t expectedBytes, std::int64_t reservedBytes) {
    if (HDWarning != 1)
        return true;
    RefreshDriveSpace();
    if (!destinationFreeMb_)
        return true;
    const std::int64_t freeMb = *destinationFreeMb_;
    if (HDStopDecoding == 1 && freeMb < HDStopNo) {
        lowSpaceStop(tr("The destination's disk has %1 MB free, below the stop level of %2 MB.")
                         .arg(freeMb)
                         .arg(HDStopNo));
        return false;
    }
    // The files under way will take what they are still to write from the free space too.
    const std::int64_t neededMb =
        ModSysInfo::megabytes(std::max<std::int64_t>(expectedBytes, 0) + reservedBytes);
    if (expectedBytes >= 0 && neededMb > freeMb) {
        QString reason = tr("The first file not started needs about %1 MB, and the "
                            "destination's disk has %2 MB free")
                             .arg(ModSysInfo::megabytes(expectedBytes))
                             .arg(freeMb);
        if (reservedBytes > 0)
            reason += tr(", of which the files under way still need about %1 MB")
                          .arg(ModSysInfo::megabytes(reservedBytes));
        lowSpaceStop(reason + QLatin1Char('.'));
        return false;
    }
    if (freeMb < HDWarningNo)
        Label5->setVisible(true);
    return true;
}
