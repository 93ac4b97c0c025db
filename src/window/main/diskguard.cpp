// The main window's disk-space guard.
#include "engine/core/jobstate.h"
#include "engine/core/settings.h"
#include "engine/prefs/drivespace.h"
#include "window/main/form1.h"

#include <QLabel>
#include <QTimer>

void Form1::RefreshDriveSpace() {
    const ModSysInfo::DriveSpaceReport report = ModSysInfo::RefreshDriveSpace(DecodePath);
    destinationFreeMb_ = report.destinationFreeMb;
    emit driveSpaceRefreshed(report);
}

// The guard's stop: the work ends before its next file, as Command1 stops it.
void Form1::lowSpaceStop() {
    StopRequested = true;
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
        lowSpaceStop();
        return;
    }
    if (HDWarning == 1 && freeMb < HDWarningNo)
        Label5->setVisible(true);
}

bool Form1::diskGuardAllows(std::int64_t expectedBytes) {
    if (HDWarning != 1)
        return true;
    RefreshDriveSpace();
    if (!destinationFreeMb_)
        return true;
    const std::int64_t freeMb = *destinationFreeMb_;
    const bool belowStop = HDStopDecoding == 1 && freeMb < HDStopNo;
    const bool wouldNotFit = expectedBytes >= 0 && ModSysInfo::megabytes(expectedBytes) > freeMb;
    if (belowStop || wouldNotFit) {
        lowSpaceStop();
        return false;
    }
    if (freeMb < HDWarningNo)
        Label5->setVisible(true);
    return true;
}
