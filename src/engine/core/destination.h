#pragma once

#include <QString>

// The destination folder: where it is on a first run, which folder the stored "DecodePath"
// names, and creating it. GUI thread (the helpers show messages through the dialogs seam).

// The folder that holds "WAVFiles" on a first run: the program's folder, or the user's Music
// folder when the program's folder cannot be written or the program is installed.
QString defaultDestinationParent();

// The folder the stored "DecodePath" names, as an absolute path without a trailing "/": the
// stored path when it is absolute and not the root itself, otherwise (nothing stored yet, a
// relative or root path) "WAVFiles" in defaultDestinationParent(). Letters keep their case.
QString storedDestinationFolder();

// Creates the folder chain of `path` (the busy pointer shows meanwhile) and, once it exists,
// stores `path` under "DecodePath". When it cannot be created, says so ("Error in creating the
// path ...") and returns false; the store then keeps its old value. The shared DecodePath is
// left to the caller.
bool createDestination(const QString& path);

// `path` as the program reaches it: an absolute path as it is, a relative one (a name typed
// into a box) inside the destination folder DecodePath. The program never makes the
// destination its working folder, so that the destination's disk can be unmounted while it
// runs; what the user names relative to "here" means the destination. Empty stays empty; with
// no destination settled (DecodePath empty) a relative path stays as it is.
QString inDestination(const QString& path);
