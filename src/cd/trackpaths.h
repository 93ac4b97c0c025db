#pragma once

#include <QSet>
#include <QString>

// Names of the files a CD extraction writes: DecodePath/R-t.ext, R a number drawn from the
// disc's identity.

// R in 1..D, D the disc identity: floor(D * u + 1) for a uniform u in [0, 1). Identities are
// unsigned 32-bit numbers, so the product is done in 64 bits; an identity of 0 (or none)
// gives 1.
long long drawFileNumber(const QString& discIdentity);
// DecodePath/R-t, without its extension.
QString trackOutputBase(long long number, int track);
// A name for track `track` that names no existing file (or link) and none of `taken`: drawn
// again while it does, up to 1,000 times (a small identity may leave no free number; the
// batch's numbering of taken names then decides).
QString drawTrackPath(const QString& discIdentity, int track, const QString& extension,
                      const QSet<QString>& taken);
