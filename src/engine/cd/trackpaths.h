#pragma once

#include <QSet>
#include <QString>

// Names of the files a CD extraction writes in its destination folder: folder/R-t.ext, R a
// number drawn from the disc's identity, or, named from the disc's information,
// folder/NN - Title.ext. A folder "" is the root folder's prefix.

// R in 1..D, D the disc identity: floor(D * u + 1) for a uniform u in [0, 1). Identities are
// unsigned 32-bit numbers, so the product is done in 64 bits; an identity of 0 (or none)
// gives 1.
long long drawFileNumber(const QString& discIdentity);
// folder/R-t, without its extension.
QString trackOutputBase(const QString& folder, long long number, int track);
// A name for track `track` that names no existing file (or link) and none of `taken`: drawn
// again while it does, up to 1,000 times (a small identity may leave no free number; the
// batch's numbering of taken names then decides).
QString drawTrackPath(const QString& folder, const QString& discIdentity, int track,
                      const QString& extension, const QSet<QString>& taken);

// "NN - Title.ext" for track `track` (two digits at least) titled `title`, a file name with
// no folder. Characters that are unsafe in file names on Linux or on the FAT and NTFS disks
// players use ('/', '\\', ':', '*', '?', '"', '<', '>', '|' and control characters) become
// '_'; blanks and dots are dropped at both ends, and the title is cut (by whole characters)
// so the name stays within 255 bytes of UTF-8. Empty when nothing of the title is left. One
// pass over the title, however long.
QString trackFileName(int track, const QString& title, const QString& extension);
