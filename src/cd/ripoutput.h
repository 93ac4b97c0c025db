#pragma once

#include "platform/error.h"

#include <QString>

// The files a rip or a capture writes, through outputfile: each is written under a temporary
// name in its destination folder and takes its name only once it is complete, synced to the
// disk and closed, with a rename that never replaces a file. A crash or a kill leaves only
// the temporary file.
//
// Pure file-system work: any thread.
namespace ripoutput {

struct Reserved {
    QString temporaryPath; // where the writer writes; empty when nothing is reserved
    QString wantedPath;    // the name the file is meant to take
};

// A new, empty temporary file beside `wantedPath`, created exclusively; the writer opens it
// by its name (it is closed here, so the writer takes the lock).
Result<Reserved> reserve(const QString& wantedPath);

// Syncs the complete, closed file to the disk and gives it its name: the wanted one, or the
// collision rule's next number when that was taken meanwhile. Returns the name taken. On
// failure the temporary file is removed and the reason names the wanted file.
Result<QString> complete(const Reserved& file);

// Removes the temporary file (a failed or refused output).
void discard(const Reserved& file);

// Writes `bytes` whole into a new file named after `wantedPath` (see complete()), checking
// every write and the sync: a file that could not be written whole is removed, never left
// looking complete. Returns the name taken.
Result<QString> writeWhole(const QString& wantedPath, const QByteArray& bytes);

} // namespace ripoutput
