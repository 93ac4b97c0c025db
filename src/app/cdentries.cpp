// Steps that reach the CD drive: start-up and refresh listing, and the extraction batch.
// The CD subsystem provides them; until it does, no drive and no track is listed (the
// tree's track groups stay empty) and the extraction batch says it is not available.
#include "app/form1.h"

// Lists the tracks of the CD in the current drive into lstTracks.
void Form1::cmdRefresh_Click() {}

// One DriveList entry per drive the CD library reports, then the first entry is chosen,
// which opens that drive (DriveList_Click).
void Form1::fillDriveList() {}

// Opens the drive chosen in DriveList.
void Form1::DriveList_Click() {}

// The extraction batch over the selected tracks.
void Form1::cmdStart_Click() {
    showNotAvailable(QStringLiteral("CD extraction"));
}
