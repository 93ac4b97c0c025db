#pragma once

#include "engine/platform/error.h"

#include <QString>

// Giving a file another name anywhere, for the play list's "Rename File". Pure file-system
// work: safe on any thread.
namespace filemove {

struct Moved {
    bool copied = false; // `to` is on another file system: the file was copied there
    // Not empty: the copy is complete at `to`, but the original could not be removed (why).
    // Both files then exist.
    QString originalKept;
};

// Gives the file `from` the name `to`, replacing a file of that name (the caller has asked
// the user). Within one file system a rename, which leaves a file renamed onto itself as it
// is. Across file systems the file is copied: written under a temporary name beside `to`,
// flushed to the disk, given its permissions and put in place, then the original is
// removed. Fails, naming `from` and `to` (never a temporary name) and the system's reason,
// with nothing changed: no such file, a folder in the way, no permission, a full disk.
Result<Moved> moveFile(const QString& from, const QString& to);

} // namespace filemove
