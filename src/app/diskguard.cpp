// The main window's disk-space guard.
#include "app/drivespace.h"
#include "app/form1.h"
#include "app/jobstate.h"
#include "app/settings.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

void Form1::RefreshDriveSpace() {
    const ModSysInfo::DriveSpaceReport report = ModSysInfo::RefreshDriveSpace(DecodePath);
    destinationFreeMb_ = report.destinationFreeMb;
    emit driveSpaceRefreshed(report);
}

void Form1::tmrWarning_Timer() {
    RefreshDriveSpace();
    // An unmeasurable destination is no reason to stop a job, nor to warn.
    if (!destinationFreeMb_)
        return;
    const std::int64_t freeMb = *destinationFreeMb_;
    if (HDStopDecoding == 1 && freeMb < HDStopNo) {
        StopRequested = true;
        Label5->setVisible(true);
        Command1_Click(); // also stops this timer
        // A job still winding down resets the display itself once it has returned.
        if (!isJobRunning())
            Timer1->start();
        QCoreApplication::processEvents();
        return;
    }
    if (HDWarning == 1 && freeMb < HDWarningNo)
        Label5->setVisible(true);
}
